#include "transport/send_driver.h"

#include "platform/messages.h"
#include "store/folder_detail.h"

namespace fennel {

bool SendConditionsHold(const CMailApp& app) {
  const CUserInfo& u = app.user();
  return app.transferIdle && u.smtpPort > 0 && !u.smtpServer.empty() && !u.mailDir.empty();
}

CSendDriver::CSendDriver(CMailApp& app, CReceiveDriver& receive, SendHost& host)
    : app_(app), receive_(receive), host_(host) {
  receive_.SetPopAuthListener(this);
}

CSendDriver::~CSendDriver() { receive_.SetPopAuthListener(nullptr); }

bool CSendDriver::CanBatchSend() const {
  const CFolderDetail* unsent = app_.user().store.FindFolder(kUnsentFolder);
  return SendConditionsHold(app_) && unsent && !unsent->mails.empty();
}

void CSendDriver::StartBatch() {
  // 1.
  if (!app_.user().store.FindFolder(kUnsentFolder)) return;
  // 2.
  app_.batchSend = true;
  batchPos_ = 0;
  // 3.
  WalkBatch();
}

void CSendDriver::WalkBatch() {
  for (;;) {
    CFolderDetail* unsent = app_.user().store.FindFolder(kUnsentFolder);
    if (!unsent || batchPos_ >= unsent->mails.size()) break;
    const CMailDetail& mail = *unsent->mails[batchPos_++];
    if (mail.state != CMailDetail::kComposed) continue;
    Window* view = host_.OpenStoredMail(mail.filePath);
    if (!view) continue;  // a mail that cannot be opened stays where it is
    // The view sends, and asks for the next one with WM_SEND_NEXT.
    batchView_ = view;
    view->SendMessage(WM_SEND_NOW, 0, 0);
    return;
  }
  app_.batchSend = false;
  batchView_ = nullptr;
}

void CSendDriver::Forget(Window* view) {
  if (requester_ == view) requester_ = nullptr;
  if (batchView_ == view) batchView_ = nullptr;
}

intptr_t CSendDriver::SendMessage(unsigned msg, uintptr_t wParam, intptr_t) {
  switch (msg) {
    case WM_POPAUTH_REQUEST:
      requester_ = reinterpret_cast<Window*>(wParam);
      if (!app_.popAuth) return SendMessage(WM_POPAUTH_DONE, 0, 0);
      // A failed connect has shown its box; the send does not go ahead.
      if (!receive_.StartAuthRun()) return SendMessage(WM_POPAUTH_DONE, 1, 0);
      return 0;
    case WM_POPAUTH_DONE:
      if (requester_) requester_->SendMessage(WM_POPAUTH_DONE, wParam, 0);
      return 0;
    case WM_SEND_NEXT:
      // Only the end of the batch's own mail walks on: a mail sent by
      // itself must not set off the unsent folder, nor wake a batch that
      // stopped on the way (that one is over).
      if (!app_.batchSend) return 0;
      if (requester_ != batchView_ || !batchView_) {
        app_.batchSend = false;
        batchView_ = nullptr;
        return 0;
      }
      if (app_.user().store.FindFolder(kUnsentFolder))
        WalkBatch();
      else
        app_.batchSend = false;
      return 0;
    default:
      return 0;
  }
}

}  // namespace fennel
