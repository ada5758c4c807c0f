#include "ui/editor/mail_editor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/settings_report.h"
#include "message/composer.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/folder_detail.h"
#include "store/sorting.h"
#include "store/store_file_name.h"
#include "transport/send_driver.h"

namespace fennel {
namespace {

// Opens a file for reading; errno on failure, 0 when it opened. A
// directory opens, but is no file to attach.
int TryOpen(const std::string& path) {
  int fd = open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == 0 ? EIO : errno;
  struct stat st;
  int err = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  close(fd);
  return err;
}

}  // namespace

std::string BareAddress(const std::string& from) {
  std::string a = from;
  size_t lt = a.find('<');
  if (lt != std::string::npos) a = a.substr(lt + 1);
  size_t gt = a.find('>');
  if (gt != std::string::npos) a = a.substr(0, gt);
  return a;
}

CMailEditor::CMailEditor(CMailApp& app, EventLoop& loop, Window& mainFrame, EditorHost& host, ChannelFactory channels)
    : app_(app),
      loop_(loop),
      mainFrame_(mainFrame),
      host_(host),
      channels_(std::move(channels)),
      animation_(loop, app.prompter(), host.animationView()) {
  date = CurrentClock().Now();
}

CMailEditor::~CMailEditor() {
  loop_.KillTimers(this);
  if (auto* sender = dynamic_cast<CSendDriver*>(&mainFrame_)) sender->Forget(this);
  if (session_ && sendState_ == SendState::Sending) {
    // The window goes while its mail is on the way: the run is dropped and
    // the mail stays unsent.
    session_->Close();
    app_.transferIdle = true;
  }
}

bool CMailEditor::OpenComposed(const std::string& path) {
  ComposedMail m;
  if (!LoadComposedMail(path, m)) {
    app_.prompter().Show("メール " + path + " を開けませんでした。", MbIcon::Stop);
    return false;
  }
  attachments = m.attachments;
  bcc = m.bcc;
  cc = m.cc;
  subject = m.subject;
  to = m.to;
  body = m.body;
  inReplyTo = m.inReplyTo;
  references = m.references;
  date = m.date;
  receiptRequest = m.receiptRequest != 0;
  templateFlag = m.templateFlag != 0;
  replyTo = m.replyTo;
  scramble = m.scramble != 0;
  documentPath_ = path;
  return true;
}

bool CMailEditor::CanSendNow() const { return SendConditionsHold(app_); }

void CMailEditor::SendNow() {
  // 1. Pre-check, then the main frame decides about the POP logon.
  if (!CanSendNow()) {
    app_.prompter().Show(kCannotSendNow);
    return;
  }
  sendState_ = SendState::WaitingForLogon;
  mainFrame_.SendMessage(WM_POPAUTH_REQUEST, reinterpret_cast<uintptr_t>(static_cast<Window*>(this)), 0);
}

void CMailEditor::SendReceipt(const std::string& receivedFrom, const std::string& receivedSubject) {
  to = BareAddress(receivedFrom);
  cc.clear();
  bcc.clear();
  subject = "受信確認：" + receivedSubject;
  attachments.clear();
  const std::string& text = app_.user().receiptText;
  body = text.empty() ? kDefaultReceiptText : text;
  receiptRequest = false;
  templateFlag = false;
  scramble = false;
  SendNow();
}

void CMailEditor::InsertSettingsReport() { body += SettingsReportForMail(app_); }

bool CMailEditor::ShouldAskToSave(bool fieldsModified) const {
  if (!clean) return fieldsModified || dirty;
  return dirty;
}

intptr_t CMailEditor::SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_SEND_NOW:
      SendNow();
      return 0;
    case WM_POPAUTH_DONE:
      OnPopAuthDone(wParam);
      return 0;
    case WM_SMTP_DONE:
      OnSmtpDone(static_cast<int32_t>(lParam));
      return 0;
    default:
      return 0;
  }
}

