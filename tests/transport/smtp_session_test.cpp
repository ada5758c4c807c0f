// The SMTP session, line by line against a fake server: the dialogue, the
// message text as it goes out, filing the mail as sent, refused recipients,
// and every way a run ends early.
#include "transport/smtp_socket.h"

#include <gtest/gtest.h>

#include "config/record_file.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/folder_detail.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/transport/fake_smtp.h"

namespace fennel {
namespace {

using test::FakeSmtp;

class RecordingSmtpOwner : public SmtpOwner {
 public:
  intptr_t SendMessage(unsigned msg, uintptr_t, intptr_t lParam) override {
    if (msg == WM_SMTP_DONE) endCodes.push_back(static_cast<int32_t>(lParam));
    return 0;
  }
  void ShowSendAnimation() override { ++animations; }
  void OnServerSilent() override { ++silences; }
  std::vector<int32_t> endCodes;
  int animations = 0;
  int silences = 0;
};

class SmtpSessionTest : public testing::Test {
 protected:
  SmtpSessionTest() {
    SetCurrentClock(&clock);
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.mailDir = mailDir();
    u.smtpServer = "smtp.example.jp";
    u.smtpPort = 587;
    u.mailAddress = "taro@example.jp";
    u.serverTimeout = 2;
    u.logonDir = dir.path();
    // The mail being sent, as the mail window stores it.
    auto m = std::make_unique<CMailDetail>();
    m->state = CMailDetail::kComposed;
    m->filePath = JoinPath(mailDir(), "SNDabcde.tmp");
    m->subject = "件名";
    record = app.user().store.FolderOrCreate(kUnsentFolder)->AddMail(std::move(m));
    message.path = JoinPath(mailDir(), "sending.tmp");
    message.recipients = {"a@example.jp"};
    WriteText("Subject: x\r\n\r\nhello\r\n");
  }
  ~SmtpSessionTest() override { SetCurrentClock(nullptr); }

  std::string mailDir() const { return dir / "mail"; }
  void WriteText(const std::string& text) { test::WriteFile(message.path, text); }
  bool Start() { return session.Start(owner, message, record); }
  // Up to the reply that asks for the text.
  void UpToData(size_t recipients = 1) {
    ASSERT_TRUE(Start());
    smtp.server("220 ready");
    smtp.expectClient("HELO smtp.example.jp");
    smtp.server("250 hello");
    smtp.expectClient("MAIL FROM:<taro@example.jp>");
    smtp.server("250 ok");
    for (size_t i = 0; i < recipients; ++i) {
      smtp.next();
      smtp.server("250 ok");
    }
    smtp.expectClient("DATA");
  }
  CFolderDetail* Folder(const std::string& name) { return app.user().store.FindFolder(name); }
  std::vector<CMailDetail*> Live(const std::string& name) {
    std::vector<CMailDetail*> out;
    if (CFolderDetail* f = Folder(name))
      for (auto& m : f->mails)
        if (m->state != CMailDetail::kDeleted) out.push_back(m.get());
    return out;
  }

  test::TempDir dir;
  ManualClock clock;
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  ManualEventLoop loop{clock};
  FakeSmtp smtp;
  RecordingSmtpOwner owner;
  CSmtpSocket session{app, loop, smtp.Factory()};
  ComposedMessage message;
  CMailDetail* record = nullptr;
};

TEST_F(SmtpSessionTest, WholeDialogueFilesTheMailAsSent) {
  message.recipients = {"  a@example.jp ", "\x81\x40" "b@example.jp\x81\x40", "c@example.jp"};
  // A dot line, an empty line, a byte with the eighth bit set, a last line
  // without its line end.
  WriteText("Subject: x\r\n\r\n.abc\r\n\r\n..\r\nx\xE9y\r\nlast");
  ASSERT_TRUE(Start());
  EXPECT_FALSE(app.transferIdle);
  EXPECT_EQ(owner.animations, 1);
  EXPECT_EQ(smtp.connects, std::vector<std::string>{"smtp.example.jp:587"});
  // A greeting in several lines: HELO once, on its last line.
  smtp.server("220-first");
  smtp.server("220-second");
  smtp.expectNothingMore();
  smtp.server("220 ready");
  smtp.expectClient("HELO smtp.example.jp");
  smtp.server("250-smtp.example.jp");
  smtp.server("250 PIPELINING");
  smtp.expectClient("MAIL FROM:<taro@example.jp>");
  smtp.server("250 ok");
  // Recipients trimmed of blanks (also the full-width one), in brackets.
  smtp.expectClient("RCPT TO:<a@example.jp>");
  smtp.server("250 ok");
  smtp.expectClient("RCPT TO:<b@example.jp>");
  smtp.server("250 ok");
  smtp.expectClient("RCPT TO:<c@example.jp>");
  smtp.server("250 ok");
  smtp.expectClient("DATA");
  smtp.server("354 go ahead");
  for (const char* line : {"Subject: x", "", "..abc", "", "...", "xiy", "last", "."}) smtp.expectClient(line);
  smtp.expectNothingMore();
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u) << "not filed before the server took it";
  EXPECT_EQ(Folder(kSentFolder), nullptr);

