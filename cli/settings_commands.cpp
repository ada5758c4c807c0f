// create-user, settings, set.
#include <utility>

#include "cli/cli_command.h"
#include "config/mail_app.h"
#include "config/user_fields.h"
#include "platform/text.h"

namespace fennel {
namespace {

// The POP logon before a send ("POP認証を行う" of the settings sheet).
constexpr const char* kPopAuthName = "pop_auth";

class CreateUserCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (!args.empty()) error = "create-user takes no arguments";
    return args.empty();
  }
  bool CreatesUser() const override { return true; }
  int Run(CMailApp*, const CliIo&) override { return kExitOk; }
};

class SettingsCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (!args.empty()) error = "settings takes no arguments";
    return args.empty();
  }
  int Run(CMailApp* app, const CliIo& io) override {
    for (const UserField& f : UserFields()) {
      std::fprintf(io.out, "%s = ", f.name);
      PrintText(io.out, UserFieldText(app->user(), f, true) + "\n");
    }
    // Kept in the profile file, not in the record.
    std::fprintf(io.out, "%s = %d\n", kPopAuthName, app->profile().PopAuth(app->user().userId) ? 1 : 0);
    return kExitOk;
  }
};

// NAME=VALUE pairs, all checked before anything is touched.
class SetCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (args.empty()) {
      error = "set needs NAME=VALUE";
      return false;
    }
    for (const std::string& a : args) {
      size_t eq = a.find('=');
      if (eq == std::string::npos) {
        error = "not NAME=VALUE: " + a;
        return false;
      }
      if (a.substr(0, eq) == kPopAuthName) {
        const std::string v = a.substr(eq + 1);
        if (v != "0" && v != "1") {
          error = std::string(kPopAuthName) + " is 0 or 1";
          return false;
        }
        popAuth_ = v == "1" ? 1 : 0;
        continue;
      }
      const UserField* f = FindUserField(a.substr(0, eq));
      if (!f) {
        error = "no settings field " + a.substr(0, eq);
        return false;
      }
      if (f->readOnly) {
        error = std::string(f->name) + " cannot be set";
        return false;
      }
      std::string value = Utf8ToCp932(a.substr(eq + 1));
      CUserInfo scratch;
      if (!SetUserField(scratch, *f, value)) {
        error = std::string(f->name) + " needs a number";
        return false;
      }
      assignments_.emplace_back(f, value);
    }
    return true;
  }
  int Run(CMailApp* app, const CliIo&) override {
    for (const auto& [field, value] : assignments_) SetUserField(app->user(), *field, value);
    if (popAuth_ >= 0) app->profile().SetPopAuth(app->user().userId, popAuth_ == 1);
    return kExitOk;
  }

 private:
  int popAuth_ = -1;  // not given
  std::vector<std::pair<const UserField*, std::string>> assignments_;
};

}  // namespace

std::unique_ptr<CliCommand> MakeSettingsCommand(const std::string& name) {
  if (name == "create-user") return std::make_unique<CreateUserCommand>();
  if (name == "settings") return std::make_unique<SettingsCommand>();
  if (name == "set") return std::make_unique<SetCommand>();
  return nullptr;
}

}  // namespace fennel
