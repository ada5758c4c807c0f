// The mail window in compose mode, without its window: the fields of the
// form, storing a mail for later (or as a template), sending it now through
// the POP logon, the composer and the SMTP session, and what the window
// does with the result. The window layer renders it and feeds it commands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "store/composed_mail.h"
#include "transport/animation.h"
#include "transport/smtp_socket.h"

namespace fennel {

// Command ids of the mail window.
enum : unsigned {
  ID_MAIL_SEND = 32775,
  ID_MAIL_SEND_LATER = 32782,
};

// What the presenter asks of its window.
class EditorHost {
 public:
  virtual ~EditorHost() = default;
  // Closes the mail window. The presenter may still be on the stack: the
  // window goes once the current message has been handled, never at once.
  virtual void CloseEditor() = 0;
  // Every mailbox window shows the store afresh.
  virtual void RefreshMailboxes() = 0;
  // The transfer animation's drawing (null: none).
  virtual AnimationView* animationView() { return nullptr; }
};

inline constexpr const char* kCannotSendNow = "メールが送信できません。設定を見直すか、すこししてから、再送信してください。";
inline constexpr const char* kCannotSendCaption = "メールを送れません！";
inline constexpr const char* kNoRecipient = "メールの宛先フィールドに入力してください。";
inline constexpr const char* kSaveForLaterQuestion = "後で一括送信するために、未送信フォルダへメールを保存します。";
inline constexpr const char* kSmtpNoResponse = "メールサーバーからの応答がありません。";
inline constexpr const char* kRefusedRecipients = "次の宛先には送信できませんでした：";
inline constexpr const char* kDefaultReceiptText = "確かに受信を確認しました。";

class CMailEditor : public SmtpOwner {
 public:
  // How the last send went (for the command line and tests).
  enum class SendState { None, WaitingForLogon, Sending, Done, Stopped };

  // mainFrame takes WM_POPAUTH_REQUEST and WM_SEND_NEXT.
  CMailEditor(CMailApp& app, EventLoop& loop, Window& mainFrame, EditorHost& host, ChannelFactory channels = {});
  ~CMailEditor() override;

  // Opens a stored composed mail: its fields come into the form, which
  // stays in compose mode. False (with a box) when it cannot be read.
  bool OpenComposed(const std::string& path);

  // The form.
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string body;  // CR LF line ends
  std::vector<std::string> attachments;
  std::string replyTo;
  std::string inReplyTo;
  std::string references;
  bool receiptRequest = false;
  bool templateFlag = false;
  bool scramble = false;
  int64_t date = 0;

  bool clean = false;  // saved or handed to sending
  bool dirty = false;  // changed in a way the edit fields do not track

  // '▲送信' is enabled while this holds.
  bool CanSendNow() const;
  // 32775, button 1011, WM_SEND_NOW.
  void SendNow();
  // 32782, Ctrl+S, button 1013: asks first. True when the mail was stored.
  bool SaveForLater();
  // The receipt notice for a received mail: filled in and sent at once.
  void SendReceipt(const std::string& receivedFrom, const std::string& receivedSubject);
  // 32817 '設定を書き込む': the settings report (no password) appended to
  // the body.
  void InsertSettingsReport();
  // Closing the window: whether to ask "メールを保存しますか？", given
  // whether any of the edit fields was modified.
  bool ShouldAskToSave(bool fieldsModified) const;

  intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void OnTimer(unsigned id) override;
  void OnServerSilent() override { HandleNoResponse(); }
  void ShowSendAnimation() override;

  SendState sendState() const { return sendState_; }
  // A send asked for and not ended yet (waiting for the logon or running).
  bool sendPending() const { return sendState_ == SendState::WaitingForLogon || sendState_ == SendState::Sending; }
  int32_t lastEndCode() const { return lastEndCode_; }
  const std::vector<std::string>& lastRefused() const { return lastRefused_; }
  // The file this document was opened from (empty for a new mail).
  const std::string& documentPath() const { return documentPath_; }
  CSmtpSocket* session() { return session_.get(); }

 private:
  void OnPopAuthDone(uintptr_t stop);
  void OnSmtpDone(int32_t code);
  void HandleNoResponse();
  // The box for a mail that cannot be sent; false when something is wrong.
  bool Validate();
  // Copies the attachments into the mail directory; the list then names
  // the copies (and the body refers to them).
  void CopyAttachments();
  // Every attachment path followed by CR LF, as the mail record keeps them.
  std::string AttachmentText() const;
  ComposedMail FormAsFile() const;
  // Stores one record in folder with the form's file; false with a box.
  bool StoreRecord(CMailDetail& record);
  void Stop();
  // Drops sessions no step runs in any more.
  void DropRetired();

  CMailApp& app_;
  EventLoop& loop_;
  Window& mainFrame_;
  EditorHost& host_;
  ChannelFactory channels_;
  AnimationWindow animation_;
  std::unique_ptr<CSmtpSocket> session_;
  std::vector<std::unique_ptr<CSmtpSocket>> retired_;
  std::string documentPath_;
  SendState sendState_ = SendState::None;
  int32_t lastEndCode_ = 0;
  std::vector<std::string> lastRefused_;
};

// The bare address of a From text: after the first "<", before the first ">".
std::string BareAddress(const std::string& from);

}  // namespace fennel
