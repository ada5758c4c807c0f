// Receiving from a real POP3 server (Dovecot on 127.0.0.1).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <filesystem>

#include "config/mail_app.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "tests/integration/mail_servers.h"
#include "tests/support/process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "transport/receive_driver.h"

namespace fennel {
namespace {

class RecordingHost : public ReceiveHost {
 public:
  void ActivateMainWindow() override {}
  void SetStatusText(const std::string&) override {}
  void SetProgressRange(int) override {}
  void SetProgressPos(int) override {}
  void RefreshViews() override { ++refreshes; }
  bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) override {
    listed = entries.size();
    for (auto& e : entries)
      if (marks.count(e->i[0])) e->i[1] = 2;
    return acceptList;
  }
  std::set<int> marks;
  bool acceptList = true;
  size_t listed = 0;
  int refreshes = 0;
};

std::string Message(const std::string& id, const std::string& subject, const std::string& idField = "Message-ID") {
  return idField + ": <" + id + "@example.jp>\r\nFrom: sender@example.jp\r\nTo: taro@example.jp\r\nSubject: " + subject +
         "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\nbody of " + subject + "\r\n.dotted line\r\n";
}

int counter = 0;

class ReceiveTest : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_MAIL_SERVERS();
    user_ = "user" + std::to_string(getpid()) + "x" + std::to_string(++counter);
    test::MailServers::AddUser(user_, "pw-" + user_);
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.popServer = "127.0.0.1";
    u.popPort = test::MailServers::pop3Port();
    u.account = user_;
    u.mailPassword = "pw-" + user_;
    u.mailDir = mailDir();
    u.leaveOnServer = 1;
    u.serverTimeout = 1;
  }

  std::string mailDir() const { return env.home() + "/mail"; }
  // The inbox's mails (none when there is no inbox).
  const std::vector<std::unique_ptr<CMailDetail>>& Inbox() {
    static const std::vector<std::unique_ptr<CMailDetail>> none;
    CFolderDetail* f = app.user().store.FindFolder(kInboxFolder);
    if (!f) ADD_FAILURE() << "no inbox";
    return f ? f->mails : none;
  }

  // One run, to its end.
  bool Receive(CReceiveDriver::Run kind = CReceiveDriver::Run::Receive) {
    if (!driver.StartRun(kind)) return false;
    EXPECT_TRUE(loop.RunUntil([&] { return bool(app.transferIdle); }, 30000)) << "the run did not end";
    loop.RunOnce(0);
    return true;
  }

  size_t FilesInMailDir() const {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(mailDir()))
      if (e.path().filename().string().rfind("RCV", 0) == 0) ++n;
    return n;
  }

  test::TempEnvironment env;
  Profile profile{JoinPath(env.profileDir(), "Fennel.ini")};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, env.home()}};
  PollEventLoop loop;
  RecordingHost host;
  AnimationWindow animation{loop, prompter};
  CReceiveDriver driver{app, loop, host, animation};
  std::string user_;
};

TEST_F(ReceiveTest, LeaveOnServerThenKnownMailIsSkipped) {
  test::MailServers::AddMessage(user_, Message("a1", "first"), "0001.m");
  test::MailServers::AddMessage(user_, Message("a2", "second", "Message-Id"), "0002.m");
  ASSERT_TRUE(Receive());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);
  EXPECT_EQ(prompter.shown[0].text.rfind("あなたにメッセージが2通届いています。\n\n", 0), 0u) << prompter.shown[0].text;
  CFolderDetail* inbox = app.user().store.FindFolder(kInboxFolder);
  ASSERT_NE(inbox, nullptr);
  ASSERT_EQ(inbox->mails.size(), 2u);
  EXPECT_EQ(inbox->mails[0]->subject, "first");
  EXPECT_EQ(inbox->mails[1]->messageId, "<a2@example.jp>");
  // The stored file is the message as the server holds it: the dot that
  // travelled doubled is single again.
  std::string stored = test::ReadFile(inbox->mails[0]->filePath);
  EXPECT_NE(stored.find("\r\n.dotted line\r\n"), std::string::npos) << stored;
  EXPECT_EQ(test::MailServers::Count(user_), 2);

  // Again: both are known, "Message-Id:" included, and nothing is fetched.
  prompter.shown.clear();
  ASSERT_TRUE(Receive());
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kNoNewMail});
  EXPECT_EQ(FilesInMailDir(), 2u);
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(ReceiveTest, DeleteFromServer) {
  app.user().leaveOnServer = 0;
  for (int i = 1; i <= 3; ++i)
    test::MailServers::AddMessage(user_, Message("d" + std::to_string(i), "del" + std::to_string(i)),
                                  "000" + std::to_string(i) + ".m");
  ASSERT_TRUE(Receive());
  EXPECT_EQ(Inbox().size(), 3u);
  EXPECT_EQ(test::MailServers::Count(user_), 0);
}

