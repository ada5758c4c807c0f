// Receiving as the main frame drives it: runs, filing and announcing,
// the automatic check, the server mail list, progress, and servers that
// stop answering.
#include "transport/receive_driver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "config/record_file.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "store/mail_detail.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/transport/fake_pop.h"

namespace fennel {
namespace {

using test::FakePop;
using test::MailText;

// A loopback port nobody listens on: the probe of a server there fails
// without leaving the machine.
int UnusedLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    ADD_FAILURE() << "no loopback port";
  close(fd);
  return ntohs(a.sin_port);
}

class RecordingHost : public ReceiveHost {
 public:
  void ActivateMainWindow() override { ++activations; }
  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void SetProgressRange(int max) override { progressRange = max; }
  void SetProgressPos(int pos) override { progressPositions.push_back(pos); }
  bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) override {
    ++dialogs;
    listed.clear();
    for (auto& e : entries) {
      listed.push_back(std::to_string(e->i[0]) + " " + e->s[1]);
      if (marks.count(e->i[0])) e->i[1] = 2;
    }
    return acceptList;
  }
  void RefreshViews() override { ++refreshes; }

  int activations = 0;
  std::vector<std::string> statusTexts;
  int progressRange = -1;
  std::vector<int> progressPositions;
  int dialogs = 0;
  std::vector<std::string> listed;  // "number subject" of each entry shown
  std::set<int> marks;
  bool acceptList = true;
  int refreshes = 0;
};

class ReceiveDriverTest : public testing::Test {
 protected:
  static constexpr const char* kHost = "127.0.0.1";

  ReceiveDriverTest() {
    SetCurrentClock(&clock);
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.popServer = kHost;
    u.popPort = UnusedLoopbackPort();
    u.account = "taro";
    u.mailPassword = "secret";
    u.mailDir = mailDir();
    u.leaveOnServer = 1;
    u.serverTimeout = 0;
  }
  ~ReceiveDriverTest() override { SetCurrentClock(previousClock_ == &clock ? nullptr : previousClock_); }

  std::string mailDir() const { return dir / "mail"; }
  FakePop::Mailbox& box() { return pop.box(kHost); }
  std::string NoResponseText() const { return std::string(kHost) + kNoResponse; }
  // A message file in the mail directory, as a run leaves it.
  std::string TempFile(const std::string& name, const std::string& text) {
    test::WriteFile(JoinPath(mailDir(), name), text);
    return name;
  }
  void Deliver(std::vector<std::string> names) { driver.SendMessage(WM_POP_DONE, 0, reinterpret_cast<intptr_t>(&names)); }
  CFolderDetail* Folder(const std::string& name) { return app.user().store.FindFolder(name); }
  static std::string Notice(const std::string& from, const std::string& subject) {
    return NoticeLine(from, subject) + "\n";
  }

  Clock* previousClock_ = &CurrentClock();
  test::TempDir dir;
  ManualClock clock;
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  ManualEventLoop loop{clock};
  RecordingHost host;
  AnimationWindow animation{loop, prompter};
  FakePop pop;
  CReceiveDriver driver{app, loop, host, animation, pop.Factory()};
};

TEST(NoticeLineTest, FromPaddedToFortyBytesThenSubject) {
  EXPECT_EQ(NoticeLine("m01@ex.com", "hello"), "m01@ex.com" + std::string(30, ' ') + "hello");
  // Japanese: 2 bytes a character; cut and padded by bytes, never half a character.
  EXPECT_EQ(NoticeLine("山田太郎", "件名"), "山田太郎" + std::string(32, ' ') + "件名");
  std::string jp;
  for (int i = 0; i < 25; ++i) jp += "あ";  // 50 bytes
  EXPECT_EQ(NoticeLine("x" + jp, "s"), "x" + jp.substr(0, 38) + " " + "s");
  EXPECT_EQ(NoticeLine("f", jp), "f" + std::string(39, ' ') + jp.substr(0, 40));
}