  smtp.server("250 queued");
  smtp.expectClient("QUIT");
  ASSERT_EQ(Live(kSentFolder).size(), 1u) << "created for the mail";
  EXPECT_EQ(Live(kSentFolder)[0]->subject, "件名");
  EXPECT_EQ(Live(kSentFolder)[0]->state, CMailDetail::kRead);
  EXPECT_TRUE(Live(kUnsentFolder).empty());
  EXPECT_TRUE(owner.endCodes.empty());
  // The index on disk knows already.
  CUserInfo onDisk;
  ASSERT_EQ(LoadRecordFile(CMailApp::IdFilePath(dir.path(), "taro"), onDisk, false, nullptr), RecordLoad::Ok);
  ASSERT_NE(onDisk.store.FindFolder(kSentFolder), nullptr);
  EXPECT_EQ(onDisk.store.FindFolder(kSentFolder)->mails.size(), 1u);

  smtp.server("221 bye");
  EXPECT_EQ(owner.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_END_OK});
  EXPECT_TRUE(app.transferIdle);
  EXPECT_FALSE(smtp.open());
  EXPECT_TRUE(session.refused().empty());
  EXPECT_FALSE(loop.HasTimer(&owner, TIMER_PROBE));
}

TEST_F(SmtpSessionTest, RefusedRecipientIsPassedOverAndRemembered) {
  message.recipients = {"a@example.jp", "nobody@example.jp", "c@example.jp"};
  ASSERT_TRUE(Start());
  smtp.refusedRcpts = {"nobody@example.jp"};
  smtp.Serve();
  ASSERT_EQ(smtp.accepted.size(), 1u);
  EXPECT_EQ(smtp.accepted[0].rcpts, (std::vector<std::string>{"a@example.jp", "c@example.jp"}));
  EXPECT_EQ(owner.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_END_OK});
  EXPECT_EQ(session.refused(), std::vector<std::string>{"nobody@example.jp"});
  EXPECT_EQ(Live(kSentFolder).size(), 1u);
}

TEST_F(SmtpSessionTest, EveryRecipientRefusedIsARefusedMail) {
  message.recipients = {"x@example.jp", "y@example.jp"};
  smtp.refusedRcpts = {"x@example.jp", "y@example.jp"};
  ASSERT_TRUE(Start());
  smtp.Serve();
  EXPECT_TRUE(smtp.accepted.empty());
  EXPECT_EQ(owner.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_REJECTED});
  EXPECT_EQ(session.refused().size(), 2u);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(Folder(kSentFolder), nullptr);
}

