// send, save, send-unsent: writing mail from the command line. The mail
// goes through the same mail-window logic as in the window program: stored
// in "未送信フォルダ" (or "テンプレート"), composed, and sent through the
// POP logon when that is switched on. Boxes are printed to standard error;
// a failed POP logon is answered OK, which stops the send.
#include <algorithm>
#include <list>

#include "cli/cli_command.h"
#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "transport/receive_driver.h"
#include "transport/send_driver.h"
#include "ui/editor/mail_editor.h"

namespace fennel {
namespace {

// The main frame's sending part and the mail windows it opens, without
// windows. A closed mail window goes once the loop is back at the top.
class SendRig : public SendHost {
 public:
  explicit SendRig(CMailApp& app)
      : app_(app), animation_(loop, app.prompter()), receive_(app, loop, receiveHost_, animation_),
        sender(app, receive_, *this) {
    app.popAuth = app.profile().PopAuth(app.user().userId);
  }
  ~SendRig() override { editors_.clear(); }

  class Slot : public EditorHost {
   public:
    Slot(SendRig& rig) : rig_(rig), editor(rig.app_, rig.loop, rig.sender, *this) {}
    void CloseEditor() override {
      rig_.finished_.push_back(editor.sendState() == CMailEditor::SendState::Done &&
                               editor.lastEndCode() == CSmtpSocket::SMTP_END_OK);
      rig_.loop.Post([rig = &rig_, self = this] {
        rig->editors_.remove_if([self](const auto& e) { return e.get() == self; });
      });
    }
    void RefreshMailboxes() override {}

   private:
    SendRig& rig_;

   public:
    CMailEditor editor;
  };

  CMailEditor& NewEditor() {
    editors_.push_back(std::make_unique<Slot>(*this));
    return editors_.back()->editor;
  }
  Window* OpenStoredMail(const std::string& path) override {
    auto slot = std::make_unique<Slot>(*this);
    if (!slot->editor.OpenComposed(path)) {
      finished_.push_back(false);
      return nullptr;
    }
    editors_.push_back(std::move(slot));
    return &editors_.back()->editor;
  }

  // Until no transfer runs and no mail window waits for one. The sessions
  // end by themselves (time-out and probe guard a silent server); the bound
  // only keeps a broken run from hanging a script.
  bool RunToTheEnd() {
    const int64_t bound = (int64_t{std::max(app_.user().serverTimeout, 1)} * 60000) * 4 + 60000;
    return loop.RunUntil(
        [this] {
          if (!app_.transferIdle) return false;
          return std::none_of(editors_.begin(), editors_.end(), [](const auto& e) { return e->editor.sendPending(); });
        },
        bound);
  }
  // Mail windows that ended their send, and how many of them succeeded.
  size_t finishedCount() const { return finished_.size(); }
  size_t sentCount() const { return static_cast<size_t>(std::count(finished_.begin(), finished_.end(), true)); }

  PollEventLoop loop;

 private:
  CMailApp& app_;
  NullReceiveHost receiveHost_;
  AnimationWindow animation_;
  CReceiveDriver receive_;

 public:
  CSendDriver sender;

 private:
  std::list<std::unique_ptr<Slot>> editors_;
  std::vector<bool> finished_;
};

const char* kNoSmtpSettings =
    "送信の設定がありません。smtp_server, smtp_port, mail_address, mail_dir を設定してください。\n";

// The fields of a mail, as given on the command line (UTF-8).
class MailCommand : public CliCommand {
 public:
  explicit MailCommand(bool save) : save_(save) {}

  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      auto value = [&](std::string& into) {
        if (i + 1 >= args.size()) {
          error = a + " needs a value";
          return false;
        }
        into = args[++i];
        return true;
      };
      std::string v;
      if (a == "--to" || a == "--cc" || a == "--bcc") {
        if (!value(v)) return false;
        std::string& field = a == "--to" ? to_ : a == "--cc" ? cc_ : bcc_;
        field += (field.empty() ? "" : ",") + Utf8ToCp932(v);
      } else if (a == "--subject") {
        if (!value(v)) return false;
        subject_ = Utf8ToCp932(v);
      } else if (a == "--body-file") {
        if (!value(bodyFile_)) return false;
      } else if (a == "--attach") {
        if (!value(v)) return false;
        attachments_.push_back(AbsolutePath(FromFsPath(v)));
      } else if (a == "--reply-to") {
        if (!value(v)) return false;
        replyTo_ = Utf8ToCp932(v);
      } else if (a == "--in-reply-to") {
        if (!value(v)) return false;
        inReplyTo_ = Utf8ToCp932(v);
      } else if (a == "--receipt") {
        receipt_ = true;
      } else if (a == "--scramble") {
        scramble_ = true;
      } else if (a == "--template" && save_) {
        template_ = true;
      } else {
        error = std::string(save_ ? "save" : "send") +
                " takes --to, --cc, --bcc, --subject, --body-file, --attach, --reply-to, --in-reply-to, "
                "--receipt, --scramble" +
                (save_ ? ", --template" : "");
        return false;
      }
    }
    return true;
  }