TEST_F(ReceiveDriverTest, TwelveNewMessagesAreFiledAndAnnounced) {
  std::string expected = "あなたにメッセージが12通届いています。\n\n";
  for (int i = 1; i <= 12; ++i) {
    char from[16], subject[8];
    std::snprintf(from, sizeof from, "m%02d@ex.com", i);
    std::snprintf(subject, sizeof subject, "s%02d", i);
    box().messages.push_back(MailText("id" + std::to_string(i) + "@ex.com", from, subject));
    if (i <= 9) expected += std::string(from) + std::string(30, ' ') + subject + "\n";
  }
  expected += ">>>>\n";
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  EXPECT_TRUE(animation.isOpen());
  pop.Serve();
  pop.expectEveryConnectionQuit();

  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, expected);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);
  EXPECT_EQ(driver.lastCount(), 12);
  ASSERT_NE(Folder(kInboxFolder), nullptr) << "created for the new mail";
  EXPECT_EQ(Folder(kInboxFolder)->mails.size(), 12u);
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->subject, "s01");
  EXPECT_EQ(Folder(kInboxFolder)->mails[0]->state, CMailDetail::kUnread);
  EXPECT_FALSE(animation.isOpen());
  EXPECT_TRUE(app.transferIdle);
  EXPECT_EQ(host.refreshes, 1);
}

TEST_F(ReceiveDriverTest, OneMessageGoesWhereItsRuleSends) {
  app.user().store.AddFolder("会議", /*sortCondition=*/1, 0, "打合せ,会議");
  box().messages = {MailText("a@ex.com", "m01@ex.com", "=?ISO-2022-JP?B?GyRCMnE1RCROGyhC?=")};
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.Serve();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが１通届いています。\n\n" + Notice("m01@ex.com", "会議の"));
  ASSERT_EQ(Folder("会議")->mails.size(), 1u);
  EXPECT_EQ(Folder(kInboxFolder), nullptr);
}

TEST_F(ReceiveDriverTest, FilingPassesOverDuplicatesAndShortFiles) {
  auto held = std::make_unique<CMailDetail>();
  held->messageId = "<dup@ex.com>";
  held->filePath = JoinPath(mailDir(), "RCVheld0.tmp");
  app.user().store.FolderOrCreate(kInboxFolder)->AddMail(std::move(held));

  Deliver({TempFile("RCVaaaaa.tmp", MailText("new1@ex.com", "a@ex.com", "first")),
           TempFile("RCVbbbbb.tmp", MailText("dup@ex.com", "b@ex.com", "again")),
           TempFile("RCVccccc.tmp", "Subject:\r\n"),  // 10 bytes is enough...
           TempFile("RCVddddd.tmp", "X: 1\r\n\r\n"),    // ...9 is not
           TempFile("RCVeeeee.tmp", MailText("new2@ex.com", "e@ex.com", "last"))});

  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが3通届いています。\n\n" + Notice("a@ex.com", "first") +
                                        Notice("", "") + Notice("e@ex.com", "last"));
  EXPECT_EQ(Folder(kInboxFolder)->mails.size(), 4u);
  EXPECT_FALSE(FileExists(JoinPath(mailDir(), "RCVbbbbb.tmp"))) << "the second copy goes";
  EXPECT_TRUE(FileExists(JoinPath(mailDir(), "RCVddddd.tmp"))) << "a short file stays where it is";
}

