#include "cli/commands.h"

#include <cstdlib>
#include <map>
#include <optional>

#include "cli/cli_prompter.h"
#include "config/mail_app.h"
#include "config/user_fields.h"
#include "platform/app_dirs.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "message/display.h"
#include "message/line_ends.h"
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
  if (o.user.empty() && o.command != "show") {
    error = "--user is required";
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

// NAME=VALUE pairs, checked before anything is touched.
bool ParseAssignments(const std::vector<std::string>& args, std::vector<std::pair<const UserField*, std::string>>& out,
                      std::string& error) {
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
    out.emplace_back(f, value);
  }
  return true;
}

struct ShowArgs {
  bool html = false;
  std::string saveDir;
  std::string file;
};

bool ParseShow(const std::vector<std::string>& args, ShowArgs& a, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--html") {
      a.html = true;
    } else if (args[i] == "--save-dir") {
      if (i + 1 >= args.size()) {
        error = "--save-dir needs a value";
        return false;
      }
      a.saveDir = Utf8ToCp932(args[++i]);
    } else if (a.file.empty() && args[i].rfind("--", 0) != 0) {
      a.file = Utf8ToCp932(args[i]);
    } else {
      error = "show takes one FILE";
      return false;
    }
  }
  if (a.file.empty()) error = "show needs a FILE";
  return !a.file.empty();
}

// Prints the text view (or HTML page) of a message file. A file whose lines
// end with LF alone is read through a CR LF copy, as it would be stored.
int Show(const ShowArgs& a, std::string saveDir, FILE* out, FILE* err) {
  std::string bytes;
  if (!ReadWholeFile(a.file, bytes)) {
    std::fprintf(err, "fennel-cli: cannot read %s\n", Cp932ToUtf8(a.file).c_str());
    return kExitRefused;
  }
  if (saveDir.empty()) {
    char tmpl[] = "/tmp/fennel-attachments-XXXXXX";
    if (!mkdtemp(tmpl)) {
      std::fprintf(err, "fennel-cli: cannot make a directory for attachments\n");
      return kExitRefused;
    }
    saveDir = FromFsPath(tmpl);
  }
  if (!MakeDirs(saveDir)) {
    std::fprintf(err, "fennel-cli: cannot make %s\n", Cp932ToUtf8(saveDir).c_str());
    return kExitRefused;
  }
  std::string path = a.file;
  std::string temp;
  if (HasBareLf(bytes)) {
    temp = JoinPath(saveDir, ".fennel-show.tmp");
    if (!WriteFileAtomic(temp, ToStoredForm(bytes))) {
      std::fprintf(err, "fennel-cli: cannot write to %s\n", Cp932ToUtf8(saveDir).c_str());
      return kExitRefused;
    }
    path = temp;
  }
  DecodedMessage m = DecodeMessageFile(path, saveDir, a.html);
  if (!temp.empty()) RemoveFile(temp);
  std::string shown = a.html ? HtmlPageOfText(m) : TextViewLayout(m.text, m.attachments);
  std::string utf8 = Cp932ToUtf8(ToUnixLineEnds(shown));
  std::fwrite(utf8.data(), 1, utf8.size(), out);
  if (!m.attachments.empty() && m.attachments != "\r\n")
    std::fprintf(err, "attachments saved in %s\n", Cp932ToUtf8(saveDir).c_str());
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& argv, FILE* in, FILE* out, FILE* err) {
  Options o;
  std::string error;
  if (!ParseOptions(argv, o, error)) {
    std::fprintf(err, "fennel-cli: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
  }
  if (o.command != "create-user" && o.command != "settings" && o.command != "set" && o.command != "show") {
    std::fprintf(err, "fennel-cli: unknown command %s\n%s", o.command.c_str(), kUsage);
    return kExitUsage;
  }
  std::vector<std::pair<const UserField*, std::string>> assignments;
  if (o.command == "set" && !ParseAssignments(o.args, assignments, error)) {
    std::fprintf(err, "fennel-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  ShowArgs show;
  if (o.command == "show" && !ParseShow(o.args, show, error)) {
    std::fprintf(err, "fennel-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  if ((o.command == "create-user" || o.command == "settings") && !o.args.empty()) {
    std::fprintf(err, "fennel-cli: %s takes no arguments\n", o.command.c_str());
    return kExitUsage;
  }
  if (!o.home.empty()) setenv("FENNEL_HOME", o.home.c_str(), 1);
  if (!o.profileDir.empty()) setenv("FENNEL_PROFILE_DIR", o.profileDir.c_str(), 1);

  // Without a user, show needs no logon.
  if (o.command == "show" && o.user.empty()) return Show(show, show.saveDir, out, err);

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
  logon.createNewUser = o.command == "create-user";
  if (logon.OnOK() != CLogonDialog::Result::Ok) {
    app.ExitInstance();
    return kExitRefused;
  }

  int code = kExitOk;
  if (o.command == "settings") {
    for (const UserField& f : UserFields())
      std::fprintf(out, "%s = %s\n", f.name, Cp932ToUtf8(UserFieldText(app.user(), f, true)).c_str());
  } else if (o.command == "set") {
    for (const auto& [field, value] : assignments) SetUserField(app.user(), *field, value);
  } else if (o.command == "show") {
    code = Show(show, app.user().mailDir, out, err);
  }
  app.ExitInstance();
  return code;
}

}  // namespace fennel
