// fennel-cli: the program without a display.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"

namespace fennel {

// Runs the command line (arguments in UTF-8, without the program name).
int RunCli(const std::vector<std::string>& args, FILE* in, FILE* out, FILE* err);

}  // namespace fennel