bool CMailEditor::Validate() {
  if (to.empty() && cc.empty() && bcc.empty()) {
    app_.prompter().Show(kNoRecipient, kCannotSendCaption, MbIcon::Stop, MbButtons::Ok);
    return false;
  }
  for (const std::string& path : attachments) {
    int err = TryOpen(path);
    if (err != 0) {
      int again = TryOpen(JoinPath(app_.user().mailDir, path));
      if (again == 0) continue;
      if (again != ENOENT) err = again;
    }
    if (err == 0) continue;
    const char* text = err == ENOENT ? "添付ファイルが見つかりません。"
                       : (err == EMFILE || err == ENFILE) ? "これ以上ファイルが開けません。"
                                                          : "添付ファイルが開けません。";
    app_.prompter().Show(text, kCannotSendCaption, MbIcon::Stop, MbButtons::Ok);
    return false;
  }
  return true;
}

void CMailEditor::CopyAttachments() {
  const std::string& dir = app_.user().mailDir;
  std::string ownDir;  // for names already taken by other files
  for (std::string& path : attachments) {
    std::string final;
    if (TryOpen(path) != 0) {
      final = JoinPath(dir, path);
    } else if (path.rfind(dir + "/", 0) == 0) {
      final = path;  // copied by an earlier store of this mail
    } else {
      final = JoinPath(dir, FileNameOfPath(path));
      // A different file of that name (an earlier mail's attachment, a
      // message file) is never overwritten: this copy goes into a
      // directory of its own, under its own name.
      if (!SamePath(path, final) && FileExists(final) && !SameFileBytes(path, final)) {
        if (ownDir.empty()) {
          std::string stem = MakeStoreFileName(dir, "ATT");
          ownDir = JoinPath(dir, stem.substr(0, stem.size() - 4));
          MakeDirs(ownDir);
        }
        final = JoinPath(ownDir, FileNameOfPath(path));
      }
      if (!CopyFileOver(path, final)) {
        // Sent from where it is; the stored mail keeps naming it there.
        final = path;
      } else if (final != path) {
        ReplaceAll(body, path, final);
      }
    }
    path = final;
  }
}

std::string CMailEditor::AttachmentText() const {
  std::string text;
  for (const std::string& p : attachments) text += p + "\r\n";
  return text;
}

ComposedMail CMailEditor::FormAsFile() const {
  ComposedMail m;
  m.attachments = attachments;
  m.bcc = bcc;
  m.cc = cc;
  m.subject = subject;
  m.to = to;
  m.body = body;
  m.inReplyTo = inReplyTo;
  m.references = references;
  m.date = date;
  m.receiptRequest = receiptRequest;
  m.templateFlag = templateFlag;
  m.replyTo = replyTo;
  m.scramble = scramble;
  return m;
}

void CMailEditor::Stop() {
  dirty = true;
  sendState_ = SendState::Stopped;
}