TEST_F(ReceiveTest, TwelveMessagesAnnounceNineLinesAndMore) {
  for (int i = 1; i <= 12; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d.m", i);
    test::MailServers::AddMessage(user_, Message("t" + std::to_string(i), "subject" + std::to_string(i)), name);
  }
  ASSERT_TRUE(Receive());
  ASSERT_EQ(prompter.shown.size(), 1u);
  const std::string& text = prompter.shown[0].text;
  EXPECT_EQ(text.rfind("あなたにメッセージが12通届いています。\n\n", 0), 0u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 9 + 1);
  EXPECT_NE(text.find("sender@example.jp" + std::string(23, ' ') + "subject9\n>>>>\n"), std::string::npos) << text;
}

TEST_F(ReceiveTest, SubAccountsAfterTheMainAccount) {
  std::vector<std::string> subs;
  for (int i = 0; i < 3; ++i) {
    subs.push_back(user_ + "s" + std::to_string(i));
    test::MailServers::AddUser(subs.back(), "sp" + std::to_string(i));
    test::MailServers::AddMessage(subs.back(), Message("s" + std::to_string(i), "sub" + std::to_string(i)), "0001.m");
    app.user().store.AddSubAccount("127.0.0.1", subs.back(), "sp" + std::to_string(i), test::MailServers::pop3Port(),
                                   0, i == 1 ? 1 : 0);  // the second one is disabled
  }
  test::MailServers::AddMessage(user_, Message("m0", "main"), "0001.m");
  ASSERT_TRUE(Receive());
  std::vector<std::string> subjects;
  for (const auto& m : Inbox()) subjects.push_back(m->subject);
  EXPECT_EQ(subjects, (std::vector<std::string>{"main", "sub0", "sub2"}));
  EXPECT_EQ(prompter.shown.size(), 1u) << "one announcement at the very end";
}

TEST_F(ReceiveTest, ListRunWithDeletionMarks) {
  test::MailServers::AddMessage(user_, Message("l1", "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?="), "0001.m");
  test::MailServers::AddMessage(user_, Message("l2", "keep"), "0002.m");
  host.marks = {1};
  ASSERT_TRUE(Receive(CReceiveDriver::Run::List));
  EXPECT_EQ(host.listed, 2u);
  // The follow-up receive deleted message 1 and fetched message 2.
  CFolderDetail* inbox = app.user().store.FindFolder(kInboxFolder);
  ASSERT_NE(inbox, nullptr);
  ASSERT_EQ(inbox->mails.size(), 1u);
  EXPECT_EQ(inbox->mails[0]->subject, "keep");
  EXPECT_EQ(test::MailServers::Count(user_), 1);
  EXPECT_FALSE(app.serverListExists);
  EXPECT_EQ(app.user().headerListPending, 0);
}

TEST_F(ReceiveTest, ListCancelledFetchesNothing) {
  test::MailServers::AddMessage(user_, Message("c1", "one"), "0001.m");
  host.acceptList = false;
  ASSERT_TRUE(Receive(CReceiveDriver::Run::List));
  EXPECT_EQ(app.user().store.FindFolder(kInboxFolder), nullptr);
  EXPECT_TRUE(app.serverListExists);
  ASSERT_TRUE(Receive());  // the next plain receive deletes the list
  EXPECT_FALSE(app.serverListExists);
  EXPECT_EQ(Inbox().size(), 1u);
}

TEST_F(ReceiveTest, WrongPasswordIsReportedAfterQuit) {
  app.user().mailPassword = "wrong";
  prompter.answers = {MbAnswer::Cancel};
  ASSERT_TRUE(Receive());
  // The failure, then (nothing having been fetched) the usual word.
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].text, kNoNewMail);
  EXPECT_EQ(prompter.shown[0].text,
            user_ + "@127.0.0.1[POP_PASS_NG]メールを受信に失敗しました。パスワードが正しくありません。続けますか。");
  EXPECT_EQ(prompter.shown[0].buttons, MbButtons::OkCancel);
  EXPECT_TRUE(app.transferIdle);
}

using test::ListenOnLoopback;