TEST_F(SmtpSessionTest, PermanentRefusalEndsWithQuit) {
  // A 5xx anywhere but RCPT TO: QUIT, then the refusal code.
  struct Case {
    int answered;  // commands answered positively before the refusal
  };
  for (int answered : {0, 1, 2, 3}) {
    FakeSmtp server;
    CSmtpSocket s{app, loop, server.Factory()};
    RecordingSmtpOwner o;
    ASSERT_TRUE(s.Start(o, message, record));
    const char* replies[] = {"220 ready", "250 hello", "250 sender ok", "250 rcpt ok"};
    for (int i = 0; i < answered; ++i) server.server(replies[i]);
    server.server("554 go away");
    if (answered == 3) {
      // After RCPT TO a refusal only passes the recipient over.
      server.server("554 no");
      continue;
    }
    std::string lastCommand;
    for (std::string c; (c = server.next()) != "(nothing)";) lastCommand = c;
    EXPECT_EQ(lastCommand, "QUIT") << answered;
    EXPECT_TRUE(o.endCodes.empty());
    server.server("221 bye");
    EXPECT_EQ(o.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_REJECTED}) << answered;
    EXPECT_TRUE(app.transferIdle);
  }
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
}

TEST_F(SmtpSessionTest, TemporaryFailureEndsTheRunAtOnce) {
  // A 4xx reply, whatever the phase, ends the run with the tag of that
  // phase; the mail stays unsent.
  struct Case {
    int answered;
    int32_t code;
  };
  const char* replies[] = {"220 ready", "250 hello", "250 sender ok", "250 rcpt ok", "354 go"};
  for (const Case& c : {Case{0, CSmtpSocket::SMTP_CONNECT_NG}, Case{1, CSmtpSocket::SMTP_HELO_NG},
                        Case{2, CSmtpSocket::SMTP_MAIL_NG}, Case{3, CSmtpSocket::SMTP_RCPT_DATA_NG},
                        Case{4, CSmtpSocket::SMTP_RCPT_DATA_NG}, Case{5, CSmtpSocket::SMTP_DATA_NG}}) {
    FakeSmtp server;
    CSmtpSocket s{app, loop, server.Factory()};
    RecordingSmtpOwner o;
    ASSERT_TRUE(s.Start(o, message, record));
    for (int i = 0; i < c.answered; ++i) server.server(replies[i]);
    server.server("451 try again later");
    EXPECT_EQ(o.endCodes, std::vector<int32_t>{c.code}) << c.answered;
    EXPECT_TRUE(app.transferIdle);
    EXPECT_FALSE(server.open());
    EXPECT_FALSE(loop.HasTimer(&o, TIMER_PROBE));
  }
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(Folder(kSentFolder), nullptr);
}

TEST_F(SmtpSessionTest, OverlongLineStopsBeforeTheEndOfData) {
  WriteText("Subject: x\r\n\r\n" + std::string(20477, 'a') + "\r\n" + std::string(20478, 'b') + "\r\nafter\r\n");
  UpToData();
  smtp.server("354 go ahead");
  EXPECT_EQ(smtp.raw.find(std::string(20478, 'b')), std::string::npos);
  EXPECT_EQ(smtp.raw.find("\r\n.\r\n"), std::string::npos) << "no end of data";
  EXPECT_EQ(smtp.raw.find("after"), std::string::npos);
  EXPECT_EQ(smtp.raw.find("QUIT"), std::string::npos) << "a QUIT here would be text";
  EXPECT_EQ(owner.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_DATA_NG});
  EXPECT_FALSE(smtp.open()) << "closed without the end of data: the server drops the mail";
  EXPECT_TRUE(app.transferIdle);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
}

TEST_F(SmtpSessionTest, ServerGoneOrBabblingEndsTheRun) {
  UpToData();
  smtp.hangUp();
  EXPECT_EQ(owner.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_RCPT_DATA_NG});
  EXPECT_TRUE(app.transferIdle);

  // A reply longer than the buffer.
  FakeSmtp server;
  CSmtpSocket s{app, loop, server.Factory()};
  RecordingSmtpOwner o;
  ASSERT_TRUE(s.Start(o, message, record));
  s.OnLine(std::string(20480, '2'), true);
  EXPECT_EQ(o.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_CONNECT_NG});
  EXPECT_FALSE(server.open());

  // A hang-up after QUIT is the end the run waited for.
  FakeSmtp third;
  CSmtpSocket t{app, loop, third.Factory()};
  RecordingSmtpOwner p;
  ASSERT_TRUE(t.Start(p, message, record));
  third.server("220 ready");
  third.server("500 what");  // a refusal of HELO
  third.hangUp();
  EXPECT_EQ(p.endCodes, std::vector<int32_t>{CSmtpSocket::SMTP_REJECTED});
}