void CMailEditor::OnPopAuthDone(uintptr_t stop) {
  if (sendState_ != SendState::WaitingForLogon) return;  // not asked by this window
  // 2.
  if (stop != 0) return Stop();
  // 3.
  if (!Validate()) {
    sendState_ = SendState::Stopped;
    return;
  }
  // 4.
  clean = true;
  dirty = false;
  CUserInfo& u = app_.user();
  CListInfo& store = u.store;
  CFolderDetail* unsent = store.FolderOrCreate(kUnsentFolder);
  CMailDetail* record = documentPath_.empty() ? nullptr : unsent->FindLiveMailByPath(documentPath_);
  const bool created = record == nullptr;
  if (created) {
    auto fresh = std::make_unique<CMailDetail>();
    fresh->state = CMailDetail::kComposed;
    record = unsent->AddMail(std::move(fresh));
    host_.RefreshMailboxes();
  }
  // 5. A fresh file every time.
  const std::string name = MakeStoreFileName(u.mailDir, "SND");
  if (name.empty()) {
    app_.prompter().Show("メールディレクトリ " + u.mailDir + " にメールを保存できませんでした。", MbIcon::Stop);
    if (created) unsent->TakeMail(record);
    return Stop();
  }
  const std::string oldPath = record->filePath;
  date = CurrentClock().Now();
  // 7 (before the file is written, so the stored mail names the copies).
  CopyAttachments();
  store.SetFilePath(record, JoinPath(u.mailDir, name));
  record->from = to;
  record->subject = subject;
  record->date = date;
  record->inReplyTo = inReplyTo;
  record->references = references;
  record->bodyText = body;
  record->scrambleFlag = scramble;
  record->receiptRequest = receiptRequest;
  record->templateFlag = templateFlag;
  record->attachFlag = attachments.empty() ? 0 : CMailDetail::kAttachmentMark;
  record->attachmentPaths = AttachmentText();
  // 6.
  if (!SaveComposedMail(record->filePath, FormAsFile())) {
    app_.prompter().Show("メール " + record->filePath + " を保存できませんでした。", MbIcon::Stop);
    if (created)
      unsent->TakeMail(record);
    else
      store.SetFilePath(record, oldPath);
    return Stop();
  }
  documentPath_ = record->filePath;
  // 8.
  ComposeInput in;
  in.to = to;
  in.cc = cc;
  in.bcc = bcc;
  in.subject = subject;
  in.body = body;
  in.attachments = attachments;
  in.replyTo = replyTo;
  in.inReplyTo = inReplyTo;
  in.references = references;
  in.receiptRequest = receiptRequest;
  in.scramble = scramble;
  in.userId = u.userId;
  in.userName = u.fullName;
  in.mailAddress = u.mailAddress;
  in.popAccount = u.account;
  in.smtpServer = u.smtpServer;
  in.mailDir = u.mailDir;
  in.nicknameAddress = [&store](const std::string& nick) -> std::optional<std::string> {
    if (const CAddressDetail* a = store.FindByNickname(nick)) return a->mailAddress;
    return std::nullopt;
  };
  ComposedMessage composed = ComposeMessage(in);
  if (!composed.ok) {
    app_.prompter().Show("送信するメールを " + composed.path + " に書き込めませんでした。", MbIcon::Stop);
    app_.SaveUserRecord();
    return Stop();
  }
  store.SetMessageId(record, composed.messageId);
  // The mail is in "未送信フォルダ" now: so is it in the index on disk.
  app_.SaveUserRecord();
  DropRetired();
  if (session_) retired_.push_back(std::move(session_));
  session_ = std::make_unique<CSmtpSocket>(app_, loop_, channels_);
  sendState_ = SendState::Sending;
  if (!session_->Start(*this, composed, record)) Stop();
}

void CMailEditor::ShowSendAnimation() {
  animation_.Show(AnimationWindow::kSend, 0, "", app_.profile().Animation(app_.user().userId));
}

void CMailEditor::OnSmtpDone(int32_t code) {
  if (sendState_ != SendState::Sending) return;
  sendState_ = SendState::Done;
  lastEndCode_ = code;
  lastRefused_ = session_ ? session_->refused() : std::vector<std::string>();
  animation_.Close();
  if (code == CSmtpSocket::SMTP_END_OK) {
    if (!app_.batchSend) app_.prompter().Show(SmtpEndText(code), MbIcon::Information);
  } else {
    dirty = true;
    app_.prompter().Show(SmtpEndText(code), MbIcon::Stop);
  }
  if (!lastRefused_.empty()) {
    std::string text = kRefusedRecipients;
    for (const std::string& r : lastRefused_) text += "\r\n" + r;
    app_.prompter().Show(text, MbIcon::Exclamation);
  }
  mainFrame_.SendMessage(WM_SEND_NEXT, 0, 0);
  host_.CloseEditor();
  host_.RefreshMailboxes();
}

void CMailEditor::HandleNoResponse() {
  loop_.KillTimer(this, TIMER_SMTP_TIMEOUT);
  loop_.KillTimer(this, TIMER_PROBE);
  if (session_) session_->Close();
  animation_.Close();
  app_.prompter().Show(kSmtpNoResponse, MbIcon::Exclamation);
  app_.transferIdle = true;
  Stop();
}

