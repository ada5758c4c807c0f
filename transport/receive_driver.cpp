#include "transport/receive_driver.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/receive_journal.h"

namespace fennel {

std::string NoticeLine(const std::string& from, const std::string& subject) {
  std::string line = TruncateCp932(from, 40);
  line.resize(40, ' ');
  return line + TruncateCp932(subject, 40);
}

CReceiveDriver::CReceiveDriver(CMailApp& app, EventLoop& loop, ReceiveHost& host, AnimationWindow& animation,
                               ChannelFactory channels)
    : app_(app), loop_(loop), host_(host), animation_(animation), channels_(std::move(channels)) {}

CReceiveDriver::~CReceiveDriver() { loop_.KillTimers(this); }

bool CReceiveDriver::CanReceive() const {
  const CUserInfo& u = app_.user();
  return u.popPort > 0 && !u.mailPassword.empty() && !u.popServer.empty() && !u.account.empty() &&
         app_.transferIdle && !u.mailDir.empty();
}

void CReceiveDriver::ArmAutoCheck() {
  if (app_.user().checkInterval != 0)
    loop_.SetTimer(this, TIMER_AUTOCHECK, int64_t{app_.user().checkInterval} * 60000);
}

void CReceiveDriver::OnCreate() { ArmAutoCheck(); }

bool CReceiveDriver::AnimationEnabled() const { return app_.profile().Animation(app_.user().userId); }

void CReceiveDriver::ShowReceiveAnimation() { animation_.Show(AnimationWindow::kReceive, 0, "", AnimationEnabled()); }

bool CReceiveDriver::StartRun(Run kind) {
  // The old session may still be on the stack (this run can start from its
  // own end message): it goes once none of its steps runs.
  DropRetired();
  if (session_) retired_.push_back(std::move(session_));
  session_ = std::make_unique<CPopSocket>(app_, loop_, *this, channels_);
  if (kind == Run::List) listCommand_ = true;
  if (kind == Run::AutoCheck) app_.autoCheck = true;
  const CUserInfo& u = app_.user();
  bool ok = session_->Start(u.leaveOnServer == 0, u.popPort, u.mailPassword, u.popServer, u.account, false,
                            kind == Run::List);
  if (!ok) listCommand_ = false;
  return ok;
}

bool CReceiveDriver::StartAuthRun() {
  DropRetired();
  if (session_) retired_.push_back(std::move(session_));
  session_ = std::make_unique<CPopSocket>(app_, loop_, *this, channels_);
  const CUserInfo& u = app_.user();
  return session_->Start(u.leaveOnServer == 0, u.popPort, u.mailPassword, u.popServer, u.account, true, false);
}

void CReceiveDriver::DropRetired() {
  retired_.erase(std::remove_if(retired_.begin(), retired_.end(), [](const auto& s) { return !s->inStep(); }),
                 retired_.end());
}

void CReceiveDriver::OnTimer(unsigned id) {
  DropRetired();
  switch (id) {
    case TIMER_AUTOCHECK:
      if (app_.transferIdle && CanReceive()) StartRun(Run::AutoCheck);
      return;
    case TIMER_PROGRESS: {
      host_.SetProgressPos(app_.progressPos);
      if (app_.progressTotal >= 0)
        host_.SetStatusText("受信中です。" + std::to_string(app_.progressPos) + "/" + std::to_string(app_.progressTotal));
      if (app_.progressTotal == app_.progressPos) {
        app_.progressTotal = 0;
        app_.progressPos = 0;
        loop_.KillTimer(this, TIMER_PROGRESS);
        host_.SetProgressPos(0);
        host_.SetStatusText("");
      }
      if (app_.progressTotal < app_.progressPos) ++app_.progressTotal;
      return;
    }
    case TIMER_POP_TIMEOUT:
      loop_.KillTimer(this, TIMER_POP_TIMEOUT);
      loop_.KillTimer(this, TIMER_PROBE);
      HandleNoResponse();
      return;
    case TIMER_PROBE:
      if (app_.transferIdle || !session_) {
        loop_.KillTimer(this, TIMER_PROBE);
        return;
      }
      if (ProbeServer(loop_, app_.prompter(), session_->server(), session_->port())) return;
      // Gone before the logon ended: its time-out must not tell the user again.
      loop_.KillTimer(this, TIMER_POP_TIMEOUT);
      loop_.KillTimer(this, TIMER_PROBE);
      loop_.KillTimer(this, TIMER_PROGRESS);
      HandleNoResponse();
      return;
    default:
      return;
  }
}

void CReceiveDriver::OnServerClosed() {
  // A server that hangs up in the middle of a run is a server that stopped
  // answering: what was fetched is filed and the user is told.
  if (app_.transferIdle) return;
  loop_.KillTimer(this, TIMER_POP_TIMEOUT);
  loop_.KillTimer(this, TIMER_PROBE);
  loop_.KillTimer(this, TIMER_PROGRESS);
  HandleNoResponse();
}

void CReceiveDriver::HandleNoResponse() {
  if (!session_) return;
  std::vector<std::string> received = session_->TakeReceivedList();
  const bool authOnly = session_->authOnly();
  if (!received.empty())
    OnPopDone(std::move(received));
  else if (!app_.autoCheck)
    animation_.Close();
  session_->Close();
  host_.ActivateMainWindow();
  failures_.push_back(session_->server() + kNoResponse);
  app_.prompter().Show(session_->server() + kNoResponse, MbIcon::Stop);
  if (authOnly) {
    session_->clearAuthOnly();
    // The send that waited for the logon does not go ahead.
    SendMessage(WM_POPAUTH_DONE, 1, 0);
  }
  app_.transferIdle = true;
  app_.autoCheck = false;
}

intptr_t CReceiveDriver::SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == WM_POP_DONE) {
    auto* list = reinterpret_cast<std::vector<std::string>*>(lParam);
    OnPopDone(list ? std::move(*list) : std::vector<std::string>());
    if (list) list->clear();
  } else if (msg == WM_POPAUTH_DONE && popAuthListener_) {
    popAuthListener_->SendMessage(WM_POPAUTH_DONE, wParam, 0);
  }
  return 0;
}

