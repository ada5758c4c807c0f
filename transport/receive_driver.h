// Receiving, as the main frame drives it: starting runs (by command, by the
// automatic check, after the server mail list dialog), the progress in the
// status bar, the guard against a server that stops answering, and filing
// what a run fetched: each temporary file becomes a mail record, sorted
// into its folder and announced.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "transport/animation.h"
#include "transport/pop_socket.h"

namespace fennel {

// What the driver asks of the main frame's window.
class ReceiveHost {
 public:
  virtual ~ReceiveHost() = default;
  virtual void ActivateMainWindow() = 0;
  // The first pane of the status bar.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetProgressRange(int max) = 0;
  virtual void SetProgressPos(int pos) = 0;
  // The modal server mail list dialog: the user may mark entries (action 2).
  // True on OK.
  virtual bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) = 0;
  // Every open view shows the store afresh.
  virtual void RefreshViews() = 0;
};

// A host without a window (the command line's sending, tests): nothing is
// shown and the server mail list dialog is cancelled.
class NullReceiveHost : public ReceiveHost {
 public:
  void ActivateMainWindow() override {}
  void SetStatusText(const std::string&) override {}
  void SetProgressRange(int) override {}
  void SetProgressPos(int) override {}
  bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>&) override { return false; }
  void RefreshViews() override {}
};

inline constexpr const char* kNoNewMail = "新たにメッセージは到着しておりません。";
inline constexpr const char* kNoResponse =
    "メールサーバーからの応答がありません。サブアカウントを登録している場合、以降のサーバーは未処理です。\r\n"
    "原因は\r\n"
    "　　　　受信（ＰＯＰ３）メールサーバの設定、メールアカウント／パスワードの設定間違いなどが考えられます。\r\n"
    "　　　　「設定」－＞メインの設定をもう一度見直しましょう。";

class CReceiveDriver : public PopOwner {
 public:
  enum class Run { Receive, List, AutoCheck };

  CReceiveDriver(CMailApp& app, EventLoop& loop, ReceiveHost& host, AnimationWindow& animation,
                 ChannelFactory channels = {});
  ~CReceiveDriver() override;

  // The receive commands are enabled when the account is set up and idle.
  bool CanReceive() const;
  // At the creation of the main frame: the automatic check.
  void OnCreate();
  bool StartRun(Run kind);
  // A logon of the main account only, before a send; its end comes as
  // WM_POPAUTH_DONE to the listener.
  bool StartAuthRun();
  void SetPopAuthListener(Window* listener) { popAuthListener_ = listener; }

  // Window messages and timers of the main frame.
  intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void OnTimer(unsigned id) override;

  // PopOwner.
  void SetProgressRange(int count) override { host_.SetProgressRange(count); }
  void ActivateOwner() override { host_.ActivateMainWindow(); }
  void ShowReceiveAnimation() override;
  void OnServerClosed() override;
  void OnFailure(const std::string& text) override { failures_.push_back(text); }

  CPopSocket* session() { return session_.get(); }
  bool listCommand() const { return listCommand_; }
  // What the last filing found (for the command line and tests).
  int lastCount() const { return lastCount_; }
  const std::string& lastAnnouncement() const { return lastAnnouncement_; }
  // Every failure of the runs so far, as told to the user (a refused
  // logon, a server that stopped answering, a full disk, a message cut
  // short): a receive that checked every account without one has none.
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  void OnPopDone(std::vector<std::string> received);
  // Files the temporary files; returns the count of new mails and the notice.
  int File(const std::vector<std::string>& names, std::string& notice);
  void HandleNoResponse();
  void ArmAutoCheck();
  void DeleteServerList();
  bool AnimationEnabled() const;
  // Drops the finished sessions that no step is running in any more.
  void DropRetired();

  CMailApp& app_;
  EventLoop& loop_;
  ReceiveHost& host_;
  AnimationWindow& animation_;
  ChannelFactory channels_;
  std::unique_ptr<CPopSocket> session_;
  std::vector<std::unique_ptr<CPopSocket>> retired_;  // sessions still on the stack
  Window* popAuthListener_ = nullptr;
  bool listCommand_ = false;
  int lastCount_ = 0;
  std::string lastAnnouncement_;
  std::vector<std::string> failures_;
};

// A notice line: From cut or padded to 40 bytes, then up to 40 bytes of
// Subject (never half a character).
std::string NoticeLine(const std::string& from, const std::string& subject);

}  // namespace fennel
