// Runs a program of the build for end-to-end tests, with a bounded wait.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace fennel::test {

struct ProcessResult {
  int exitCode = -1;  // -1: killed at the time limit
  std::string out;
  std::string err;
};

// Runs program with args; input is written to its standard input. Extra
// environment entries are added to (or replace) the inherited ones.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "", const std::map<std::string, std::string>& env = {},
                         int timeoutMs = 20000);

}  // namespace fennel::test
