// The SMTP session: hands one composed message to the server (greeting,
// HELO, MAIL FROM, one RCPT TO per recipient, DATA, the text with
// dot-stuffing, the end of data, QUIT) and files the mail as sent once the
// server has accepted it. The end goes to the mail window that asked for
// the send, with a code that picks the box shown.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "message/composer.h"
#include "platform/event_loop.h"
#include "platform/window.h"
#include "transport/connection.h"
#include "transport/pop_socket.h"
#include "transport/silence_watch.h"

namespace fennel {

// The window that asked for the send: it takes WM_SMTP_DONE and the timers
// TIMER_SMTP_TIMEOUT and TIMER_PROBE.
class SmtpOwner : public Window {
 public:
  // The transfer animation in send mode over the window.
  virtual void ShowSendAnimation() = 0;
  // No byte came from the server, and it took none, for the time-out.
  virtual void OnServerSilent() = 0;
};

class CSmtpSocket : public LineSink {
 public:
  enum EndCode : int32_t {
    SMTP_END_NONE = 0,
    SMTP_END_OK = 7,
    SMTP_CONNECT_NG = 11,
    SMTP_HELO_NG = 12,
    SMTP_MAIL_NG = 13,
    SMTP_REJECTED = 14,
    SMTP_RCPT_DATA_NG = 15,
    SMTP_DATA_NG = 16,
    SMTP_QUIT_NG = 17,
  };
  // Text: the message text is going out (after the reply to DATA).
  enum class State { Idle = 0, Greeting, Helo, MailFrom, Rcpt, Data, Text, EndOfData, Quit, Ended };

  CSmtpSocket(CMailApp& app, EventLoop& loop, ChannelFactory channels = {});
  ~CSmtpSocket() override;

  // Connects to the server of the settings. False (and idle again) when it
  // cannot; the connection error box has then been shown. The record is
  // the mail's entry in "未送信フォルダ", found again by its file when the
  // server has taken the mail.
  bool Start(SmtpOwner& owner, const ComposedMessage& message, const CMailDetail* record);

  void OnLine(const std::string& line, bool partial) override;
  void Step(const std::string& line) { OnLine(line, false); }
  void OnClosed() override;
  void OnActivity() override { silence_.Touch(); }
  // Closes the connection and drops the run without a report (the owner's
  // no-response handling).
  void Close();

  State state() const { return state_; }
  EndCode endCode() const { return endCode_; }
  // The recipients the server refused, in the order sent.
  const std::vector<std::string>& refused() const { return refused_; }
  const std::string& server() const { return server_; }
  int port() const { return port_; }
  // True while one of its steps runs (it must not be destroyed then).
  bool inStep() const { return depth_ > 0; }

 private:
  void Send(const std::string& command);
  void Disconnect();
  void Advance();
  void SendRecipientOrData();
  void SendMessageText();
  void FileAsSent();
  // Ends the run at once: no more commands, the connection closed.
  void Fail(EndCode code);
  void EndRun();
  EndCode FailureCodeOfState() const;

  CMailApp& app_;
  EventLoop& loop_;
  ChannelFactory channels_;
  std::unique_ptr<LineChannel> channel_;
  SmtpOwner* owner_ = nullptr;

  ComposedMessage message_;
  size_t nextRecipient_ = 0;
  std::string currentRecipient_;
  std::string recordPath_;
  State state_ = State::Idle;
  EndCode endCode_ = SMTP_END_NONE;
  std::vector<std::string> refused_;
  std::string server_;
  int port_ = 0;
  bool connected_ = false;
  int depth_ = 0;
  SilenceWatch silence_;
};

// The end box text of an end code.
std::string SmtpEndText(int32_t code);

}  // namespace fennel