TEST_F(SmtpSessionTest, TimersGuardTheLogonAndTheRest) {
  ASSERT_TRUE(Start());
  // T = 2 minutes: the time-out at 120 s, the probe every 60 s.
  EXPECT_TRUE(loop.HasTimer(&owner, TIMER_SMTP_TIMEOUT));
  EXPECT_TRUE(loop.HasTimer(&owner, TIMER_PROBE));
  EXPECT_EQ(loop.TimerPeriod(&owner, TIMER_SMTP_TIMEOUT), 120000);
  EXPECT_EQ(loop.TimerPeriod(&owner, TIMER_PROBE), 60000);
  smtp.server("220 ready");
  EXPECT_TRUE(loop.HasTimer(&owner, TIMER_SMTP_TIMEOUT));
  smtp.server("250 hello");
  EXPECT_FALSE(loop.HasTimer(&owner, TIMER_SMTP_TIMEOUT)) << "stopped once MAIL FROM is sent";
  EXPECT_TRUE(loop.HasTimer(&owner, TIMER_PROBE));
  // The owner's no-response handling drops the run without a report.
  session.Close();
  EXPECT_FALSE(smtp.open());
  EXPECT_FALSE(loop.HasTimer(&owner, TIMER_PROBE));
  smtp.expectClient("HELO smtp.example.jp");
  smtp.expectClient("MAIL FROM:<taro@example.jp>");
  EXPECT_TRUE(owner.endCodes.empty());
}

// Silent after MAIL FROM: the time-out of silence ends the send (the logon
// time-out has stopped by then, and the probe connects fine).
TEST_F(SmtpSessionTest, SilenceAfterTheLogonEndsTheSend) {
  ASSERT_TRUE(Start());  // T = 2 minutes
  smtp.server("220 ready");
  smtp.server("250 hello");
  smtp.expectClient("HELO smtp.example.jp");
  smtp.expectClient("MAIL FROM:<taro@example.jp>");
  loop.Advance(119999);
  EXPECT_EQ(owner.silences, 0);
  loop.Advance(1);
  EXPECT_EQ(owner.silences, 1);
  session.Close();
  loop.Advance(10 * 60000);
  EXPECT_EQ(owner.silences, 1);
}

TEST_F(SmtpSessionTest, NoConnectionNoRun) {
  smtp.refuseConnect = true;
  EXPECT_FALSE(Start());
  EXPECT_TRUE(app.transferIdle);
  EXPECT_EQ(owner.animations, 0);
  EXPECT_FALSE(loop.HasTimer(&owner, TIMER_SMTP_TIMEOUT));
}

TEST_F(SmtpSessionTest, SentFolderDeletedByTheUserComesBack) {
  app.user().store.FolderOrCreate(kSentFolder);
  app.user().store.DeleteFolder(kSentFolder, nullptr);
  ASSERT_EQ(Folder(kSentFolder), nullptr);
  ASSERT_TRUE(Start());
  smtp.Serve();
  EXPECT_EQ(Live(kSentFolder).size(), 1u);
}

TEST(SmtpTextTest, EndTextsAndTrimming) {
  EXPECT_EQ(SmtpEndText(7), "メールを送信しました。");
  EXPECT_EQ(SmtpEndText(14), "[RCPT_NG]メールを送信に失敗しました。一度、メールの受信を行ってください。");
  EXPECT_EQ(SmtpEndText(16), "[DATA_NG]メールを送信に失敗しました。");
  EXPECT_EQ(SmtpEndText(99), "メールを送信に失敗しました。");
  EXPECT_EQ(TrimCp932Space(" \t\x81\x40x y\x81\x40 "), "x y");
  // The second byte of a character is never taken for a blank.
  EXPECT_EQ(TrimCp932Space("\x81\x40\x82\x81\x40"), "\x82\x81\x40") << "0x81 0x40 after a lead byte";
  EXPECT_EQ(TrimCp932Space("   "), "");
}

}  // namespace
}  // namespace fennel
