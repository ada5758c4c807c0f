// Faults that must never lose mail or pass for success, tried on the whole
// program (fennel-cli) against Dovecot and against small servers that
// misbehave on purpose: kills in the middle of a receive, two programs on
// one mail directory, a full disk, a server that cuts a message short,
// drops the line, babbles or goes quiet.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "config/mail_app.h"
#include "config/record_file.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "tests/integration/mail_servers.h"
#include "tests/support/process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "transport/receive_driver.h"
#include "transport/smtp_socket.h"

namespace fennel {
namespace {

using test::MailServers;
using test::ProcessResult;

std::string Message(const std::string& id, size_t bodyBytes) {
  std::string body;
  while (body.size() < bodyBytes) body += "line of the body of " + id + "\r\n";
  return "Message-ID: " + id + "\r\nFrom: sender@example.jp\r\nTo: taro@example.jp\r\nSubject: " + id +
         "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\n" + body;
}

// One user of fennel-cli with a home of its own (or a shared one).
class CliUser {
 public:
  explicit CliUser(const std::string& home, const std::string& user = "taro") : user_(user), home_(home) {
    // A profile directory each: two programs at once from one profile are
    // kept apart by the single-instance guard already.
    MakeDirs(home_ + "/profile-" + user);
    env_ = {{"FENNEL_HOME", home_}, {"FENNEL_PROFILE_DIR", home_ + "/profile-" + user}, {"FENNEL_PASSWORD", "pw"}};
  }

  ProcessResult Cli(std::vector<std::string> args, int timeoutMs = 120000) const {
    args.insert(args.begin(), {"--user", user_});
    return test::RunProcess(FENNEL_CLI_PATH, args, "", env_, timeoutMs);
  }