void CReceiveDriver::DeleteServerList() {
  app_.pendingServerList.clear();
  app_.serverListExists = false;
}

void CReceiveDriver::OnPopDone(std::vector<std::string> received) {
  CUserInfo& u = app_.user();
  // 1. A receive (not a list run) ends the server mail list.
  if (u.headerListPending != 0 || (u.headerListMode == 0 && !listCommand_)) {
    DeleteServerList();
    u.headerListPending = 0;
    listCommand_ = false;
  }
  // 2. A list run has ended: the user picks what to delete, then the bodies come.
  if (app_.serverListExists) {
    const bool wasAuto = app_.autoCheck;
    app_.autoCheck = false;
    loop_.KillTimer(this, TIMER_AUTOCHECK);
    if (host_.RunServerListDialog(app_.pendingServerList)) {
      ArmAutoCheck();
      app_.autoCheck = wasAuto;
      u.headerListPending = 1;
      if (!StartRun(Run::Receive)) listCommand_ = false;
    } else {
      ArmAutoCheck();
      listCommand_ = false;
      if (wasAuto) app_.autoCheck = true;
    }
    if (!app_.autoCheck) animation_.Close();
    return;
  }
  // 3. Nothing new.
  if (received.empty()) {
    lastCount_ = 0;
    lastAnnouncement_.clear();
    const bool storeFailed = session_ && session_->endCode() == CPopSocket::POP_STORE_NG;
    if (app_.autoCheck) {
      app_.autoCheck = false;
    } else {
      animation_.Close();
      // After a full disk "nothing new" would be untrue: that box said it all.
      if (!storeFailed) app_.prompter().Show(kNoNewMail, MbIcon::Information);
    }
    return;
  }
  // 4-5. File and announce.
  std::string notice;
  int count = File(received, notice);
  // The filed mail is in the index on disk before the user is told of it,
  // and its files are on disk before the index names them.
  bool indexed = true;
  if (count > 0) {
    SyncFileSystemOf(u.mailDir);
    indexed = app_.SaveUserRecord();
  }
  lastCount_ = count;
  lastAnnouncement_ = Announcement(count, notice);
  if (!app_.autoCheck) animation_.Close();
  if (!indexed) {
    // The mails are in their folders here, but not in the index on disk:
    // no "届いています" as if all were well. They are filed again at the
    // next logon (the journal still lists them).
    const std::string text = "メッセージを" + std::to_string(count) + "通受信しましたが、ユーザーＩＤファイルに書き込めませんでした（ディスクの空きが足りない可能性があります）。"
                             "メッセージはメールディレクトリ " + u.mailDir + " にあり、次回のログオンでフォルダに入ります。";
    failures_.push_back(text);
    host_.ActivateMainWindow();
    app_.prompter().Show(text, MbIcon::Stop);
    host_.RefreshViews();
    app_.autoCheck = false;
    return;
  }
  if (count > 0 || !app_.autoCheck) {
    host_.ActivateMainWindow();
    if (app_.autoCheck)
      animation_.Show(AnimationWindow::kReceive, count, notice, AnimationEnabled());
    else
      app_.prompter().Show(lastAnnouncement_, MbIcon::Information);
  }
  host_.RefreshViews();
  app_.autoCheck = false;
}

int CReceiveDriver::File(const std::vector<std::string>& names, std::string& notice) {
  CListInfo& store = app_.user().store;
  int count = 0;
  for (const std::string& name : names) {
    CMailDetail* mail = FileReceivedMessage(store, JoinPath(app_.user().mailDir, name), &app_.prompter());
    if (!mail) continue;  // fetched twice, or left for the import command
    ++count;
    if (count < 10)
      notice += NoticeLine(mail->from, mail->subject) + "\n";
    else if (count == 10)
      notice += ">>>>\n";
  }
  return count;
}

}  // namespace fennel
