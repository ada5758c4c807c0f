#include "cli/commands.h"

#include <cstdlib>
#include <optional>

#include "cli/cli_prompter.h"
#include "config/mail_app.h"
#include "platform/app_dirs.h"
#include "platform/text.h"
#include "ui/dialogs/logon_dialog.h"

namespace fennel {
namespace {

const char* kUsage =
    "usage: fennel-cli [--home DIR] [--profile-dir DIR] --user ID [--password-stdin] COMMAND ...\n"
    "commands:\n"
    "  create-user            create the user (replaces an existing one) and log in\n"
    "  settings               print every settings field as name = value\n"
    "  set NAME=VALUE ...     change settings fields; written at exit\n"
    "  show [--html] [--save-dir DIR] FILE\n"
    "                         print a message file as the text view shows it (or\n"
    "                         its HTML page); attachments are saved into the\n"
    "                         user's mail directory, or DIR without --user\n"
    "  folders                every folder with its mail and unread counts\n"
    "  list FOLDER            the mails of a folder, newest first\n"
    "  search [--cond from|subject|to|body] KEYWORDS\n"
    "                         fill the search folder (keywords split at \",\") and list it\n"
    "  export address|phrase|subaccount|folder FILE\n"
    "  import address|phrase|subaccount|folder FILE\n"
    "                         the text files of the address book, phrases,\n"
    "                         sub-accounts and folders (CP932)\n"
    "  sort-apply FOLDER      move the mails of the inbox that FOLDER's rule takes\n"
    "  receive [--list [--delete N,N,...]] [--stop-on-error]\n"
    "                         receive mail of the main account and sub-accounts;\n"
    "                         --list prints the server mail list first, --delete\n"
    "                         deletes those messages on the server and receives\n"
    "                         the rest; questions are answered OK unless\n"
    "                         --stop-on-error\n"
    "  send [--to A] [--cc A] [--bcc A] [--subject S] [--body-file F] [--attach F]...\n"
    "       [--reply-to A] [--in-reply-to ID] [--receipt] [--scramble]\n"
    "                         send a mail now (the body file is UTF-8; recipients\n"
    "                         may repeat and may be address-book nicknames)\n"
    "  save [same options] [--template]\n"
    "                         keep a mail in the unsent folder for a later batch\n"
    "                         (with --template: a template, plus one unsent mail\n"
    "                         per To address)\n"
    "  send-unsent\n"
    "                         send every mail of the unsent folder, one by one\n"
    "  rebuild --read|--unread\n"
    "                         file the message files of the mail directory that\n"
    "                         no folder holds (received ones read or unread)\n"
    "  import-eml DIR         copy the .eml files of DIR into the mail directory\n"
    "                         and file them (unread); prints the count\n"
    "  report FILE            write the settings report (no passwords)\n"
    "  backup subaccount|folder FILE\n"
    "  restore subaccount|folder FILE\n"
    "The logon password is read from standard input (--password-stdin) or\n"
    "from the environment variable FENNEL_PASSWORD.\n";

const char* kAlreadyRunning = "Fennel が実行中です。終了してから実行してください。";

// The command line has no windows: the run-time directory dialog and the
// wizard are not shown.
class CliLogonHost : public LogonHost {
 public:
  void RunRuntimeDirDialog() override {}
  std::optional<WizardValues> RunSetupWizard(const WizardValues&, const std::string&) override { return std::nullopt; }
};

struct Options {
  std::string home;
  std::string profileDir;
  std::string user;
  bool passwordStdin = false;
  std::string command;
  std::vector<std::string> args;
};

bool ParseOptions(const std::vector<std::string>& argv, Options& o, std::string& error) {
  size_t i = 0;
  auto value = [&](const std::string& name, std::string& into) {
    if (i + 1 >= argv.size()) {
      error = name + " needs a value";
      return false;
    }
    into = argv[++i];
    return true;
  };
  for (; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a == "--home") {
      if (!value(a, o.home)) return false;
    } else if (a == "--profile-dir") {
      if (!value(a, o.profileDir)) return false;
    } else if (a == "--user") {
      if (!value(a, o.user)) return false;
    } else if (a == "--password-stdin") {
      o.passwordStdin = true;
    } else if (a == "--password") {
      error = "the password is never given as an argument: use --password-stdin or FENNEL_PASSWORD";
      return false;
    } else if (a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return false;
    } else {
      o.command = a;
      o.args.assign(argv.begin() + static_cast<long>(i) + 1, argv.end());
      break;
    }
  }
  if (o.command.empty()) {
    error = "no command";
    return false;
  }
  return true;
}

std::string ReadPassword(bool fromStdin, FILE* in) {
  if (fromStdin) {
    std::string line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  const char* env = std::getenv("FENNEL_PASSWORD");
  return env ? env : "";
}

std::unique_ptr<CliCommand> MakeCommand(const std::string& name) {
  if (auto c = MakeSettingsCommand(name)) return c;
  if (auto c = MakeShowCommand(name)) return c;
  if (auto c = MakeStoreCommand(name)) return c;
  if (auto c = MakeReceiveCommand(name)) return c;
  if (auto c = MakeSendCommand(name)) return c;
  return MakeMaintenanceCommand(name);
}

}  // namespace

void PrintText(FILE* out, const std::string& cp932) {
  std::string utf8 = Cp932ToUtf8(cp932);
  std::fwrite(utf8.data(), 1, utf8.size(), out);
}

int RunCli(const std::vector<std::string>& argv, FILE* in, FILE* out, FILE* err) {
  Options o;
  std::string error;
  if (!ParseOptions(argv, o, error)) {
    std::fprintf(err, "fennel-cli: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
  }
  std::unique_ptr<CliCommand> command = MakeCommand(o.command);
  if (!command) {
    std::fprintf(err, "fennel-cli: unknown command %s\n%s", o.command.c_str(), kUsage);
    return kExitUsage;
  }
  if (!command->Parse(o.args, error)) {
    std::fprintf(err, "fennel-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  if (o.user.empty() && command->NeedsUser()) {
    std::fprintf(err, "fennel-cli: --user is required\n%s", kUsage);
    return kExitUsage;
  }
  if (!o.home.empty()) setenv("FENNEL_HOME", o.home.c_str(), 1);
  if (!o.profileDir.empty()) setenv("FENNEL_PROFILE_DIR", o.profileDir.c_str(), 1);
  const CliIo io{in, out, err};
  if (o.user.empty()) return command->Run(nullptr, io);

  CliPrompter prompter(err);
  Profile profile(Profile::DefaultPath());
  CMailApp app(CMailApp::Services{profile, prompter, AppDataDirectory()});
  switch (app.AcquireGuard(ProfileDirectory())) {
    case SingleInstanceGuard::Result::Owner:
      break;
    case SingleInstanceGuard::Result::AlreadyRunning:
      prompter.Show(kAlreadyRunning, MbIcon::Stop);
      return kExitRefused;
    case SingleInstanceGuard::Result::Failed:
      prompter.Show(
          "２重起動のチェックに失敗しました。もしくは前回の終了処理が終わっていません。しばらくしてから再度起動してください。");
      return kExitRefused;
  }

  CliLogonHost host;
  CLogonDialog logon(app, host);
  logon.userName = Utf8ToCp932(o.user);
  logon.password = Utf8ToCp932(ReadPassword(o.passwordStdin, in));
  logon.createNewUser = command->CreatesUser();
  if (logon.OnOK() != CLogonDialog::Result::Ok) {
    app.ExitInstance();
    return kExitRefused;
  }
  int code = command->Run(&app, io);
  // Like the window program, the record is written back at the end (when
  // it changed); a record that could not be written is a failure.
  app.ExitInstance();
  if (app.exitWriteFailed() && code == kExitOk) code = kExitRefused;
  return code;
}

}  // namespace fennel