TEST_F(ReceiveDriverTest, FiledMailIsInTheIdFileAtOnce) {
  // A crash after the announcement must not lose the records of the mail.
  app.user().logonDir = dir.path();
  const std::string idFile = CMailApp::IdFilePath(dir.path(), "taro");
  Deliver({TempFile("RCVaaaaa.tmp", MailText("new1@ex.com", "a@ex.com", "first"))});
  CUserInfo onDisk;
  ASSERT_EQ(LoadRecordFile(idFile, onDisk, false, nullptr), RecordLoad::Ok);
  ASSERT_NE(onDisk.store.FindFolder(kInboxFolder), nullptr);
  ASSERT_EQ(onDisk.store.FindFolder(kInboxFolder)->mails.size(), 1u);
  EXPECT_EQ(onDisk.store.FindFolder(kInboxFolder)->mails[0]->subject, "first");

  // Nothing filed, nothing written.
  RemoveFile(idFile);
  Deliver({});
  EXPECT_FALSE(FileExists(idFile));
}

TEST_F(ReceiveDriverTest, NoNewMailIsToldOnlyWhenAsked) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.Serve();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, kNoNewMail);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);

  prompter.shown.clear();
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::AutoCheck));
  EXPECT_FALSE(animation.isOpen());
  pop.Serve();
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(app.autoCheck);
  EXPECT_TRUE(app.transferIdle);
  pop.expectEveryConnectionQuit();
}

TEST_F(ReceiveDriverTest, AutomaticCheckRunsOnlyWhenIdle) {
  app.timeoutMinuteMs = 24 * 3600000LL;  // keeps the probe out of this test
  app.user().checkInterval = 5;
  driver.OnCreate();
  loop.Advance(5 * 60000 - 1);
  EXPECT_TRUE(pop.connects.empty());
  loop.Advance(1);
  ASSERT_EQ(pop.connects.size(), 1u);
  EXPECT_TRUE(app.autoCheck);
  // The next tick finds the run still going: nothing new starts.
  loop.Advance(5 * 60000);
  EXPECT_EQ(pop.connects.size(), 1u);
  pop.Serve();
  EXPECT_TRUE(app.transferIdle);
  loop.Advance(5 * 60000);
  EXPECT_EQ(pop.connects.size(), 2u);
  pop.Serve();
  EXPECT_TRUE(prompter.shown.empty());
  pop.expectEveryConnectionQuit();
}

TEST_F(ReceiveDriverTest, NoAutomaticCheckWithoutInterval) {
  app.user().checkInterval = 0;
  driver.OnCreate();
  loop.Advance(24 * 3600000LL);
  EXPECT_TRUE(pop.connects.empty());
  EXPECT_FALSE(loop.HasTimer());
}

TEST_F(ReceiveDriverTest, AutomaticCheckAnnouncesThroughTheAnimation) {
  app.user().checkInterval = 5;
  driver.OnCreate();
  box().messages = {MailText("a@ex.com", "m01@ex.com", "hello")};
  loop.Advance(5 * 60000);
  pop.Serve();
  EXPECT_TRUE(prompter.shown.empty()) << "not before the animation has run";
  EXPECT_TRUE(animation.isOpen());
  loop.Advance(31 * AnimationWindow::kFrameMs);  // one cycle: one message
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが１通届いています。\n\n" + Notice("m01@ex.com", "hello"));
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);
  EXPECT_FALSE(animation.isOpen());
}

// A server that says nothing: the probe finds the port closed at half the
// time-out, and the run ends with one box, not a second one at the time-out.
TEST_F(ReceiveDriverTest, SilentServerProbedBeforeTheTimeout) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  loop.Advance(30000);
  ASSERT_EQ(prompter.shown.size(), 2u);
  const std::string hostPort = "ｻｰﾊﾞｰ127.0.0.1ﾎﾟｰﾄ" + std::to_string(app.user().popPort);
  EXPECT_EQ(prompter.shown[0].text.rfind(hostPort + "に接続を試みましたが、", 0), 0u) << prompter.shown[0].text;
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_EQ(prompter.shown[1].text, NoResponseText());
  EXPECT_EQ(prompter.shown[1].icon, MbIcon::Stop);
  EXPECT_TRUE(app.transferIdle);
  EXPECT_FALSE(animation.isOpen());
  EXPECT_FALSE(pop.open());
  loop.Advance(5 * 60000);
  EXPECT_EQ(prompter.shown.size(), 2u) << prompter.shown.back().text;
}