TEST_F(ReceiveTest, RefusedConnection) {
  const int port = test::UnusedLoopbackPort();
  app.user().popPort = port;
  EXPECT_FALSE(driver.StartRun(CReceiveDriver::Run::Receive));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "ｻｰﾊﾞｰ127.0.0.1ﾎﾟｰﾄ" + std::to_string(port) + "に接続を試みましたが、リジェクトされました。");
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(ReceiveTest, UnresolvableName) {
  app.user().popServer = "no-such-host.invalid";
  EXPECT_FALSE(driver.StartRun(CReceiveDriver::Run::Receive));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "ソケットはまだアドレスno-such-host.invalidにバインドされていません。");
}

// A server that accepts and never answers: the time-out (here a "minute"
// of 300 ms) ends the run with the no-response box.
TEST_F(ReceiveTest, SilentServerTimesOut) {
  int port = 0;
  int fd = ListenOnLoopback(port);
  app.user().popPort = port;
  app.timeoutMinuteMs = 300;
  ASSERT_TRUE(Receive());
  close(fd);
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().text, "127.0.0.1" + std::string(kNoResponse));
  EXPECT_TRUE(app.transferIdle);
  EXPECT_FALSE(app.autoCheck);
}

// A server that logs on, then stops answering and goes away: the probe
// (every half "minute", here 150 ms) finds it gone. What the run fetched
// before is filed first.
TEST_F(ReceiveTest, ProbeFindsTheServerGone) {
  int port = 0;
  int listener = ListenOnLoopback(port);
  const std::string message = Message("p1", "before the silence");
  std::thread server([listener, message] {
    int c = accept(listener, nullptr, nullptr);
    close(listener);  // nobody answers a new connection from now on
    auto say = [c](const std::string& s) { (void)!write(c, s.data(), s.size()); };
    auto hear = [c] {
      std::string line;
      char ch;
      while (read(c, &ch, 1) == 1 && ch != '\n') line.push_back(ch);
      return line;
    };
    say("+OK ready\r\n");
    hear();
    say("+OK\r\n");
    hear();
    say("+OK\r\n");
    hear();
    say("+OK 2 400\r\n");
    hear();  // LIST
    say("+OK\r\n.\r\n");
    hear();  // TOP 1 0
    say("+OK\r\nMessage-ID: <p1@example.jp>\r\n.\r\n");
    hear();  // RETR 1
    say("+OK\r\n" + message + ".\r\n");
    hear();  // TOP 2 0: no answer, ever
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    close(c);
  });
  app.user().popPort = port;
  app.timeoutMinuteMs = 300;
  ASSERT_TRUE(Receive());
  server.join();
  ASSERT_GE(prompter.shown.size(), 3u);
  // The refused probe, the mail fetched before, then the no-response box.
  EXPECT_NE(prompter.shown[0].text.find("に接続を試みましたが、リジェクトされました。"), std::string::npos);
  EXPECT_EQ(prompter.shown[1].text.rfind("あなたにメッセージが１通届いています。", 0), 0u) << prompter.shown[1].text;
  EXPECT_EQ(prompter.shown.back().text, "127.0.0.1" + std::string(kNoResponse));
  EXPECT_EQ(Inbox().size(), 1u);
  EXPECT_TRUE(app.transferIdle);
}

// The command line against the same server.
TEST_F(ReceiveTest, CommandLineReceive) {
  test::MailServers::AddMessage(user_, Message("cli1", "from the command line"), "0001.m");
  const std::map<std::string, std::string> env_ = {{"FENNEL_HOME", env.home()},
                                                  {"FENNEL_PROFILE_DIR", env.profileDir()},
                                                  {"FENNEL_PASSWORD", "pw"}};
  ASSERT_EQ(test::RunProcess(FENNEL_CLI_PATH, {"--user", "taro", "create-user"}, "", env_).exitCode, 0);
  auto set = test::RunProcess(FENNEL_CLI_PATH,
                              {"--user", "taro", "set", "pop_server=127.0.0.1",
                               "pop_port=" + std::to_string(test::MailServers::pop3Port()), "account=" + user_,
                               "mail_password=pw-" + user_},
                              "", env_);
  ASSERT_EQ(set.exitCode, 0) << set.err;
  std::filesystem::create_directories(env.home() + "/taro");
  auto r = test::RunProcess(FENNEL_CLI_PATH, {"--user", "taro", "receive"}, "", env_);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find(Cp932ToUtf8("あなたにメッセージが１通届いています。")), std::string::npos) << r.err;
  auto list = test::RunProcess(FENNEL_CLI_PATH, {"--user", "taro", "list", Cp932ToUtf8("受信フォルダ")}, "", env_);
  EXPECT_NE(list.out.find("from the command line"), std::string::npos) << list.out;
}

}  // namespace
}  // namespace fennel

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new fennel::test::MailServers);
  return RUN_ALL_TESTS();
}
