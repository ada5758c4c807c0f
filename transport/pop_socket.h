// The POP3 session: one conversation per account, fed one reply line at a
// time. It receives new mail into temporary files, lists what waits on the
// server, or only logs on (before a send). After the main account it goes
// on with every enabled sub-account, and hands its results to the window
// that started it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "platform/window.h"
#include "transport/connection.h"
#include "transport/silence_watch.h"

namespace fennel {

// What the session asks of the window that started it (the main frame).
class PopOwner : public Window {
 public:
  // The progress bar goes from 0 to count.
  virtual void SetProgressRange(int count) = 0;
  // Brings the window to the front.
  virtual void ActivateOwner() = 0;
  // The transfer animation in receive mode.
  virtual void ShowReceiveAnimation() = 0;
  // The server closed the connection before the run ended.
  virtual void OnServerClosed() = 0;
  // No byte came from the server for the time-out: it stopped answering.
  virtual void OnServerSilent() { OnServerClosed(); }
  // A failure of the run, as told to the user (the command line's exit
  // code comes from these).
  virtual void OnFailure(const std::string& text) {}
};

// Makes the connection of a session (tests make a fake one).
using ChannelFactory = std::function<std::unique_ptr<LineChannel>(LineSink&)>;

class CPopSocket : public LineSink {
 public:
  enum EndCode : int {
    POP_END_NONE = 0,
    POP_END_OK,
    POP_CONNECT_NG,
    POP_USER_NG,
    POP_PASS_NG,
    POP_STAT_NG,
    POP_LIST_LINE_NG,
    POP_TOP_LINE_NG,
    POP_TOP2_LINE_NG,
    POP_STORE_NG,  // a message could not be stored (a full disk)
  };
  enum class State {
    Greeting, User, Pass, Stat, Sizes, SizeLines,
    Top, TopLines, Retr, RetrLines, Dele,
    List, ListLines, ListTop, ListTopLines,
    Quit, Ended,
  };

  CPopSocket(CMailApp& app, EventLoop& loop, PopOwner& owner, ChannelFactory channels = {});
  ~CPopSocket() override;

  // Starts a run with the main account. False (and idle again) when it
  // cannot connect; the connection error box has then been shown.
  bool Start(bool deleteFlag, int port, const std::string& password, const std::string& server,
             const std::string& account, bool authOnly, bool listMode);

  // One reply line (from the connection, or fed by a test).
  void OnLine(const std::string& line, bool partial) override;
  void Step(const std::string& line) { OnLine(line, false); }
  void OnClosed() override;
  void OnActivity() override { silence_.Touch(); }
  // Closes the connection (the owner's time-out handling).
  void Close();

  State state() const { return state_; }
  EndCode endCode() const { return endCode_; }
  bool authOnly() const { return authOnly_; }
  void clearAuthOnly() { authOnly_ = false; }
  const std::string& server() const { return server_; }
  int port() const { return port_; }
  std::vector<std::string> TakeReceivedList() { return std::move(received_); }
  // Whether the server closed the connection in the middle of a run.
  bool closedByServer() const { return closedByServer_; }
  // True while one of its steps is running (it must not be destroyed then).
  bool inStep() const { return depth_ > 0; }

 private:
  bool Connect();
  void Send(const std::string& command);
  void SendQuit(EndCode code);
  void Finish() { SendQuit(POP_END_OK); }
  void OnStat(const std::string& line);
  void OnSizeLine(const std::string& line);
  void StartReceiveRun();
  // The stored copy of the current message is much shorter than the size
  // the server gave for it.
  bool CutShort() const;
  // Writing into the mail directory failed: nothing more is fetched.
  void StoreFailed();
  void Fail(const std::string& text);
  // Moves to the next message; true when it sent a DELE (per-list receiving).
  bool Advance();
  void NextTopOrFinish();
  void OnTopLine(const std::string& line);
  void BeginFetch();
  void OnRetrLine(const std::string& line, bool partial);
  void EndFetch();
  void OnDele(const std::string& line);
  void OnListLine(const std::string& line);
  void SendListTop();
  void OnListTopLine(const std::string& line);
  void OnQuitReply();
  void EndRun(bool normal);
  void StartNextSubAccount();
  // The entries of the server mail list for this server and account.
  std::vector<CCommonDetail*> ServerEntries(bool markedOnly) const;
  void Unfold(const std::string& line);
  std::string FailureText() const;

  CMailApp& app_;
  EventLoop& loop_;
  PopOwner& owner_;
  ChannelFactory channels_;
  std::unique_ptr<LineChannel> channel_;

  State state_ = State::Greeting;
  int messageCount_ = 0;
  int deletionCount_ = 0;
  int deletionIndex_ = 0;
  int current_ = 0;
  FILE* output_ = nullptr;
  bool outputOk_ = true;
  bool atLineStart_ = true;
  uint64_t written_ = 0;                   // bytes of the current message stored
  std::unordered_map<int, int64_t> sizes_;  // message sizes the server gave (LIST)
  SilenceWatch silence_;
  std::vector<std::string> notices_;  // shown after the reply to QUIT
  std::unordered_set<std::string> known_;
  std::string tempName_;
  bool deleteFlag_ = false;
  std::string password_;
  std::string account_;
  std::string header_;      // the unfolded header line
  std::string rememberedId_;
  size_t nextSub_ = 0;
  bool authOnly_ = false;
  int port_ = 0;
  std::vector<std::string> received_;
  EndCode endCode_ = POP_END_NONE;
  std::string server_;
  bool listMode_ = false;
  CCommonDetail* listEntry_ = nullptr;  // whose header a list TOP reads
  bool closedByServer_ = false;
  int depth_ = 0;
};

// "Message-ID:" in any letter case; the identifier after it, trimmed, or
// empty.
std::string MessageIdOfHeaderLine(const std::string& line);
// The identifier as compared: without surrounding white space.
std::string TrimId(const std::string& id);

}  // namespace fennel
