// One command of fennel-cli: its arguments are checked before the logon,
// then it runs with the logged-in application (or without one).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace fennel {

class CMailApp;

enum ExitCode { kExitOk = 0, kExitRefused = 1, kExitUsage = 2 };

struct CliIo {
  FILE* in;
  FILE* out;
  FILE* err;
};

class CliCommand {
 public:
  virtual ~CliCommand() = default;
  // Checks the arguments (UTF-8). False with error set on a usage error.
  virtual bool Parse(const std::vector<std::string>& args, std::string& error) = 0;
  // Whether the command works on a user's store. A command that can do
  // without one is run with app null when no user is given.
  virtual bool NeedsUser() const { return true; }
  // Makes a new user instead of logging in.
  virtual bool CreatesUser() const { return false; }
  virtual int Run(CMailApp* app, const CliIo& io) = 0;
};

// The command of that name, or null.
std::unique_ptr<CliCommand> MakeSettingsCommand(const std::string& name);
std::unique_ptr<CliCommand> MakeShowCommand(const std::string& name);
std::unique_ptr<CliCommand> MakeStoreCommand(const std::string& name);
std::unique_ptr<CliCommand> MakeReceiveCommand(const std::string& name);
std::unique_ptr<CliCommand> MakeSendCommand(const std::string& name);
std::unique_ptr<CliCommand> MakeMaintenanceCommand(const std::string& name);

// A CP932 text on the terminal.
void PrintText(FILE* out, const std::string& cp932);

}  // namespace fennel