// The logon time-out itself (in these tests the probe always fires first,
// so the timer is delivered by hand).
TEST_F(ReceiveDriverTest, LogonTimeout) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk({"S: +OK ready", "C: USER taro"});
  driver.OnTimer(TIMER_POP_TIMEOUT);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, NoResponseText());
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_TRUE(app.transferIdle);
  EXPECT_FALSE(pop.open());
  EXPECT_GE(host.activations, 1);
  loop.Advance(5 * 60000);
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_TRUE(driver.CanReceive());
}

TEST_F(ReceiveDriverTest, ProbeAfterStatFilesWhatCameFirst) {
  box().messages = {MailText("a@ex.com", "m01@ex.com", "one"), MailText("b@ex.com", "m02@ex.com", "two")};
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk(FakePop::ReceiveLogon("+OK 2 400"));
  loop.Advance(20000);  // the logon time-out is off now; the probe is not due yet
  pop.talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .", "C: RETR 1"});
  pop.server({"+OK", "From: m01@ex.com", "Subject: one", "", "body", "."});
  pop.expectClient("TOP 2 0");  // and then nothing
  EXPECT_TRUE(prompter.shown.empty());
  loop.Advance(10000);
  ASSERT_EQ(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);  // the probe's connection box
  EXPECT_EQ(prompter.shown[1].text, "あなたにメッセージが１通届いています。\n\n" + Notice("m01@ex.com", "one"));
  EXPECT_EQ(prompter.shown[2].text, NoResponseText());
  EXPECT_EQ(Folder(kInboxFolder)->mails.size(), 1u);
  EXPECT_TRUE(app.transferIdle);
  loop.Advance(5 * 60000);
  EXPECT_EQ(prompter.shown.size(), 3u);
}

TEST_F(ReceiveDriverTest, ServerHangingUpMidRunIsNoResponse) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk(FakePop::ReceiveLogon("+OK 2 400"));
  pop.talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .", "C: RETR 1"});
  pop.server({"+OK", "From: m01@ex.com", "Subject: one", "", "body", "."});
  pop.expectClient("TOP 2 0");
  pop.hangUp();
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが１通届いています。\n\n" + Notice("m01@ex.com", "one"));
  EXPECT_EQ(prompter.shown[1].text, NoResponseText());
  EXPECT_EQ(prompter.shown[1].icon, MbIcon::Stop);
  EXPECT_TRUE(app.transferIdle);
  loop.Advance(5 * 60000);
  EXPECT_EQ(prompter.shown.size(), 2u);
}

// A message cut off by the hang-up leaves no half file behind.
TEST_F(ReceiveDriverTest, HangUpInTheMiddleOfAMessageLeavesNoFile) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk(FakePop::ReceiveLogon("+OK 1 400"));
  pop.talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .", "C: RETR 1"});
  pop.server({"+OK", "From: m01@ex.com", "Subject: one", "", "the first half"});
  pop.hangUp();
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{NoResponseText()});
  for (const auto& e : std::filesystem::directory_iterator(app.user().mailDir))
    ADD_FAILURE() << "left behind: " << e.path();
}

// A failed logon ends with its own box; no time-out box follows later.
TEST_F(ReceiveDriverTest, FailedLogonLeavesNoTimeoutBehind) {
  prompter.answers = {MbAnswer::Cancel};
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk({"S: +OK", "C: USER taro", "S: +OK", "C: PASS secret", "S: -ERR wrong", "C: QUIT", "S: +OK"});
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown[0].text.find("[POP_PASS_NG]"), std::string("taro@127.0.0.1").size());
  const size_t boxes = prompter.shown.size();
  EXPECT_TRUE(app.transferIdle);
  loop.Advance(5 * 60000);
  EXPECT_EQ(prompter.shown.size(), boxes) << prompter.shown.back().text;
}

