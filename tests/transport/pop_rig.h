// What the POP3 session tests share: a user in a temporary directory, the
// manual loop and clock, a window that records what the session tells it,
// and the fake server.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "store/mail_detail.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/transport/fake_pop.h"
#include "transport/pop_socket.h"

namespace fennel::test {

class RecordingOwner : public PopOwner {
 public:
  struct Message {
    unsigned msg;
    uintptr_t wParam;
    std::vector<std::string> names;  // WM_POP_DONE: the temporary files
    size_t sentBefore;               // commands the client had sent by then
  };
  struct Tick {
    unsigned id;
    int64_t atMs;
  };

  RecordingOwner(const Clock& clock, const FakePop& pop) : clock_(clock), pop_(pop) {}

  intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    Message m{msg, wParam, {}, pop_.sent.size()};
    if (msg == WM_POP_DONE && lParam) m.names = *reinterpret_cast<std::vector<std::string>*>(lParam);
    messages.push_back(m);
    return 0;
  }
  void OnTimer(unsigned id) override { ticks.push_back({id, clock_.MonotonicMs()}); }
  void SetProgressRange(int count) override { progressRange = count; }
  void ActivateOwner() override { ++activations; }
  void ShowReceiveAnimation() override { ++animations; }
  void OnServerClosed() override { ++serverClosed; }
  void OnServerSilent() override { ++serverSilent; }
  void OnFailure(const std::string& text) override { failures.push_back(text); }

  std::vector<int64_t> TicksOf(unsigned id) const {
    std::vector<int64_t> at;
    for (const Tick& t : ticks)
      if (t.id == id) at.push_back(t.atMs);
    return at;
  }

  std::vector<Message> messages;
  std::vector<Tick> ticks;
  int progressRange = -1;
  int activations = 0;
  int animations = 0;
  int serverClosed = 0;
  int serverSilent = 0;
  std::vector<std::string> failures;

 private:
  const Clock& clock_;
  const FakePop& pop_;
};

class PopRig {
 public:
  static constexpr const char* kServer = "pop.example.jp";

  PopRig() {
    SetCurrentClock(&clock);  // temporary file names and record dates
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.mailDir = mailDir();
    u.popServer = kServer;
    u.popPort = 110;
    u.account = "taro";
    u.mailPassword = "secret";
    u.serverTimeout = 0;
  }
  virtual ~PopRig() { SetCurrentClock(previousClock_ == &clock ? nullptr : previousClock_); }

  std::string mailDir() const { return dir / "mail"; }

  bool Start(bool deleteFlag = false, bool authOnly = false, bool listMode = false) {
    return session.Start(deleteFlag, 110, "secret", kServer, "taro", authOnly, listMode);
  }

  void Talk(const std::vector<std::string>& rows) { pop.talk(rows); }
  static std::vector<std::string> Logon(const std::string& statReply) { return FakePop::Logon(statReply); }
  // The logon of a receive run, with the size list (here: no sizes given).
  static std::vector<std::string> ReceiveLogon(const std::string& statReply) { return FakePop::ReceiveLogon(statReply); }

  // The names of the only WM_POP_DONE, which came after everything was sent.
  std::vector<std::string> DoneNames() {
    EXPECT_EQ(owner.messages.size(), 1u);
    if (owner.messages.empty()) return {};
    EXPECT_EQ(owner.messages[0].msg, WM_POP_DONE);
    EXPECT_EQ(owner.messages[0].sentBefore, pop.sent.size()) << "WM_POP_DONE before the end";
    return owner.messages[0].names;
  }
  std::string Stored(const std::string& name) const { return ReadFile(JoinPath(mailDir(), name)); }
  std::vector<std::string> FilesInMailDir() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(mailDir(), ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // A mail already in the store, by its Message-ID.
  void StoreMailWithId(const std::string& id) {
    auto m = std::make_unique<CMailDetail>();
    m->messageId = id;
    m->filePath = JoinPath(mailDir(), "RCVaaaaa.tmp");
    app.user().store.FolderOrCreate(kInboxFolder)->AddMail(std::move(m));
  }
  // An entry of the server mail list.
  CCommonDetail* ServerListEntry(int number, int action, const std::string& server = kServer,
                                 const std::string& account = "taro") {
    auto e = std::make_unique<CCommonDetail>();
    e->s[0] = "from " + std::to_string(number);
    e->s[1] = "subject " + std::to_string(number);
    e->s[2] = server;
    e->s[3] = account;
    e->i[0] = number;
    e->i[1] = action;
    e->i[2] = 100 * number;
    app.pendingServerList.push_back(std::move(e));
    return app.pendingServerList.back().get();
  }

 private:
  Clock* previousClock_ = &CurrentClock();

 public:
  TempDir dir;
  ManualClock clock;
  Profile profile{dir / "Fennel.ini"};
  ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  ManualEventLoop loop{clock};
  FakePop pop;
  RecordingOwner owner{clock, pop};
  CPopSocket session{app, loop, owner, pop.Factory()};
};

}  // namespace fennel::test
