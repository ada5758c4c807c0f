#include "gui/app.h"

int main(int argc, char** argv) { return fennel::RunGui(argc, argv); }