void CMailEditor::OnTimer(unsigned id) {
  DropRetired();
  if (id == TIMER_SMTP_TIMEOUT) {
    loop_.KillTimer(this, TIMER_SMTP_TIMEOUT);
    HandleNoResponse();
  } else if (id == TIMER_PROBE) {
    if (app_.transferIdle || !session_ || sendState_ != SendState::Sending) {
      loop_.KillTimer(this, TIMER_PROBE);
      return;
    }
    if (!ProbeServer(loop_, app_.prompter(), session_->server(), session_->port())) HandleNoResponse();
  }
}

void CMailEditor::DropRetired() {
  std::erase_if(retired_, [](const auto& s) { return !s->inStep(); });
}

bool CMailEditor::StoreRecord(CMailDetail& record) {
  const std::string& dir = app_.user().mailDir;
  const std::string name = MakeStoreFileName(dir, "SND");
  if (!name.empty()) {
    record.filePath = JoinPath(dir, name);
    ComposedMail m = FormAsFile();
    m.to = record.templateFlag ? to : record.from;
    m.body = record.bodyText;
    m.inReplyTo = record.inReplyTo;
    m.references = record.references;
    m.templateFlag = record.templateFlag;
    if (SaveComposedMail(record.filePath, m)) return true;
  }
  app_.prompter().Show("メールディレクトリ " + dir + " にメールを保存できませんでした。", MbIcon::Stop);
  return false;
}

bool CMailEditor::SaveForLater() {
  // 1.
  if (app_.prompter().Show(kSaveForLaterQuestion, MbIcon::Exclamation, MbButtons::OkCancel) != MbAnswer::Ok)
    return false;
  // 2.
  dirty = false;
  clean = true;
  CListInfo& store = app_.user().store;
  const std::string toAsEntered = to;
  const std::string inReplyToAsEntered = inReplyTo;
  const std::string referencesAsEntered = references;
  // 3.
  CFolderDetail* target = store.FolderOrCreate(templateFlag ? kTemplateFolder : kUnsentFolder);
  // 4.
  if (templateFlag) {
    to.clear();
    inReplyTo.clear();
    references.clear();
  }
  date = CurrentClock().Now();
  CopyAttachments();
  const std::string attachmentText = AttachmentText();
  auto makeRecord = [&](const std::string& from, bool isTemplate, const std::string& text, const std::string& irt,
                        const std::string& refs) {
    auto r = std::make_unique<CMailDetail>();
    r->state = CMailDetail::kComposed;
    r->date = date;
    r->attachFlag = attachments.empty() ? 0 : CMailDetail::kAttachmentMark;
    r->attachmentPaths = attachmentText;
    r->from = from;
    r->inReplyTo = irt;
    r->references = refs;
    r->templateFlag = isTemplate ? 1 : 0;
    r->subject = subject;
    r->bodyText = text;
    r->receiptRequest = receiptRequest;
    r->scrambleFlag = scramble;
    return r;
  };
  bool ok = true;
  {
    // A template's To, In-Reply-To and References were cleared above.
    auto first = makeRecord(to, templateFlag, body, inReplyTo, references);
    if (StoreRecord(*first)) {
      documentPath_ = first->filePath;
      target->AddMail(std::move(first));
    } else {
      ok = false;
    }
  }
  // 5. A template with recipients: one unsent mail for each of them.
  if (ok && templateFlag && !toAsEntered.empty()) {
    CFolderDetail* unsent = store.FolderOrCreate(kUnsentFolder);
    for (const std::string& item : SplitKeywords(toAsEntered)) {
      const std::string address = TrimCp932Space(item);
      if (address.empty()) continue;
      const CAddressDetail* entry = store.FindByAddress(address);
      if (!entry) entry = store.FindByNickname(address);
      const std::string text = entry ? entry->memo + "\r\n" + body : body;
      auto r = makeRecord(address, false, text, inReplyToAsEntered, referencesAsEntered);
      if (!StoreRecord(*r)) {
        ok = false;
        break;
      }
      unsent->AddMail(std::move(r));
    }
  }
  if (!ok) dirty = true;
  app_.SaveUserRecord();
  host_.RefreshMailboxes();
  return ok;
}

}  // namespace fennel
