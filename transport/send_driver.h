// Sending, as the main frame drives it: the POP logon a server may want
// before it takes mail, passed between the mail window that asked and the
// POP3 session, and the batch send of "未送信フォルダ", one mail window at a
// time.
#pragma once

#include <cstddef>
#include <string>

#include "config/mail_app.h"
#include "platform/window.h"
#include "transport/receive_driver.h"

namespace fennel {

// The settings a send needs, and no transfer running.
bool SendConditionsHold(const CMailApp& app);

// What the batch asks of the window layer.
class SendHost {
 public:
  virtual ~SendHost() = default;
  // Opens a stored composed mail in a (visible) mail window and returns
  // its view, or null when the mail cannot be opened.
  virtual Window* OpenStoredMail(const std::string& path) = 0;
};

class CSendDriver : public Window {
 public:
  // Command of the main frame.
  static constexpr unsigned ID_SEND_UNSENT = 32804;

  CSendDriver(CMailApp& app, CReceiveDriver& receive, SendHost& host);
  ~CSendDriver() override;

  // Command 32804 is enabled when a send may start and "未送信フォルダ"
  // holds mail.
  bool CanBatchSend() const;
  void StartBatch();

  // WM_POPAUTH_REQUEST from a mail window, WM_POPAUTH_DONE from the POP3
  // session (through the receive driver) and WM_SEND_NEXT.
  intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  // A mail window going away: nothing is passed on to it any more.
  void Forget(Window* view);

  Window* requester() const { return requester_; }

 private:
  void WalkBatch();

  CMailApp& app_;
  CReceiveDriver& receive_;
  SendHost& host_;
  Window* requester_ = nullptr;
  Window* batchView_ = nullptr;  // the mail window the batch opened last
  size_t batchPos_ = 0;
};

}  // namespace fennel