TEST_F(ReceiveDriverTest, ListCancelledFetchesNothing) {
  box().messages = {MailText("a@ex.com", "a@ex.com", "one"), MailText("b@ex.com", "b@ex.com", "two")};
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::List));
  host.acceptList = false;
  pop.Serve();
  EXPECT_EQ(host.dialogs, 1);
  EXPECT_EQ(host.listed, (std::vector<std::string>{"1 one", "2 two"}));
  EXPECT_EQ(pop.connects.size(), 1u);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(Folder(kInboxFolder), nullptr);
  EXPECT_FALSE(driver.listCommand());
  EXPECT_EQ(app.pendingServerList.size(), 2u);
  EXPECT_TRUE(app.transferIdle);
  // The next plain receive deletes the server mail list.
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.Serve();
  EXPECT_EQ(host.dialogs, 1);
  EXPECT_TRUE(app.pendingServerList.empty());
  EXPECT_FALSE(app.serverListExists);
  EXPECT_EQ(Folder(kInboxFolder)->mails.size(), 2u);
  pop.expectEveryConnectionQuit();
}

TEST_F(ReceiveDriverTest, ListAcceptedReceivesWhatIsNotMarked) {
  box().messages = {MailText("a@ex.com", "a@ex.com", "one"), MailText("b@ex.com", "b@ex.com", "spam"),
                    MailText("c@ex.com", "c@ex.com", "three")};
  host.marks = {2};
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::List));
  pop.Serve();
  EXPECT_EQ(host.dialogs, 1);
  ASSERT_EQ(pop.perConnection.size(), 2u);
  EXPECT_EQ(pop.perConnection[1], (std::vector<std::string>{"USER taro", "PASS secret", "STAT", "LIST", "TOP 1 0", "RETR 1",
                                                             "DELE 2", "TOP 3 0", "RETR 3", "QUIT"}));
  pop.expectEveryConnectionQuit();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text.rfind("あなたにメッセージが2通届いています。", 0), 0u);
  EXPECT_EQ(app.user().headerListPending, 0);
  EXPECT_TRUE(app.pendingServerList.empty());
  EXPECT_FALSE(app.serverListExists);
  EXPECT_TRUE(app.transferIdle);
  loop.RunPosted();  // the finished session goes
}

TEST_F(ReceiveDriverTest, ProgressInTheStatusBar) {
  ASSERT_TRUE(driver.StartRun(CReceiveDriver::Run::Receive));
  pop.talk(FakePop::ReceiveLogon("+OK 2 400"));
  EXPECT_EQ(host.progressRange, 2);
  pop.expectClient("TOP 1 0");
  loop.Advance(50);
  EXPECT_EQ(host.statusTexts, std::vector<std::string>{"受信中です。1/2"});
  pop.talk({"S: +OK", "S: Subject: one", "S: ", "S: .", "C: RETR 1"});
  pop.server({"+OK", "Subject: one", "", "b", "."});
  pop.expectClient("TOP 2 0");
  loop.Advance(50);
  EXPECT_EQ(host.statusTexts, (std::vector<std::string>{"受信中です。1/2", "受信中です。2/2", ""}));
  EXPECT_EQ(host.progressPositions, (std::vector<int>{1, 2, 0}));
  loop.Advance(500);
  EXPECT_EQ(host.statusTexts.size(), 3u) << "the progress timer stopped";
}

TEST_F(ReceiveDriverTest, CanReceiveNeedsAccountAndIdle) {
  EXPECT_TRUE(driver.CanReceive());
  app.transferIdle = false;
  EXPECT_FALSE(driver.CanReceive());
  app.transferIdle = true;
  app.user().mailPassword.clear();
  EXPECT_FALSE(driver.CanReceive());
}

}  // namespace
}  // namespace fennel