  // Made and set up for a POP server on 127.0.0.1.
  void Create(const std::string& account, int port, const std::string& mailDir, bool deleteFromServer) {
    ASSERT_EQ(Cli({"create-user"}).exitCode, 0);
    MakeDirs(mailDir);
    ProcessResult r = Cli({"set", "pop_server=127.0.0.1", "pop_port=" + std::to_string(port), "account=" + account,
                           "mail_password=pw-" + account, "mail_dir=" + mailDir,
                           std::string("leave_on_server=") + (deleteFromServer ? "0" : "1"), "server_timeout=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  // The Message-IDs of every mail the index on disk holds; each mail's file
  // must hold the Message-ID its record names (no file was overwritten).
  std::multiset<std::string> IndexedIds() const {
    std::multiset<std::string> ids;
    CUserInfo u;
    EXPECT_EQ(LoadRecordFile(home_ + "/" + user_ + ".id", u, false), RecordLoad::Ok);
    for (const auto& f : u.store.folders)
      for (const auto& m : f->mails) {
        if (m->state == CMailDetail::kDeleted) continue;
        ids.insert(m->messageId);
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(m->filePath, bytes) && bytes.find("Message-ID: " + m->messageId + "\r\n") == 0)
            << m->filePath << " does not hold " << m->messageId;
      }
    return ids;
  }

  const std::string& home() const { return home_; }

 private:
  std::string user_;
  std::string home_;
  std::map<std::string, std::string> env_;
};

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int counter = 0;
std::string FreshUser(const std::string& stem) {
  return stem + std::to_string(getpid()) + "x" + std::to_string(++counter);
}

// ---- Kills

// A receive that deletes from the server, killed at moments spread over
// its whole length: every message must be either on the server or, from
// the next start on, in a folder.
TEST(FaultTest, KillsDuringAReceiveLoseNoMessage) {
  REQUIRE_MAIL_SERVERS();
  const std::string account = FreshUser("kill");
  MailServers::AddUser(account, "pw-" + account);
  std::vector<std::string> messages;
  std::set<std::string> all;
  for (int i = 0; i < 500; ++i) {
    const std::string id = "<kill" + std::to_string(i) + "@example.jp>";
    messages.push_back(Message(id, 1500));
    all.insert(id);
  }
  int kills = 0, checked = 0, lost = 0;
  int64_t fullRun = 0;
  const int rounds = 30;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    MailServers::ReplaceMailbox(account, messages);
    test::TempDir home;
    CliUser taro(home.path());
    taro.Create(account, MailServers::pop3Port(), home / "mail", /*deleteFromServer=*/true);
    // Round 0 runs to its end and tells how long a receive takes here; the
    // others are killed over the whole of that, most of them near its end,
    // where the server deletes (QUIT) and the index is written.
    const int64_t start = NowMs();
    const int64_t delay = round == 0    ? 120000
                          : round <= 10 ? std::max<int64_t>(5, fullRun * round / 14)
                                        : fullRun * (70 + (round - 10) * 2) / 100;
    ProcessResult r = taro.Cli({"receive"}, static_cast<int>(delay));
    if (round == 0) {
      ASSERT_EQ(r.exitCode, 0) << r.err;
      fullRun = NowMs() - start;
    } else if (r.exitCode == -1) {
      ++kills;
    }
    // The next start (any command) files what the journal kept.
    ProcessResult next = taro.Cli({"folders"});
    ASSERT_EQ(next.exitCode, 0) << next.err;
    std::multiset<std::string> indexed = taro.IndexedIds();
    std::set<std::string> found(indexed.begin(), indexed.end());
    for (const std::string& id : MailServers::MessageIds(account)) found.insert(id);
    checked += static_cast<int>(all.size());
    for (const std::string& id : all)
      if (!found.count(id)) ++lost;
    EXPECT_EQ(found, all) << "killed after " << delay << " ms";
  }
  std::printf("[ kills ] full receive of 500 messages: %lld ms; kills tried: %d, messages checked: %d, lost: %d\n",
              static_cast<long long>(fullRun), kills, checked, lost);
  EXPECT_GE(kills, rounds / 2) << "most rounds must really be killed before their end";
  EXPECT_EQ(lost, 0);
}

// ---- Two programs

// Two users over one mail directory, a receive and an .eml import at the
// same moment: the message file names come from generators seeded with the
// same second, and no message may replace another.
TEST(FaultTest, TwoProgramsOverOneMailDirectoryKeepEveryMessage) {
  REQUIRE_MAIL_SERVERS();
  const std::string account = FreshUser("two");
  MailServers::AddUser(account, "pw-" + account);
  std::vector<std::string> received;
  for (int i = 0; i < 300; ++i) received.push_back(Message("<r" + std::to_string(i) + "@example.jp>", 800));
  MailServers::ReplaceMailbox(account, received);
  test::TempDir home, emlDir;
  for (int i = 0; i < 200; ++i)
    test::WriteFile(emlDir / ("m" + std::to_string(i) + ".eml"), Message("<e" + std::to_string(i) + "@example.jp>", 800));
  const std::string shared = home / "mail";
  CliUser taro(home.path(), "taro"), jiro(home.path(), "jiro");
  taro.Create(account, MailServers::pop3Port(), shared, false);
  jiro.Create(account, MailServers::pop3Port(), shared, false);
  // Start both within one second, so that their names collide if anything does.
  while (std::chrono::system_clock::now().time_since_epoch() % std::chrono::seconds(1) > std::chrono::milliseconds(300))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ProcessResult a, b;
  std::thread t1([&] { a = taro.Cli({"receive"}); });
  std::thread t2([&] { b = jiro.Cli({"import-eml", emlDir.path()}); });
  t1.join();
  t2.join();
  ASSERT_EQ(a.exitCode, 0) << a.err;
  ASSERT_EQ(b.exitCode, 0) << b.err;
  EXPECT_EQ(taro.IndexedIds().size(), 300u);
  EXPECT_EQ(jiro.IndexedIds().size(), 200u);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(ToFsPath(shared)))
    if (e.path().filename().string().rfind("RCV", 0) == 0) ++files;
  EXPECT_EQ(files, 500u);
}

// A second program for a user whose store is open is refused, whatever
// profile directory it starts from; its exit code says so.
TEST(FaultTest, SecondProgramForTheSameUserIsRefused) {
  test::TempDir home;
  CliUser taro(home.path());
  ASSERT_EQ(taro.Cli({"create-user"}).exitCode, 0);
  FileLock running;  // the first program, as far as the store can tell
  ASSERT_EQ(running.Acquire(home / "taro.id.lock"), FileLock::Result::Locked);
  ProcessResult r = taro.Cli({"--profile-dir", home / "elsewhere", "folders"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(Cp932ToUtf8(StoreInUseText("taro"))), std::string::npos) << r.err;
  running.Release();
  EXPECT_EQ(taro.Cli({"folders"}).exitCode, 0);
}

// ---- A full disk (a small tmpfs; needs root)

class SmallDisk {
 public:
  SmallDisk(const std::string& dir, const std::string& size) : dir_(dir) {
    MakeDirs(dir);
    mounted_ = mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  // Fills the disk up to `left` free bytes.
  void FillUpTo(uint64_t left, const std::string& name = "filler") {
    struct statvfs st {};
    ASSERT_EQ(statvfs(dir_.c_str(), &st), 0);
    const uint64_t avail = uint64_t{st.f_bavail} * st.f_frsize;
    ASSERT_GT(avail, left);
    test::WriteFile(dir_ + "/" + name, std::string(avail - left, 'f'));
  }

 private:
  std::string dir_;
  bool mounted_ = false;
};

TEST(FaultTest, FullMailDirectoryStopsTheReceiveAndDeletesNothingUnstored) {
  REQUIRE_MAIL_SERVERS();
  test::TempDir home;
  SmallDisk disk(home / "mail", "160k");
  if (!disk.mounted()) GTEST_SKIP() << "no tmpfs mount here";
  const std::string account = FreshUser("full");
  MailServers::AddUser(account, "pw-" + account);
  std::vector<std::string> messages;
  std::set<std::string> all;
  for (int i = 0; i < 30; ++i) {
    const std::string id = "<full" + std::to_string(i) + "@example.jp>";
    messages.push_back(Message(id, 20000));
    all.insert(id);
  }
  MailServers::ReplaceMailbox(account, messages);
  CliUser taro(home.path());
  taro.Create(account, MailServers::pop3Port(), home / "mail", /*deleteFromServer=*/true);
  ProcessResult r = taro.Cli({"receive"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find(Cp932ToUtf8("ディスクの空きが足りない")), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(Cp932ToUtf8("新たにメッセージは到着しておりません。")), std::string::npos) << r.err;
  std::multiset<std::string> indexed = taro.IndexedIds();
  std::set<std::string> found(indexed.begin(), indexed.end());
  const std::vector<std::string> onServer = MailServers::MessageIds(account);
  for (const std::string& id : onServer) found.insert(id);
  EXPECT_EQ(found, all) << "deleted on the server, yet in no folder";
  EXPECT_FALSE(indexed.empty()) << "what fitted is filed";
  EXPECT_FALSE(onServer.empty()) << "what did not fit stays on the server";
}

// The messages fit, the index does not: no "届いています" as if all were
// well, an exit code of 1, and the next start files them from the journal.
TEST(FaultTest, IndexThatCannotBeWrittenIsAFailureAndHealsAtTheNextStart) {
  REQUIRE_MAIL_SERVERS();
  test::TempDir root;
  const std::string home = root / "home";
  SmallDisk disk(home, "64k");
  if (!disk.mounted()) GTEST_SKIP() << "no tmpfs mount here";
  const std::string account = FreshUser("index");
  MailServers::AddUser(account, "pw-" + account);
  std::vector<std::string> messages;
  for (int i = 0; i < 60; ++i) messages.push_back(Message("<index" + std::to_string(i) + "@example.jp>", 300));
  MailServers::ReplaceMailbox(account, messages);
  CliUser taro(home);
  taro.Create(account, MailServers::pop3Port(), root / "mail", /*deleteFromServer=*/true);
  // Room for the journal, none for an index of sixty mails.
  disk.FillUpTo(2 * 4096);
  ProcessResult r = taro.Cli({"receive"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find(Cp932ToUtf8("ユーザーＩＤファイルに書き込めませんでした")), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(Cp932ToUtf8("届いています")), std::string::npos) << r.err;
  EXPECT_EQ(MailServers::Count(account), 0) << "stored and journaled: deleted on the server";

  RemoveFile(home + "/filler");
  ProcessResult next = taro.Cli({"folders"});
  EXPECT_EQ(next.exitCode, 0) << next.err;
  EXPECT_EQ(taro.IndexedIds().size(), 60u);
}

// ---- Servers that misbehave

// A POP3 server on loopback that plays a script for its first connection
// and accepts (and drops) any later one, as a live server does for the
// probe. Bounded: it stops with the object, or after 60 s.
class ScriptedPop {
 public:
  struct Line {
    int fd;
    void Say(const std::string& s) const { (void)!write(fd, s.data(), s.size()); }
    // The next command line, or "" when the client went away (bounded).
    std::string Hear() const {
      std::string line;
      char c;
      pollfd p{fd, POLLIN, 0};
      while (poll(&p, 1, 10000) == 1 && read(fd, &c, 1) == 1) {
        if (c == '\n') break;
        if (c != '\r') line.push_back(c);
      }
      return line;
    }
  };

  explicit ScriptedPop(std::function<void(const Line&)> script) {
    listener_ = test::ListenOnLoopback(port_);
    thread_ = std::thread([this, script] {
      const int64_t end = NowMs() + 60000;
      bool first = true;
      while (!stop_ && NowMs() < end) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 50) != 1) continue;
        int c = accept(listener_, nullptr, nullptr);
        if (c < 0) continue;
        if (first) {
          first = false;
          script(Line{c});
          held_ = c;  // a server that stalls keeps the line open
        } else {
          close(c);
        }
      }
    });
  }
  ~ScriptedPop() {
    stop_ = true;
    thread_.join();
    if (held_ >= 0) close(held_);
    close(listener_);
  }
  int port() const { return port_; }
  // Commands the client sent, as the script recorded them.
  std::vector<std::string> heard;

 private:
  int listener_ = -1;
  int port_ = 0;
  int held_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The logon and the size list of a server with one message of `size` bytes.
void LogOn(const ScriptedPop::Line& l, std::vector<std::string>& heard, const std::string& size) {
  l.Say("+OK ready\r\n");
  heard.push_back(l.Hear());  // USER
  l.Say("+OK\r\n");
  heard.push_back(l.Hear());  // PASS
  l.Say("+OK\r\n");
  heard.push_back(l.Hear());  // STAT
  l.Say("+OK 1 " + size + "\r\n");
  heard.push_back(l.Hear());  // LIST
  l.Say("+OK\r\n1 " + size + "\r\n.\r\n");
  heard.push_back(l.Hear());  // TOP 1 0
  l.Say("+OK\r\nMessage-ID: <bad@example.jp>\r\n\r\n.\r\n");
  heard.push_back(l.Hear());  // RETR 1
}

// Every way a receive can fail ends fennel-cli with exit code 1 (with or
// without --stop-on-error), and a message that did not come whole is not
// deleted on the server.
TEST(FaultTest, FailedReceivesExitWithOne) {
  REQUIRE_MAIL_SERVERS();
  const std::string account = FreshUser("exit");
  MailServers::AddUser(account, "pw-" + account);
  const std::string body(3000, 'b');
  struct Row {
    const char* name;
    std::function<void(const ScriptedPop::Line&, std::vector<std::string>&)> script;
  };
  const Row rows[] = {
      {"dropped in the middle of RETR",
       [&](const ScriptedPop::Line& l, std::vector<std::string>& heard) {
         LogOn(l, heard, "3100");
         l.Say("+OK 3100 octets\r\nMessage-ID: <bad@example.jp>\r\n\r\n" + body.substr(0, 1000));
         shutdown(l.fd, SHUT_RDWR);
       }},
      {"cut short by a bare dot",
       [&](const ScriptedPop::Line& l, std::vector<std::string>& heard) {
         LogOn(l, heard, "3100");
         l.Say("+OK\r\nMessage-ID: <bad@example.jp>\r\n\r\nfirst part\r\n.\r\n");
         // Whatever comes next is answered, until QUIT.
         for (int i = 0; i < 8; ++i) {
           const std::string line = l.Hear();
           if (line.empty()) break;
           heard.push_back(line);
           l.Say("+OK\r\n");
           if (line == "QUIT") break;
         }
       }},
      {"overlong greeting",
       [&](const ScriptedPop::Line& l, std::vector<std::string>& heard) {
         l.Say("+OK " + std::string(30000, 'g') + "\r\n");
         heard.push_back(l.Hear());
         l.Say("+OK\r\n");
       }},
  };
  for (const Row& row : rows) {
    for (bool stopOnError : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (stopOnError ? ", --stop-on-error" : ""));
      std::vector<std::string> heard;
      ScriptedPop server([&](const ScriptedPop::Line& l) { row.script(l, heard); });
      test::TempDir home;
      CliUser taro(home.path());
      taro.Create(account, server.port(), home / "mail", /*deleteFromServer=*/true);
      std::vector<std::string> args = {"receive"};
      if (stopOnError) args.push_back("--stop-on-error");
      ProcessResult r = taro.Cli(args, 60000);
      EXPECT_EQ(r.exitCode, 1) << r.err;
      for (const std::string& h : heard) EXPECT_NE(h, "DELE 1") << "a message that did not come whole was deleted";
      EXPECT_TRUE(taro.IndexedIds().empty());
    }
  }
  // A password the real server refuses.
  test::TempDir home;
  CliUser taro(home.path());
  taro.Create(account, MailServers::pop3Port(), home / "mail", true);
  ASSERT_EQ(taro.Cli({"set", "mail_password=wrong"}).exitCode, 0);
  for (bool stopOnError : {false, true}) {
    ProcessResult r = taro.Cli(stopOnError ? std::vector<std::string>{"receive", "--stop-on-error"}
                                           : std::vector<std::string>{"receive"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("[POP_PASS_NG]"), std::string::npos) << r.err;
  }
}

// A damaged ID file and a wrong password say different things. A changed
// byte in the scrambled password, near the start of the file, is damage:
// the previous generation (whose password is the one typed) is taken, and
// the damaged file is set aside, not written over.
TEST(FaultTest, DamagedIdFileIsNotAWrongPassword) {
  test::TempDir home;
  CliUser taro(home.path());
  ASSERT_EQ(taro.Cli({"create-user"}).exitCode, 0);
  ASSERT_EQ(taro.Cli({"set", "full_name=First"}).exitCode, 0);
  std::string bytes = test::ReadFile(home / "taro.id");
  bytes[12] = static_cast<char>(bytes[12] ^ 0x01);  // inside the scrambled password
  test::WriteFile(home / "taro.id", bytes);
  ProcessResult r = taro.Cli({"settings"});
  EXPECT_EQ(r.err.find(Cp932ToUtf8("ﾊﾟｽﾜｰﾄﾞが正しくありません")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(Cp932ToUtf8("壊れています")), std::string::npos) << r.err;
  EXPECT_EQ(r.exitCode, 0) << "logged on from the previous generation";
  EXPECT_EQ(test::ReadFile(home / "taro.id.damaged"), bytes);
  EXPECT_EQ(taro.Cli({"settings"}).err, "") << "what was written then is sound";

  // Cut short, and no sound previous generation: refused, left as it is.
  bytes = test::ReadFile(home / "taro.id");
  bytes.resize(bytes.size() - 2);
  test::WriteFile(home / "taro.id", bytes);
  test::WriteFile(home / "taro.id.1", "");
  r = taro.Cli({"settings"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.find(Cp932ToUtf8("ﾊﾟｽﾜｰﾄﾞが正しくありません")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(Cp932ToUtf8("壊れています")), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFile(home / "taro.id"), bytes);
}

// A read-only command writes nothing.
TEST(FaultTest, ReadOnlyCommandsWriteNothing) {
  test::TempDir home;
  CliUser taro(home.path());
  ASSERT_EQ(taro.Cli({"create-user"}).exitCode, 0);
  ASSERT_EQ(taro.Cli({"set", "full_name=Taro"}).exitCode, 0);
  const auto before = std::filesystem::last_write_time(home / "taro.id");
  const std::string bytes = test::ReadFile(home / "taro.id");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  for (const char* command : {"settings", "folders"}) {
    ProcessResult r = taro.Cli({command});
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }
  EXPECT_EQ(std::filesystem::last_write_time(home / "taro.id"), before);
  EXPECT_EQ(test::ReadFile(home / "taro.id"), bytes);
}

// ---- Silences, for real, with a "minute" of 300 ms

// An application object with a user of its own, whose "minute" of the
// server time-out lasts 300 ms.
struct ShortMinuteApp {
  ShortMinuteApp() {
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.serverTimeout = 1;
    u.mailDir = dir / "mail";
    MakeDirs(u.mailDir);
    app.timeoutMinuteMs = 300;
  }
  test::TempDir dir;
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  PollEventLoop loop;
};

// The server stops in the middle of a message but keeps taking new
// connections, so the probe finds it alive: the silence ends the run.
TEST(FaultTest, PopServerSilentInTheMiddleOfAMessage) {
  std::vector<std::string> heard;
  ScriptedPop server([&](const ScriptedPop::Line& l) {
    LogOn(l, heard, "3000");
    l.Say("+OK\r\nMessage-ID: <bad@example.jp>\r\n\r\nthe first lines\r\n");
    // ... and nothing more, ever.
  });
  ShortMinuteApp rig;
  CUserInfo& u = rig.app.user();
  u.popServer = "127.0.0.1";
  u.popPort = server.port();
  u.account = "taro";
  u.mailPassword = "pw";
  NullReceiveHost host;
  AnimationWindow animation(rig.loop, rig.prompter);
  CReceiveDriver driver(rig.app, rig.loop, host, animation);
  const int64_t start = NowMs();
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  ASSERT_TRUE(rig.loop.RunUntil([&] { return bool(rig.app.transferIdle); }, 20000)) << "the run never ended";
  EXPECT_LT(NowMs() - start, 5000);
  ASSERT_FALSE(rig.prompter.shown.empty());
  EXPECT_EQ(rig.prompter.shown.back().text, "127.0.0.1" + std::string(kNoResponse));
  EXPECT_FALSE(driver.failures().empty());
  EXPECT_TRUE(std::filesystem::is_empty(ToFsPath(u.mailDir))) << "no half message is left";
}

class SmtpRecorder : public SmtpOwner {
 public:
  intptr_t SendMessage(unsigned msg, uintptr_t, intptr_t) override {
    if (msg == WM_SMTP_DONE) ++done;
    return 0;
  }
  void ShowSendAnimation() override {}
  void OnServerSilent() override { ++silent; }
  int done = 0;
  int silent = 0;
};

// An SMTP server that greets, takes HELO, and says nothing to MAIL FROM.
TEST(FaultTest, SmtpServerSilentAfterMailFrom) {
  std::vector<std::string> heard;
  ScriptedPop server([&](const ScriptedPop::Line& l) {
    l.Say("220 ready\r\n");
    heard.push_back(l.Hear());
    l.Say("250 hello\r\n");
    heard.push_back(l.Hear());  // MAIL FROM: no answer
  });
  ShortMinuteApp rig;
  CUserInfo& u = rig.app.user();
  u.smtpServer = "127.0.0.1";
  u.smtpPort = server.port();
  u.mailAddress = "taro@example.jp";
  SmtpRecorder owner;
  CSmtpSocket session(rig.app, rig.loop);
  ComposedMessage message;
  message.recipients = {"jiro@example.jp"};
  const int64_t start = NowMs();
  ASSERT_TRUE(session.Start(owner, message, nullptr));
  ASSERT_TRUE(rig.loop.RunUntil([&] { return owner.silent > 0; }, 20000)) << "the silence was never noticed";
  EXPECT_LT(NowMs() - start, 5000);
  EXPECT_EQ(owner.done, 0);
  session.Close();
}

}  // namespace
}  // namespace fennel
