// The window tests run on Qt's offscreen platform: no display needed.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "gui/app.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  fennel::PrepareQt();
  QApplication app(argc, argv);
  fennel::InstallQtJapanese();  // as the program does
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