  int Run(CMailApp* app, const CliIo& io) override {
    std::string body;
    if (!bodyFile_.empty()) {
      std::string raw;
      if (!ReadWholeFile(FromFsPath(bodyFile_), raw)) {
        PrintText(io.err, "本文のファイル " + FromFsPath(bodyFile_) + " を読めませんでした。\n");
        return kExitRefused;
      }
      // UTF-8 with any line ends: the mail window holds CP932 with CR LF.
      ReplaceAll(raw, "\r\n", "\n");
      ReplaceAll(raw, "\r", "\n");
      body = Utf8ToCp932(raw);
      ReplaceAll(body, "\n", "\r\n");
    }
    if (app->user().mailDir.empty() || !DirExists(app->user().mailDir)) {
      PrintText(io.err, "メールディレクトリがありません。mail_dir を設定してください。\n");
      return kExitRefused;
    }
    SendRig rig(*app);
    CMailEditor& editor = rig.NewEditor();
    editor.to = to_;
    editor.cc = cc_;
    editor.bcc = bcc_;
    editor.subject = subject_;
    editor.body = body;
    editor.attachments = attachments_;
    editor.replyTo = replyTo_;
    editor.inReplyTo = inReplyTo_;
    editor.receiptRequest = receipt_;
    editor.scramble = scramble_;
    editor.templateFlag = template_;
    if (save_) {
      if (!editor.SaveForLater()) return kExitRefused;
      PrintText(io.out, editor.documentPath() + "\n");
      return kExitOk;
    }
    if (!editor.CanSendNow()) {
      PrintText(io.err, kNoSmtpSettings);
      return kExitRefused;
    }
    editor.SendNow();
    if (!rig.RunToTheEnd()) {
      PrintText(io.err, "送信が終わりませんでした。\n");
      return kExitRefused;
    }
    return rig.sentCount() == 1 ? kExitOk : kExitRefused;
  }

 private:
  bool save_;
  std::string to_, cc_, bcc_, subject_, bodyFile_, replyTo_, inReplyTo_;
  std::vector<std::string> attachments_;
  bool receipt_ = false;
  bool scramble_ = false;
  bool template_ = false;
};

class SendUnsentCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    if (!args.empty()) error = "send-unsent takes no arguments";
    return args.empty();
  }

  int Run(CMailApp* app, const CliIo& io) override {
    SendRig rig(*app);
    if (!SendConditionsHold(*app)) {
      PrintText(io.err, kNoSmtpSettings);
      return kExitRefused;
    }
    if (!rig.sender.CanBatchSend()) {
      PrintText(io.out, "未送信フォルダにメールがありません。\n");
      return kExitOk;
    }
    rig.sender.StartBatch();
    if (!rig.RunToTheEnd()) {
      PrintText(io.err, "送信が終わりませんでした。\n");
      return kExitRefused;
    }
    const size_t sent = rig.sentCount();
    const size_t failed = rig.finishedCount() - sent;
    PrintText(io.out, "送信しました：" + std::to_string(sent) + "通　失敗：" + std::to_string(failed) + "通\n");
    // A batch that stopped on the way leaves mail behind.
    const CFolderDetail* unsent = app->user().store.FindFolder(kUnsentFolder);
    size_t left = 0;
    if (unsent)
      for (const auto& m : unsent->mails) left += m->state == CMailDetail::kComposed;
    if (left > 0) PrintText(io.out, "未送信フォルダに残ったメール：" + std::to_string(left) + "通\n");
    return failed == 0 && left == 0 ? kExitOk : kExitRefused;
  }
};

}  // namespace

std::unique_ptr<CliCommand> MakeSendCommand(const std::string& name) {
  if (name == "send") return std::make_unique<MailCommand>(false);
  if (name == "save") return std::make_unique<MailCommand>(true);
  if (name == "send-unsent") return std::make_unique<SendUnsentCommand>();
  return nullptr;
}

}  // namespace fennel
