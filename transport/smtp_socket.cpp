#include "transport/smtp_socket.h"

#include <cstdio>
#include <cstdlib>

#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/folder_detail.h"

namespace fennel {
namespace {

// The longest message line the session sends; the file is written by the
// composer, whose lines are far shorter.
constexpr size_t kMaxTextLine = 20477;
// Lines are sent in blocks of about this size.
constexpr size_t kSendBlock = 256 * 1024;

}  // namespace

std::string SmtpEndText(int32_t code) {
  switch (code) {
    case CSmtpSocket::SMTP_END_OK: return "メールを送信しました。";
    case CSmtpSocket::SMTP_CONNECT_NG: return "[CONNECT_NG]メールを送信に失敗しました。";
    case CSmtpSocket::SMTP_HELO_NG: return "[HELO_NG]メールを送信に失敗しました。";
    case CSmtpSocket::SMTP_MAIL_NG: return "[MAIL_NG]メールを送信に失敗しました。";
    case CSmtpSocket::SMTP_REJECTED: return "[RCPT_NG]メールを送信に失敗しました。一度、メールの受信を行ってください。";
    case CSmtpSocket::SMTP_RCPT_DATA_NG: return "[RCPT_DATA_NG]メールを送信に失敗しました。";
    case CSmtpSocket::SMTP_DATA_NG: return "[DATA_NG]メールを送信に失敗しました。";
    case CSmtpSocket::SMTP_QUIT_NG: return "[QUIT_NG]メールを送信に失敗しました。";
    default: return "メールを送信に失敗しました。";
  }
}

CSmtpSocket::CSmtpSocket(CMailApp& app, EventLoop& loop, ChannelFactory channels)
    : app_(app), loop_(loop), channels_(std::move(channels)), silence_(loop, TIMER_SMTP_SILENT, [this] {
        if (owner_ && state_ != State::Ended && state_ != State::Idle) owner_->OnServerSilent();
      }) {
  if (!channels_) {
    channels_ = [this](LineSink& sink) {
      return std::unique_ptr<LineChannel>(new Connection(loop_, app_.prompter(), sink));
    };
  }
}

CSmtpSocket::~CSmtpSocket() {
  if (owner_) {
    loop_.KillTimer(owner_, TIMER_SMTP_TIMEOUT);
    loop_.KillTimer(owner_, TIMER_PROBE);
  }
}

bool CSmtpSocket::Start(SmtpOwner& owner, const ComposedMessage& message, const CMailDetail* record) {
  owner_ = &owner;
  message_ = message;
  nextRecipient_ = 0;
  refused_.clear();
  recordPath_ = record ? record->filePath : std::string();
  endCode_ = SMTP_END_NONE;
  const CUserInfo& u = app_.user();
  server_ = u.smtpServer;
  port_ = u.smtpPort;
  // 1.
  app_.transferIdle = false;
  // 2.
  if (!channel_) channel_ = channels_(*this);
  if (!channel_->Connect(server_, port_)) {
    app_.transferIdle = true;
    state_ = State::Ended;
    return false;
  }
  connected_ = true;
  // 3. The time-out bounds the phase up to the HELO reply; the probe
  // watches the rest.
  state_ = State::Greeting;
  const int32_t t = u.serverTimeout;
  const int64_t minute = app_.timeoutMinuteMs;
  const int64_t period = t > 0 ? int64_t{t} * minute : minute;
  loop_.SetTimer(owner_, TIMER_SMTP_TIMEOUT, period);
  loop_.SetTimer(owner_, TIMER_PROBE, period / 2);
  // A server that goes quiet after the logon (or stops taking the text) is
  // not left to hold the send: no byte either way for that long ends it.
  silence_.Start(period);
  // 4.
  owner_->ShowSendAnimation();
  return true;
}

void CSmtpSocket::Send(const std::string& command) {
  if (channel_ && connected_) channel_->Send(command);
}

void CSmtpSocket::Disconnect() {
  connected_ = false;
  if (channel_) channel_->Close();
}

void CSmtpSocket::Close() {
  if (state_ != State::Idle) state_ = State::Ended;
  silence_.Stop();
  if (owner_) {
    loop_.KillTimer(owner_, TIMER_SMTP_TIMEOUT);
    loop_.KillTimer(owner_, TIMER_PROBE);
  }
  Disconnect();
}

CSmtpSocket::EndCode CSmtpSocket::FailureCodeOfState() const {
  switch (state_) {
    case State::Greeting: return SMTP_CONNECT_NG;
    case State::Helo: return SMTP_HELO_NG;
    case State::MailFrom: return SMTP_MAIL_NG;
    case State::Rcpt:
    case State::Data: return SMTP_RCPT_DATA_NG;
    case State::Text:
    case State::EndOfData: return SMTP_DATA_NG;
    default: return SMTP_QUIT_NG;
  }
}

void CSmtpSocket::OnLine(const std::string& line, bool partial) {
  if (state_ == State::Ended || state_ == State::Idle) return;
  ++depth_;
  silence_.Touch();
  if (partial) {
    // A reply longer than the buffer: no server that means well sends one.
    Fail(FailureCodeOfState());
  } else if (!IsContinuation(line)) {
    const int cls = ReplyClass(line);
    if (state_ == State::Quit) {
      // Whatever the server says to QUIT, the run is over.
      EndRun();
    } else if (cls == 2) {
      Advance();
    } else if (cls == 3) {
      SendMessageText();
    } else if (cls == 5 && state_ == State::Rcpt) {
      // A refused recipient is passed over; the others still get the mail.
      refused_.push_back(currentRecipient_);
      Advance();
    } else if (cls == 5) {
      endCode_ = SMTP_REJECTED;
      Send("QUIT\r\n");
      state_ = State::Quit;
    } else {
      // A temporary failure (or no reply code at all): nothing more will
      // come of this run, so it ends now and the mail stays unsent.
      Fail(FailureCodeOfState());
    }
  }
  --depth_;
}

void CSmtpSocket::OnClosed() {
  if (state_ == State::Ended || state_ == State::Idle) return;
  ++depth_;
  connected_ = false;
  if (state_ == State::Quit)
    EndRun();
  else
    Fail(FailureCodeOfState());
  --depth_;
}

void CSmtpSocket::Advance() {
  switch (state_) {
    case State::Greeting:
      Send("HELO " + app_.user().smtpServer + "\r\n");
      state_ = State::Helo;
      return;
    case State::Helo:
      Send("MAIL FROM:<" + app_.user().mailAddress + ">\r\n");
      loop_.KillTimer(owner_, TIMER_SMTP_TIMEOUT);
      state_ = State::MailFrom;
      return;
    case State::MailFrom: {
      state_ = State::Rcpt;
      const std::string first = message_.recipients.empty() ? std::string() : message_.recipients[0];
      nextRecipient_ = 1;
      currentRecipient_ = TrimCp932Space(first);
      Send("RCPT TO:<" + currentRecipient_ + ">\r\n");
      return;
    }
    case State::Rcpt:
      return SendRecipientOrData();
    case State::EndOfData:
      FileAsSent();
      endCode_ = SMTP_END_OK;
      Send("QUIT\r\n");
      state_ = State::Quit;
      return;
    default:
      return;  // a stray positive reply: nothing to do
  }
}

void CSmtpSocket::SendRecipientOrData() {
  while (nextRecipient_ < message_.recipients.size()) {
    std::string next = TrimCp932Space(message_.recipients[nextRecipient_++]);
    if (next.empty()) break;
    currentRecipient_ = next;
    Send("RCPT TO:<" + currentRecipient_ + ">\r\n");
    return;
  }
  nextRecipient_ = message_.recipients.size();
  Send("DATA\r\n");
  state_ = State::Data;
}

void CSmtpSocket::SendMessageText() {
  state_ = State::Text;
  FILE* f = fopen(ToFsPath(message_.path).c_str(), "rb");
  if (!f) return Fail(SMTP_DATA_NG);
  std::string block;
  block.reserve(kSendBlock + kMaxTextLine + 8);
  char* line = nullptr;
  size_t cap = 0;
  ssize_t n;
  bool ok = true;
  while ((n = getline(&line, &cap, f)) >= 0) {
    size_t len = static_cast<size_t>(n);
    if (len > 0 && line[len - 1] == '\n') --len;
    if (len > 0 && line[len - 1] == '\r') --len;
    if (len > kMaxTextLine) {
      ok = false;
      break;
    }
    if (len > 0 && line[0] == '.') block += '.';
    const size_t at = block.size();
    block.append(line, len);
    for (size_t i = at; i < block.size(); ++i) block[i] = static_cast<char>(block[i] & 0x7F);
    block += "\r\n";
    if (block.size() >= kSendBlock) {
      Send(block);
      block.clear();
      // The window may have given up on the server meanwhile.
      if (!connected_ || state_ != State::Text) break;
    }
  }
  free(line);
  fclose(f);
  if (state_ != State::Text) return;  // ended while a block was going out
  if (!ok || !connected_) return Fail(SMTP_DATA_NG);
  block += ".\r\n";
  Send(block);
  if (state_ == State::Text) state_ = State::EndOfData;
}

void CSmtpSocket::FileAsSent() {
  CListInfo& store = app_.user().store;
  CFolderDetail* unsent = store.FindFolder(kUnsentFolder);
  CMailDetail* record = unsent && !recordPath_.empty() ? unsent->FindLiveMailByPath(recordPath_) : nullptr;
  if (!record) return;  // the user removed it meanwhile: nothing to file
  CFolderDetail* sent = store.FolderOrCreate(kSentFolder);
  record->state = CMailDetail::kRead;
  if (CMailDetail* moved = store.MoveMail(record, sent)) moved->state = CMailDetail::kRead;
  // The mail is sent: the index on disk must say so before anything else.
  app_.SaveUserRecord();
}

void CSmtpSocket::Fail(EndCode code) {
  // In the middle of the text a QUIT would be text: the connection is
  // simply closed, and the server drops the mail.
  if (state_ != State::Text && connected_) Send("QUIT\r\n");
  endCode_ = code;
  EndRun();
}

void CSmtpSocket::EndRun() {
  state_ = State::Ended;
  silence_.Stop();
  loop_.KillTimer(owner_, TIMER_SMTP_TIMEOUT);
  loop_.KillTimer(owner_, TIMER_PROBE);
  app_.transferIdle = true;
  Disconnect();
  owner_->SendMessage(WM_SMTP_DONE, 0, endCode_);
}

}  // namespace fennel
