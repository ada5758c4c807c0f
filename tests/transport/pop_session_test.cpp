// The POP3 session, one dialogue at a time against the fake server.
#include <gtest/gtest.h>

#include "store/list_info.h"
#include "store/mail_detail.h"
#include "tests/transport/pop_rig.h"

namespace fennel {
namespace {

using test::PopRig;
constexpr const char* kServer = PopRig::kServer;
std::vector<std::string> Logon(const std::string& statReply) { return PopRig::Logon(statReply); }
std::vector<std::string> ReceiveLogon(const std::string& statReply) { return PopRig::ReceiveLogon(statReply); }

class PopSessionTest : public testing::Test, public PopRig {};

TEST_F(PopSessionTest, ReceiveDeleteAndQuitInOrder) {
  ASSERT_TRUE(Start(/*deleteFlag=*/true));
  EXPECT_EQ(pop.connects, std::vector<std::string>{"pop.example.jp:110"});
  EXPECT_FALSE(app.transferIdle);
  EXPECT_EQ(owner.animations, 1);
  Talk(ReceiveLogon("+OK 2 320"));
  Talk({"C: TOP 1 0",
        "S: +OK", "S: Message-ID: <m1@example.jp>", "S: Subject: one", "S: ", "S: .",
        "C: RETR 1",
        "S: +OK 120", "S: Message-ID: <m1@example.jp>", "S: Subject: one", "S: ",
        "S: ..x", "S: ..", "S: .. dot", "S: last", "S: .",
        "C: DELE 1",
        "S: +OK deleted",
        "C: TOP 2 0",
        "S: +OK", "S: Subject: two", "S: ", "S: .",
        "C: RETR 2",
        "S: +OK", "S: Subject: two", "S: ", "S: body", "S: .",
        "C: DELE 2",
        "S: +OK",
        "C: QUIT"});
  EXPECT_EQ(owner.progressRange, 2);
  EXPECT_TRUE(owner.messages.empty()) << "the run ends with the reply to QUIT";
  pop.server("+OK bye");

  const std::vector<std::string> names = DoneNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(Stored(names[0]), "Message-ID: <m1@example.jp>\r\nSubject: one\r\n\r\n.x\r\n.\r\n. dot\r\nlast\r\n");
  EXPECT_EQ(Stored(names[1]), "Subject: two\r\n\r\nbody\r\n");
  for (const std::string& n : names) EXPECT_TRUE(n.rfind("RCV", 0) == 0 && n.size() == 12) << n;
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_TRUE(app.transferIdle);
  EXPECT_FALSE(pop.open());
  pop.expectNothingMore();
}

// An overlong body line comes in pieces: only its first piece loses a
// doubled dot, and a piece that is "." does not end the message.
TEST_F(PopSessionTest, OverlongBodyLineStoredWhole) {
  ASSERT_TRUE(Start());
  Talk(ReceiveLogon("+OK 1 100"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: x", "S: ", "S: .", "C: RETR 1", "S: +OK", "S: Subject: x", "S: "});
  session.OnLine("..first", true);
  session.OnLine(".second", true);
  session.OnLine(".", false);
  session.OnLine("..", false);
  EXPECT_EQ(pop.sent.back(), "RETR 1");
  Talk({"S: .", "C: QUIT", "S: +OK"});
  const std::vector<std::string> names = DoneNames();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(Stored(names[0]), "Subject: x\r\n\r\n.first.second.\r\n.\r\n");
}

TEST_F(PopSessionTest, LeaveOnServerSendsNoDele) {
  ASSERT_TRUE(Start(/*deleteFlag=*/false));
  Talk(ReceiveLogon("+OK 1 100"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: x", "S: ", "S: .",
        "C: RETR 1", "S: +OK", "S: Subject: x", "S: ", "S: hi", "S: .",
        "C: QUIT", "S: +OK"});
  EXPECT_EQ(DoneNames().size(), 1u);
  pop.expectNothingMore();
}

TEST(PopSessionTable, StatWithNoMessagesEndsAtOnce) {
  // "+ok" in lower case is a positive reply, but its count is not read.
  for (const char* stat : {"+OK 0 0", "+ok 2 100"}) {
    SCOPED_TRACE(stat);
    PopRig r;
    ASSERT_TRUE(r.Start());
    r.Talk(Logon(stat));
    r.Talk({"C: QUIT", "S: +OK"});
    EXPECT_TRUE(r.DoneNames().empty());
    EXPECT_TRUE(r.prompter.shown.empty());
    EXPECT_TRUE(r.app.transferIdle);
    r.pop.expectNothingMore();
  }
}

TEST(PopSessionTable, KnownMessageIsSkippedOnlyWhenMailStaysOnTheServer) {
  struct Row {
    const char* name;
    bool deleteFlag;
    std::vector<std::string> header;
    const char* next;  // the command after the header
  };
  const Row rows[] = {
      {"known", false, {"From: a@example.jp", "Message-ID: <old@example.jp>", "Subject: s"}, "TOP 2 0"},
      {"other letter case", false, {"Message-Id: <old@example.jp>"}, "TOP 2 0"},
      {"lower case, spaces", false, {"message-id:   <old@example.jp>  "}, "TOP 2 0"},
      {"folded", false, {"Subject: s", "Message-ID:", " <old@example.jp>", "To: b@example.jp"}, "TOP 2 0"},
      {"known, delete flag", true, {"Message-ID: <old@example.jp>"}, "RETR 1"},
      {"new", false, {"Message-ID: <new@example.jp>"}, "RETR 1"},
      {"no Message-ID", false, {"Subject: s"}, "RETR 1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PopRig r;
    r.StoreMailWithId("<old@example.jp>");
    ASSERT_TRUE(r.Start(row.deleteFlag));
    r.Talk(ReceiveLogon("+OK 2 200"));
    r.pop.expectClient("TOP 1 0");
    r.pop.server("+OK");
    for (const std::string& h : row.header) r.pop.server(h);
    r.Talk({"S: ", "S: ."});
    r.pop.expectClient(row.next);
    r.pop.expectNothingMore();
  }
}

TEST_F(PopSessionTest, KnownLastMessageEndsTheRun) {
  StoreMailWithId("<old@example.jp>");
  ASSERT_TRUE(Start());
  Talk(ReceiveLogon("+OK 1 100"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Message-ID: <old@example.jp>", "S: ", "S: .", "C: QUIT", "S: +OK"});
  EXPECT_TRUE(DoneNames().empty());
}

// Each failure: QUIT, then after its reply the box; Cancel ends the run,
// OK goes on with the sub-accounts.
TEST(PopSessionTable, FailureBoxAfterQuitThenCancelOrContinue) {
  const std::vector<std::string> logon = Logon("+OK 1 100");
  auto upTo = [&](size_t rows, std::vector<std::string> more) {
    std::vector<std::string> d(logon.begin(), logon.begin() + static_cast<long>(rows));
    d.insert(d.end(), more.begin(), more.end());
    return d;
  };
  const std::string fail = "メールを受信に失敗しました。続けますか。";
  struct Row {
    const char* tag;
    bool listMode;
    std::vector<std::string> dialogue;
    std::string text;
  };
  const std::vector<Row> rows = {
      {"[POP_CONNECT_NG]", false, {"S: -ERR busy"}, fail},
      {"[POP_USER_NG]", false, upTo(2, {"S: -ERR"}),
       "メールを受信に失敗しました。アカウントが正しくありません。続けますか。"},
      {"[POP_PASS_NG]", false, upTo(4, {"S: -ERR"}),
       "メールを受信に失敗しました。パスワードが正しくありません。続けますか。"},
      {"[POP_STAT_NG]", false, upTo(6, {"S: -ERR"}), fail},
      {"[POP_TOP2_LINE_NG]", false, upTo(7, {"C: LIST", "S: +OK", "S: .", "C: TOP 1 0", "S: -ERR"}), fail},
      {"[POP_LIST_LINE_NG]", true, upTo(7, {"C: LIST", "S: -ERR"}), fail},
      {"[POP_TOP_LINE_NG]", true, upTo(7, {"C: LIST", "S: +OK", "S: 1 100", "S: .", "C: TOP 1 0", "S: -ERR"}), fail},
  };
  for (const Row& row : rows) {
    for (MbAnswer answer : {MbAnswer::Cancel, MbAnswer::Ok}) {
      SCOPED_TRACE(std::string(row.tag) + (answer == MbAnswer::Ok ? " OK" : " Cancel"));
      PopRig r;
      r.app.user().store.AddSubAccount("pop2.example.jp", "jiro", "pw2", 110, 0, 0);
      r.prompter.answers = {answer};
      ASSERT_TRUE(r.Start(false, false, row.listMode));
      r.Talk(row.dialogue);
      r.pop.expectClient("QUIT");
      EXPECT_TRUE(r.prompter.shown.empty()) << "the box waits for the reply to QUIT";
      r.pop.server("+OK bye");
      ASSERT_EQ(r.prompter.shown.size(), 1u);
      EXPECT_EQ(r.prompter.shown[0].text, "taro@pop.example.jp" + std::string(row.tag) + row.text);
      EXPECT_EQ(r.prompter.shown[0].icon, MbIcon::Question);
      EXPECT_EQ(r.prompter.shown[0].buttons, MbButtons::OkCancel);
      if (answer == MbAnswer::Cancel) {
        EXPECT_TRUE(r.DoneNames().empty());
        EXPECT_EQ(r.pop.connects.size(), 1u) << "no sub-account after Cancel";
        EXPECT_TRUE(r.app.transferIdle);
      } else {
        EXPECT_TRUE(r.owner.messages.empty());
        EXPECT_EQ(r.pop.connects, (std::vector<std::string>{"pop.example.jp:110", "pop2.example.jp:110"}));
        r.pop.Serve();
        EXPECT_TRUE(r.DoneNames().empty());
        r.pop.expectEveryConnectionQuit();
      }
      r.pop.expectNothingMore();
    }
  }
}

TEST_F(PopSessionTest, FailedRetrSkipsTheMessageWithoutABox) {
  ASSERT_TRUE(Start(/*deleteFlag=*/true));
  Talk(ReceiveLogon("+OK 2 200"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .",
        "C: RETR 1", "S: -ERR locked",
        "C: TOP 2 0", "S: +OK", "S: Subject: two", "S: ", "S: .",
        "C: RETR 2", "S: +OK", "S: Subject: two", "S: ", "S: b", "S: .",
        "C: DELE 2", "S: +OK",
        "C: QUIT", "S: +OK"});
  const std::vector<std::string> names = DoneNames();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(Stored(names[0]), "Subject: two\r\n\r\nb\r\n");
  EXPECT_EQ(FilesInMailDir(), names) << "no file is left for the skipped message";
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PopSessionTest, FailedDeleEndsTheRunWithoutABox) {
  ASSERT_TRUE(Start(/*deleteFlag=*/true));
  Talk(ReceiveLogon("+OK 2 200"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .",
        "C: RETR 1", "S: +OK", "S: Subject: one", "S: ", "S: b", "S: .",
        "C: DELE 1", "S: -ERR",
        "C: QUIT", "S: +OK"});
  EXPECT_TRUE(DoneNames().empty());
  EXPECT_TRUE(prompter.shown.empty());
  pop.expectNothingMore();
}

// A mail directory that takes no file (gone, or a full disk): nothing is
// deleted, nothing more is fetched, and the run says why, with no question
// and no sub-account after it.
TEST_F(PopSessionTest, MessageThatCannotBeStoredIsNotDeleted) {
  app.user().mailDir = dir / "missing";
  app.user().store.AddSubAccount("pop2.example.jp", "jiro", "pw2", 110, 0, 0);
  ASSERT_TRUE(Start(/*deleteFlag=*/true));
  Talk(ReceiveLogon("+OK 2 200"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: one", "S: ", "S: .", "C: QUIT", "S: +OK"});
  pop.expectNothingMore();
  EXPECT_TRUE(DoneNames().empty());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text.rfind("taro@pop.example.jp[POP_STORE_NG]メールディレクトリ " + app.user().mailDir, 0),
            0u);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_EQ(pop.connects.size(), 1u) << "no sub-account after a full disk";
  EXPECT_EQ(owner.failures.size(), 1u);
}

TEST(PopSessionTable, AuthenticationOnly) {
  // Logged on: QUIT after STAT, and the send goes on (wParam 0) without a box.
  {
    PopRig r;
    r.app.user().store.AddSubAccount("pop2.example.jp", "jiro", "pw2", 110, 0, 0);
    ASSERT_TRUE(r.Start(false, /*authOnly=*/true));
    EXPECT_EQ(r.owner.animations, 0);
    r.Talk(Logon("+OK 3 300"));
    r.Talk({"C: QUIT", "S: +OK"});
    ASSERT_EQ(r.owner.messages.size(), 1u);
    EXPECT_EQ(r.owner.messages[0].msg, WM_POPAUTH_DONE);
    EXPECT_EQ(r.owner.messages[0].wParam, 0u);
    EXPECT_TRUE(r.prompter.shown.empty());
    EXPECT_EQ(r.pop.connects.size(), 1u) << "no sub-account for a logon";
    EXPECT_TRUE(r.app.transferIdle);
    EXPECT_FALSE(r.session.authOnly());
  }
  // A failure answered OK: the send does not go ahead (wParam 1).
  {
    PopRig r;
    r.app.user().store.AddSubAccount("pop2.example.jp", "jiro", "pw2", 110, 0, 0);
    ASSERT_TRUE(r.Start(false, /*authOnly=*/true));
    r.Talk({"S: +OK", "C: USER taro", "S: +OK", "C: PASS secret", "S: -ERR", "C: QUIT", "S: +OK"});
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_EQ(r.prompter.shown[0].text,
              "taro@pop.example.jp[POP_PASS_NG]POP認証に失敗しました。POPサーバー及びアカウント、パスワードをご確認ください。");
    EXPECT_EQ(r.prompter.shown[0].icon, MbIcon::Question);
    ASSERT_EQ(r.owner.messages.size(), 1u);
    EXPECT_EQ(r.owner.messages[0].msg, WM_POPAUTH_DONE);
    EXPECT_EQ(r.owner.messages[0].wParam, 1u);
    EXPECT_EQ(r.pop.connects.size(), 1u);
  }
}

// A session that has done a receive logs on for a send like a fresh one.
TEST_F(PopSessionTest, AuthenticationAfterAReceiveOnTheSameSession) {
  ASSERT_TRUE(Start());
  Talk(Logon("+OK 0 0"));
  Talk({"C: QUIT", "S: +OK"});
  owner.messages.clear();
  ASSERT_TRUE(Start(false, /*authOnly=*/true));
  Talk(Logon("+OK 0 0"));
  Talk({"C: QUIT", "S: +OK"});
  ASSERT_EQ(owner.messages.size(), 1u);
  EXPECT_EQ(owner.messages[0].msg, WM_POPAUTH_DONE);
  EXPECT_EQ(owner.messages[0].wParam, 0u) << "a successful logon lets the send go on";
}

TEST_F(PopSessionTest, SubAccountsInListOrderSkippingDisabled) {
  CListInfo& store = app.user().store;
  store.AddSubAccount("pop2.example.jp", "jiro", "pw2", 1110, /*deleteFromServer=*/1, 0);
  store.AddSubAccount("pop3.example.jp", "saburo", "pw3", 2110, 0, /*disabled=*/1);
  store.AddSubAccount("pop4.example.jp", "shiro", "pw4", 3110, 0, 0);
  pop.box(kServer).messages = {test::MailText("a@x", "a@example.jp", "main")};
  pop.box("pop2.example.jp").messages = {test::MailText("b@x", "b@example.jp", "second")};
  pop.box("pop4.example.jp").messages = {test::MailText("c@x", "c@example.jp", "fourth")};
  ASSERT_TRUE(Start());
  pop.Serve();
  EXPECT_EQ(pop.connects,
            (std::vector<std::string>{"pop.example.jp:110", "pop2.example.jp:1110", "pop4.example.jp:3110"}));
  ASSERT_EQ(pop.perConnection.size(), 3u);
  EXPECT_EQ(pop.perConnection[1],
            (std::vector<std::string>{"USER jiro", "PASS pw2", "STAT", "LIST", "TOP 1 0", "RETR 1", "DELE 1", "QUIT"}));
  EXPECT_EQ(pop.perConnection[2],
            (std::vector<std::string>{"USER shiro", "PASS pw4", "STAT", "LIST", "TOP 1 0", "RETR 1", "QUIT"}));
  pop.expectEveryConnectionQuit();
  EXPECT_EQ(DoneNames().size(), 3u);
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(PopSessionTest, SubAccountThatCannotConnectIsPassedOver) {
  app.user().store.AddSubAccount("down.example.jp", "jiro", "pw2", 110, 0, 0);
  app.user().store.AddSubAccount("pop3.example.jp", "saburo", "pw3", 110, 0, 0);
  pop.refused = {"down.example.jp"};
  ASSERT_TRUE(Start());
  Talk(Logon("+OK 0 0"));
  Talk({"C: QUIT", "S: +OK"});
  EXPECT_EQ(pop.connects.back(), "pop3.example.jp:110");
  EXPECT_FALSE(app.transferIdle) << "a run is going on";
  EXPECT_TRUE(owner.messages.empty());
  pop.Serve();
  EXPECT_TRUE(app.transferIdle);
  EXPECT_TRUE(DoneNames().empty());
}

TEST_F(PopSessionTest, StartThatCannotConnect) {
  pop.refused = {kServer};
  EXPECT_FALSE(Start());
  EXPECT_TRUE(app.transferIdle);
  EXPECT_EQ(owner.animations, 0);
  EXPECT_FALSE(loop.HasTimer());
}

TEST_F(PopSessionTest, ListRunFillsTheServerMailList) {
  app.user().headerListMode = 1;
  CCommonDetail* kept = ServerListEntry(1, 2);  // marked by an earlier list
  CCommonDetail* otherAccount = ServerListEntry(1, 0, kServer, "hanako");
  ASSERT_TRUE(Start());
  Talk(Logon("+OK 2 300"));
  Talk({"C: LIST", "S: +OK 2 messages", "S: 1 100", "S: 2 200", "S: .",
        "C: TOP 1 0", "S: +OK",
        "S: From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>",
        "S: Subject: =?ISO-2022-JP?B?GyRCMnE1RCROGyhC?=",
        "S: \t=?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=",
        "S: ", "S: .",
        "C: TOP 2 0", "S: +OK",
        "S: Subject: weekly", "S: \treport\tdraft", "S: from: hanako@example.jp", "S: ", "S: .",
        "C: QUIT", "S: +OK"});
  EXPECT_TRUE(DoneNames().empty());
  EXPECT_TRUE(app.serverListExists);
  ASSERT_EQ(app.pendingServerList.size(), 3u);
  EXPECT_EQ(kept->s[0], "山田太郎 <yamada@example.jp>");
  EXPECT_EQ(kept->s[1], "会議のお知らせ");
  EXPECT_EQ(kept->i[1], 2) << "the mark stays";
  EXPECT_EQ(otherAccount->s[0], "from 1") << "another account's entry is not touched";
  const CCommonDetail& added = *app.pendingServerList[2];
  EXPECT_EQ(added.s[0], "hanako@example.jp");
  EXPECT_EQ(added.s[1], "weeklyreportdraft");
  EXPECT_EQ(added.s[2], kServer);
  EXPECT_EQ(added.s[3], "taro");
  EXPECT_EQ(added.i[0], 2);
  EXPECT_EQ(added.i[1], 0);
  EXPECT_EQ(added.i[2], 200);
  EXPECT_TRUE(FilesInMailDir().empty());
}

TEST_F(PopSessionTest, ListModeFromTheCommand) {
  ASSERT_TRUE(Start(false, false, /*listMode=*/true));
  Talk(Logon("+OK 1 100"));
  Talk({"C: LIST", "S: +OK", "S: 1 100", "S: .", "C: TOP 1 0", "S: +OK", "S: Subject: s", "S: ", "S: .",
        "C: QUIT", "S: +OK"});
  ASSERT_EQ(app.pendingServerList.size(), 1u);
  EXPECT_EQ(app.pendingServerList[0]->s[1], "s");
  EXPECT_EQ(app.pendingServerList[0]->s[0], " ") << "no From: field";
}

// After the list dialog: the marked messages are deleted unread, the others
// fetched, in the order of their numbers.
TEST(PopSessionTable, ReceivingPerList) {
  struct Row {
    const char* name;
    std::vector<std::pair<int, int>> entries;  // number, action (2 = delete)
    std::set<std::string> failing;
    std::vector<std::string> commands;
    size_t files;
  };
  const std::vector<Row> rows = {
      {"one marked",
       {{1, 0}, {2, 2}, {3, 0}},
       {},
       {"TOP 1 0", "RETR 1", "DELE 2", "TOP 3 0", "RETR 3", "QUIT"},
       2},
      {"first and last marked",
       {{1, 2}, {2, 0}, {3, 2}},
       {},
       {"DELE 1", "TOP 2 0", "RETR 2", "DELE 3", "QUIT"},
       1},
      {"marks out of order",
       {{1, 0}, {4, 2}, {2, 2}, {3, 0}},
       {},
       {"TOP 1 0", "RETR 1", "DELE 2", "TOP 3 0", "RETR 3", "DELE 4", "QUIT"},
       2},
      {"failed RETR before a marked one",
       {{1, 0}, {2, 2}, {3, 0}},
       {"RETR 1"},
       {"TOP 1 0", "RETR 1", "DELE 2", "TOP 3 0", "RETR 3", "QUIT"},
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PopRig r;
    r.app.user().headerListPending = 1;
    r.app.serverListExists = true;
    for (auto [number, action] : row.entries) r.ServerListEntry(number, action);
    r.ServerListEntry(2, 2, "pop9.example.jp");  // another server's mark counts nothing here
    for (size_t i = 0; i < row.entries.size(); ++i)
      r.pop.box(kServer).messages.push_back(
          test::MailText("m" + std::to_string(i + 1) + "@x", "a@example.jp", "n" + std::to_string(i + 1)));
    r.pop.failing = row.failing;
    ASSERT_TRUE(r.Start());
    r.pop.Serve();
    const std::vector<std::string> logon = {"USER taro", "PASS secret", "STAT", "LIST"};
    std::vector<std::string> expected = logon;
    expected.insert(expected.end(), row.commands.begin(), row.commands.end());
    EXPECT_EQ(r.pop.sent, expected);
    const std::vector<std::string> names = r.DoneNames();
    EXPECT_EQ(names.size(), row.files);
    for (const std::string& n : names) EXPECT_TRUE(FileExists(JoinPath(r.mailDir(), n))) << n;
    EXPECT_EQ(r.FilesInMailDir().size(), row.files);
  }
}

TEST(PopSessionTable, LogonTimersOnTheOwner) {
  struct Row {
    int32_t minutes;
    int64_t timeout;
  };
  for (Row row : {Row{0, 60000}, Row{3, 180000}}) {
    SCOPED_TRACE(row.minutes);
    PopRig r;
    r.app.user().serverTimeout = row.minutes;
    ASSERT_TRUE(r.Start());
    r.loop.Advance(row.timeout / 2 - 1);
    EXPECT_TRUE(r.owner.ticks.empty());
    r.loop.Advance(1);
    EXPECT_EQ(r.owner.TicksOf(TIMER_PROBE), std::vector<int64_t>{row.timeout / 2});
    r.loop.Advance(row.timeout / 2);
    EXPECT_EQ(r.owner.TicksOf(TIMER_POP_TIMEOUT), std::vector<int64_t>{row.timeout});
    EXPECT_EQ(r.owner.TicksOf(TIMER_PROBE), (std::vector<int64_t>{row.timeout / 2, row.timeout}));
  }
}

TEST_F(PopSessionTest, StatReplyStopsTheLogonTimeout) {
  ASSERT_TRUE(Start());
  loop.Advance(1000);
  Talk(Logon("+OK 1 100"));
  loop.Advance(3 * 60000);
  EXPECT_TRUE(owner.TicksOf(TIMER_POP_TIMEOUT).empty());
  EXPECT_EQ(owner.TicksOf(TIMER_PROBE).size(), 6u) << "the probe goes on every half minute";
}

// A run that has ended leaves no logon time-out or probe behind.
TEST(PopSessionTable, EndedRunLeavesNoTimers) {
  for (bool failAtGreeting : {true, false}) {
    SCOPED_TRACE(failAtGreeting ? "failed logon" : "normal end");
    PopRig r;
    r.prompter.answers = {MbAnswer::Cancel};
    ASSERT_TRUE(r.Start());
    if (failAtGreeting)
      r.Talk({"S: -ERR", "C: QUIT", "S: +OK"});
    else
      r.Talk({"S: +OK", "C: USER taro", "S: +OK", "C: PASS secret", "S: +OK", "C: STAT", "S: +OK 0 0", "C: QUIT",
              "S: +OK"});
    ASSERT_EQ(r.owner.messages.size(), 1u);
    r.loop.Advance(10 * 60000);
    EXPECT_TRUE(r.owner.TicksOf(TIMER_POP_TIMEOUT).empty());
    EXPECT_TRUE(r.owner.TicksOf(TIMER_PROBE).empty());
  }
}

TEST_F(PopSessionTest, ServerHangingUpMidRunTellsTheOwner) {
  ASSERT_TRUE(Start());
  Talk(ReceiveLogon("+OK 1 100"));
  pop.expectClient("TOP 1 0");
  pop.hangUp();
  EXPECT_EQ(owner.serverClosed, 1);
  EXPECT_TRUE(session.closedByServer());
}

// The sizes of LIST tell a message the server cut short (a "." line it did
// not double): such a copy is not filed and the message is not deleted;
// a message of its full size is. Servers that count LF alone give less
// than is stored, which is fine.
TEST(PopSessionTable, MessageCutShortStaysOnTheServer) {
  const std::string body = "Subject: s\r\n\r\n" + std::string(400, 'x') + "\r\n";  // 418 bytes stored
  struct Row {
    const char* name;
    const char* size;
    bool filed;
  };
  const Row rows[] = {
      {"whole", "418", true},
      {"server counts LF alone", "416", true},
      {"a little over (a server's estimate)", "460", true},
      {"cut short", "5000", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PopRig r;
    ASSERT_TRUE(r.Start(/*deleteFlag=*/true));
    r.Talk(PopRig::Logon("+OK 1 5000"));
    r.Talk({"C: LIST", "S: +OK", std::string("S: 1 ") + row.size, "S: .", "C: TOP 1 0", "S: +OK", "S: Subject: s",
            "S: ", "S: .", "C: RETR 1", "S: +OK", "S: Subject: s", "S: ", "S: " + std::string(400, 'x'), "S: ."});
    if (row.filed) {
      r.Talk({"C: DELE 1", "S: +OK", "C: QUIT", "S: +OK"});
      EXPECT_EQ(r.DoneNames().size(), 1u);
      EXPECT_TRUE(r.owner.failures.empty());
      continue;
    }
    r.pop.expectClient("QUIT");
    EXPECT_TRUE(r.prompter.shown.empty()) << "told after QUIT, never in the middle of the run";
    r.pop.server("+OK");
    r.pop.expectNothingMore();  // no DELE
    EXPECT_TRUE(r.DoneNames().empty());
    EXPECT_TRUE(r.FilesInMailDir().empty()) << "the part that came is not kept";
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_NE(r.prompter.shown[0].text.find("メッセージ 1 番は途中までしか届きませんでした"), std::string::npos);
    EXPECT_EQ(r.owner.failures.size(), 1u) << "counted as a failure of the run";
  }
}

// With the delete flag, the stored message is in the journal, on disk,
// before the DELE goes out; the journal is what the next logon files from.
TEST_F(PopSessionTest, StoredMessageIsJournaledBeforeItsDele) {
  app.user().logonDir = dir.path();
  const std::string journal = JoinPath(dir.path(), "taro.id.journal");
  ASSERT_TRUE(Start(/*deleteFlag=*/true));
  Talk(ReceiveLogon("+OK 1 100"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: x", "S: ", "S: .", "C: RETR 1", "S: +OK", "S: Subject: x", "S: ",
        "S: hi", "S: ."});
  ASSERT_EQ(pop.sent.back(), "DELE 1");
  const std::vector<std::string> stored = FilesInMailDir();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(test::ReadFile(journal), stored[0] + "\n");
  Talk({"C: DELE 1", "S: +OK", "C: QUIT", "S: +OK"});

  // A journal that cannot be written: the message is not deleted.
  PopRig r;
  r.app.user().logonDir = r.dir / "no such directory";
  ASSERT_TRUE(r.Start(/*deleteFlag=*/true));
  r.Talk(ReceiveLogon("+OK 1 100"));
  r.Talk({"C: TOP 1 0", "S: +OK", "S: Subject: x", "S: ", "S: .", "C: RETR 1", "S: +OK", "S: Subject: x", "S: ",
          "S: hi", "S: .", "C: QUIT", "S: +OK"});
  r.pop.expectNothingMore();
  EXPECT_NE(r.prompter.shown.at(0).text.find("[POP_STORE_NG]"), std::string::npos);
}

// A server that goes quiet after the logon (here in the middle of a
// message) is given up after the time-out of silence, while one that keeps
// sending, however slowly, is not. The probe alone would never end it: it
// connects fine.
TEST_F(PopSessionTest, SilenceOfTheTimeoutEndsTheRun) {
  ASSERT_TRUE(Start());  // T = 0: one minute
  Talk(ReceiveLogon("+OK 1 100"));
  Talk({"C: TOP 1 0", "S: +OK", "S: Subject: x", "S: ", "S: .", "C: RETR 1", "S: +OK", "S: Subject: x"});
  for (int i = 0; i < 5; ++i) {
    loop.Advance(50000);
    pop.server("a line every 50 seconds");
  }
  EXPECT_EQ(owner.serverSilent, 0);
  loop.Advance(59999);
  EXPECT_EQ(owner.serverSilent, 0);
  loop.Advance(1);
  EXPECT_EQ(owner.serverSilent, 1);
  loop.Advance(10 * 60000);
  EXPECT_EQ(owner.serverSilent, 1) << "told once";
}

TEST_F(PopSessionTest, EndedRunHasNoSilenceTimer) {
  ASSERT_TRUE(Start());
  Talk(Logon("+OK 0 0"));
  Talk({"C: QUIT", "S: +OK"});
  loop.Advance(10 * 60000);
  EXPECT_EQ(owner.serverSilent, 0);
}

}  // namespace
}  // namespace fennel
