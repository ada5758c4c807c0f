// show: a message file as the text view (or the HTML view) shows it.
#include <cstdlib>

#include "cli/cli_command.h"
#include "config/mail_app.h"
#include "message/display.h"
#include "message/line_ends.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

class ShowCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--html") {
        html_ = true;
      } else if (args[i] == "--save-dir") {
        if (i + 1 >= args.size()) {
          error = "--save-dir needs a value";
          return false;
        }
        saveDir_ = Utf8ToCp932(args[++i]);
      } else if (file_.empty() && args[i].rfind("--", 0) != 0) {
        file_ = Utf8ToCp932(args[i]);
      } else {
        error = "show takes one FILE";
        return false;
      }
    }
    if (file_.empty()) error = "show needs a FILE";
    return !file_.empty();
  }
  bool NeedsUser() const override { return false; }

  // Attachments go into the user's mail directory, else into --save-dir or
  // a fresh temporary directory. A file whose lines end with LF alone is
  // read through a CR LF copy, as it would be stored.
  int Run(CMailApp* app, const CliIo& io) override {
    std::string bytes;
    if (!ReadWholeFile(file_, bytes)) {
      std::fprintf(io.err, "fennel-cli: cannot read %s\n", Cp932ToUtf8(file_).c_str());
      return kExitRefused;
    }
    std::string saveDir = app ? app->user().mailDir : saveDir_;
    if (saveDir.empty()) {
      char tmpl[] = "/tmp/fennel-attachments-XXXXXX";
      if (!mkdtemp(tmpl)) {
        std::fprintf(io.err, "fennel-cli: cannot make a directory for attachments\n");
        return kExitRefused;
      }
      saveDir = FromFsPath(tmpl);
    }
    if (!MakeDirs(saveDir)) {
      std::fprintf(io.err, "fennel-cli: cannot make %s\n", Cp932ToUtf8(saveDir).c_str());
      return kExitRefused;
    }
    std::string path = file_;
    std::string temp;
    if (HasBareLf(bytes)) {
      temp = JoinPath(saveDir, ".fennel-show.tmp");
      if (!WriteFileAtomic(temp, ToStoredForm(bytes))) {
        std::fprintf(io.err, "fennel-cli: cannot write to %s\n", Cp932ToUtf8(saveDir).c_str());
        return kExitRefused;
      }
      path = temp;
    }
    DecodedMessage m = DecodeMessageFile(path, saveDir, html_);
    if (!temp.empty()) RemoveFile(temp);
    PrintText(io.out, ToUnixLineEnds(html_ ? HtmlPageOfText(m) : TextViewLayout(m.text, m.attachments)));
    if (!m.attachments.empty() && m.attachments != "\r\n")
      std::fprintf(io.err, "attachments saved in %s\n", Cp932ToUtf8(saveDir).c_str());
    return kExitOk;
  }

 private:
  bool html_ = false;
  std::string saveDir_;
  std::string file_;
};

}  // namespace

std::unique_ptr<CliCommand> MakeShowCommand(const std::string& name) {
  if (name == "show") return std::make_unique<ShowCommand>();
  return nullptr;
}

}  // namespace fennel
