// rebuild, import-eml, report, backup, restore: the maintenance menu from
// the command line. Boxes are printed to standard error; no question is
// asked (rebuild takes its answer as an option).
#include "cli/cli_command.h"
#include "config/mail_app.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "ui/mailbox/maintenance.h"

namespace fennel {
namespace {

bool KindOf(const std::string& word, TextFileKind& kind) {
  if (word == "subaccount") kind = TextFileKind::SubAccount;
  else if (word == "folder") kind = TextFileKind::Folder;
  else return false;
  return true;
}

class MaintenanceCommand : public CliCommand {
 public:
  explicit MaintenanceCommand(std::string name) : name_(std::move(name)) {}

  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (name_ == "rebuild") {
      if (args.size() == 1 && (args[0] == "--read" || args[0] == "--unread")) {
        status_ = args[0] == "--read" ? CMailDetail::kRead : CMailDetail::kUnread;
        return true;
      }
      error = "rebuild takes --read or --unread (the state of the received mail filed)";
      return false;
    }
    if (name_ == "import-eml" || name_ == "report") {
      if (args.size() == 1) {
        path_ = AbsolutePath(FromFsPath(args[0]));
        return true;
      }
      error = name_ + (name_ == "report" ? " needs one FILE" : " needs one DIR");
      return false;
    }
    if (args.size() == 2 && KindOf(args[0], kind_)) {
      path_ = AbsolutePath(FromFsPath(args[1]));
      return true;
    }
    error = name_ + " takes subaccount|folder FILE";
    return false;
  }

  int Run(CMailApp* app, const CliIo& io) override {
    NullMaintenanceHost host;
    NoFilePicker picker;
    CMaintenance m(*app, picker, host);
    if (name_ == "rebuild") {
      if (app->user().mailDir.empty()) {
        PrintText(io.err, "メールディレクトリがありません。mail_dir を設定してください。\n");
        return kExitRefused;
      }
      return Report(io, m.Rebuild(status_), m.failed());
    }
    if (name_ == "import-eml") {
      if (app->user().mailDir.empty()) {
        PrintText(io.err, "メールディレクトリがありません。mail_dir を設定してください。\n");
        return kExitRefused;
      }
      return Report(io, m.ImportEml(path_), m.failed());
    }
    if (name_ == "report") return m.WriteReport(path_) ? kExitOk : kExitRefused;
    if (name_ == "backup") return m.Backup(kind_, path_) ? kExitOk : kExitRefused;
    int n = m.Restore(kind_, path_);
    if (n < 0) return kExitRefused;
    PrintText(io.out, std::to_string(n) + "\n");
    return kExitOk;
  }

 private:
  // The count filed; exit 1 when the command failed on the way.
  static int Report(const CliIo& io, int count, bool failed) {
    if (count < 0) return kExitRefused;
    PrintText(io.out, std::to_string(count) + "\n");
    return failed ? kExitRefused : kExitOk;
  }

  std::string name_;
  int32_t status_ = CMailDetail::kUnread;
  std::string path_;
  TextFileKind kind_ = TextFileKind::Folder;
};

}  // namespace

std::unique_ptr<CliCommand> MakeMaintenanceCommand(const std::string& name) {
  for (const char* n : {"rebuild", "import-eml", "report", "backup", "restore"})
    if (name == n) return std::make_unique<MaintenanceCommand>(name);
  return nullptr;
}

}  // namespace fennel
