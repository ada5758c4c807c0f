// The mail window's sending and saving, with the main frame's sending part:
// send now through the POP logon and the SMTP session (fake servers), the
// result boxes, saving for later and templates, and the batch send of the
// unsent folder.
#include "ui/editor/mail_editor.h"

#include <gtest/gtest.h>

#include <list>

#include "config/record_file.h"
#include "message/composer.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "store/composed_mail.h"
#include "store/folder_detail.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/transport/fake_pop.h"
#include "tests/transport/fake_smtp.h"
#include "transport/send_driver.h"

namespace fennel {
namespace {

using test::FakePop;
using test::FakeSmtp;

class SendRigTest : public testing::Test, public SendHost {
 protected:
  struct Slot : EditorHost {
    Slot(SendRigTest& t) : editor(t.app, t.loop, t.sender, *this, t.smtp.Factory()) {}
    void CloseEditor() override { ++closes; }
    void RefreshMailboxes() override { ++refreshes; }
    CMailEditor editor;
    int closes = 0;
    int refreshes = 0;
  };

  SendRigTest() {
    SetCurrentClock(&clock);
    ResetMessageIdCounter();
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.logonDir = dir.path();
    u.mailDir = mailDir();
    u.fullName = "山田太郎";
    u.mailAddress = "taro@example.jp";
    u.smtpServer = "smtp.example.jp";
    u.smtpPort = 25;
    u.popServer = "pop.example.jp";
    u.popPort = 110;
    u.account = "taro";
    u.mailPassword = "secret";
    u.leaveOnServer = 1;
    pop.box("pop.example.jp");
  }
  ~SendRigTest() override {
    slots.clear();
    SetCurrentClock(nullptr);
  }

  std::string mailDir() const { return dir / "mail"; }
  Window* OpenStoredMail(const std::string& path) override {
    opened.push_back(path);
    slots.push_back(std::make_unique<Slot>(*this));
    if (!slots.back()->editor.OpenComposed(path)) return nullptr;
    return &slots.back()->editor;
  }
  CMailEditor& NewMail(const std::string& to = "jiro@example.jp") {
    slots.push_back(std::make_unique<Slot>(*this));
    CMailEditor& e = slots.back()->editor;
    e.to = to;
    e.subject = "会議の件";
    e.body = "本文です。\r\n";
    return e;
  }
  Slot& SlotOf(const CMailEditor& e) {
    for (auto& s : slots)
      if (&s->editor == &e) return *s;
    throw std::logic_error("no such editor");
  }
  std::vector<CMailDetail*> Live(const std::string& folder) {
    std::vector<CMailDetail*> out;
    if (CFolderDetail* f = app.user().store.FindFolder(folder))
      for (auto& m : f->mails)
        if (m->state != CMailDetail::kDeleted) out.push_back(m.get());
    return out;
  }
  // A mail stored in "未送信フォルダ" as save for later leaves it.
  CMailDetail* StoreUnsent(const std::string& to, const std::string& subject) {
    CMailEditor& e = NewMail(to);
    e.subject = subject;
    EXPECT_TRUE(e.SaveForLater());
    return Live(kUnsentFolder).back();
  }

  test::TempDir dir;
  ManualClock clock{1'765'000'000};
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
  ManualEventLoop loop{clock};
  FakePop pop;
  FakeSmtp smtp;
  NullReceiveHost receiveHost;
  AnimationWindow animation{loop, prompter};
  CReceiveDriver receive{app, loop, receiveHost, animation, pop.Factory()};
  CSendDriver sender{app, receive, *this};
  std::list<std::unique_ptr<Slot>> slots;
  std::vector<std::string> opened;
};

TEST_F(SendRigTest, SendNowStoresComposesSendsAndFiles) {
  CMailEditor& e = NewMail("jiro@example.jp");
  e.bcc = "boss@example.jp";
  ASSERT_TRUE(e.CanSendNow());
  e.SendNow();
  EXPECT_TRUE(pop.connects.empty()) << "no POP logon when it is switched off";
  // Stored before it goes: the record, its file, the index on disk.
  ASSERT_EQ(Live(kUnsentFolder).size(), 1u);
  CMailDetail* r = Live(kUnsentFolder)[0];
  EXPECT_EQ(r->state, CMailDetail::kComposed);
  EXPECT_EQ(r->filePath.substr(mailDir().size() + 1, 3), "SND");
  EXPECT_EQ(r->from, "jiro@example.jp");
  EXPECT_EQ(r->subject, "会議の件");
  EXPECT_FALSE(r->messageId.empty());
  ComposedMail stored;
  ASSERT_TRUE(LoadComposedMail(r->filePath, stored));
  EXPECT_EQ(stored.bcc, "boss@example.jp") << "the stored mail keeps its Bcc";
  CUserInfo onDisk;
  ASSERT_EQ(LoadRecordFile(CMailApp::IdFilePath(dir.path(), "taro"), onDisk, false, nullptr), RecordLoad::Ok);
  EXPECT_EQ(onDisk.store.FindFolder(kUnsentFolder)->mails.size(), 1u);
  EXPECT_EQ(e.sendState(), CMailEditor::SendState::Sending);
  EXPECT_FALSE(e.CanSendNow()) << "one transfer at a time";

  smtp.Serve();
  ASSERT_EQ(smtp.accepted.size(), 1u);
  EXPECT_EQ(smtp.accepted[0].rcpts, (std::vector<std::string>{"boss@example.jp", "jiro@example.jp"}));
  EXPECT_EQ(smtp.accepted[0].data.find("Bcc"), std::string::npos);
  EXPECT_NE(smtp.accepted[0].data.find("Message-ID: <" + Live(kSentFolder)[0]->messageId + ">"), std::string::npos);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メールを送信しました。"});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);
  EXPECT_EQ(SlotOf(e).closes, 1);
  EXPECT_TRUE(Live(kUnsentFolder).empty());
  EXPECT_EQ(Live(kSentFolder).size(), 1u);
  EXPECT_TRUE(app.transferIdle);
  EXPECT_TRUE(e.clean);
  EXPECT_FALSE(e.dirty);
}

TEST_F(SendRigTest, RefusalsBeforeAnythingIsStored) {
  // Settings missing: the plain box, nothing asked of the main frame.
  app.user().smtpServer.clear();
  CMailEditor& e = NewMail();
  EXPECT_FALSE(e.CanSendNow());
  e.SendNow();
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kCannotSendNow});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::None);
  app.user().smtpServer = "smtp.example.jp";

  struct Case {
    std::string to;
    std::vector<std::string> attachments;
    std::string text;
  };
  test::WriteFile(dir / "here.txt", "x");
  for (const Case& c : {Case{"", {}, kNoRecipient},
                        Case{"jiro@example.jp", {dir / "here.txt", dir / "gone.txt"}, "添付ファイルが見つかりません。"},
                        Case{"jiro@example.jp", {dir.path()}, "添付ファイルが開けません。"}}) {
    prompter.shown.clear();
    CMailEditor& m = NewMail(c.to);
    m.attachments = c.attachments;
    m.SendNow();
    ASSERT_EQ(prompter.shown.size(), 1u) << c.text;
    EXPECT_EQ(prompter.shown[0].text, c.text);
    EXPECT_EQ(prompter.shown[0].caption, kCannotSendCaption);
    EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
    EXPECT_EQ(m.sendState(), CMailEditor::SendState::Stopped);
  }
  EXPECT_EQ(app.user().store.FindFolder(kUnsentFolder), nullptr) << "nothing stored";
  EXPECT_TRUE(smtp.connects.empty());
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(SendRigTest, PopLogonComesFirstWhenSwitchedOn) {
  app.popAuth = true;
  CMailEditor& e = NewMail();
  e.SendNow();
  ASSERT_EQ(pop.connects, std::vector<std::string>{"pop.example.jp:110"});
  EXPECT_TRUE(smtp.connects.empty()) << "the SMTP run waits for the logon";
  EXPECT_EQ(app.user().store.FindFolder(kUnsentFolder), nullptr);
  pop.Serve();
  EXPECT_EQ(pop.sent, (std::vector<std::string>{"USER taro", "PASS secret", "STAT", "QUIT"}));
  ASSERT_EQ(smtp.connects.size(), 1u);
  smtp.Serve();
  EXPECT_EQ(smtp.accepted.size(), 1u);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メールを送信しました。"});
}

TEST_F(SendRigTest, FailedPopLogonStopsTheSend) {
  app.popAuth = true;
  // A wrong password answered with OK: no send, nothing stored.
  pop.failing = {"PASS"};
  CMailEditor& e = NewMail();
  e.SendNow();
  pop.Serve();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_NE(prompter.shown[0].text.find("[POP_PASS_NG]"), std::string::npos);
  EXPECT_TRUE(smtp.connects.empty());
  EXPECT_EQ(e.sendState(), CMailEditor::SendState::Stopped);
  EXPECT_TRUE(e.dirty);
  EXPECT_EQ(SlotOf(e).closes, 0) << "the window stays with its mail";
  EXPECT_TRUE(app.transferIdle);

  // A POP server that cannot be reached: the same.
  pop.refused = {"pop.example.jp"};
  CMailEditor& f = NewMail();
  f.SendNow();
  EXPECT_EQ(f.sendState(), CMailEditor::SendState::Stopped);
  EXPECT_TRUE(smtp.connects.empty());
  EXPECT_EQ(app.user().store.FindFolder(kUnsentFolder), nullptr);
}

TEST_F(SendRigTest, FailuresLeaveTheMailUnsentWithTheirText) {
  // Refused sender: the tagged box, the mail stays for a later batch.
  smtp.mailReply = "550 relaying denied";
  CMailEditor& e = NewMail();
  e.SendNow();
  smtp.Serve();
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{SmtpEndText(CSmtpSocket::SMTP_REJECTED)});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(e.lastEndCode(), CSmtpSocket::SMTP_REJECTED);
  EXPECT_TRUE(e.dirty);
  const std::string firstFile = Live(kUnsentFolder)[0]->filePath;

  // Sent again from its stored file: the same record, a fresh file name.
  smtp.mailReply = "250 ok";
  prompter.shown.clear();
  Window* view = OpenStoredMail(firstFile);
  ASSERT_NE(view, nullptr);
  view->SendMessage(WM_SEND_NOW, 0, 0);
  ASSERT_EQ(Live(kUnsentFolder).size() + Live(kSentFolder).size(), 1u);
  smtp.Serve();
  ASSERT_EQ(Live(kSentFolder).size(), 1u);
  EXPECT_NE(Live(kSentFolder)[0]->filePath, firstFile);
  EXPECT_TRUE(Live(kUnsentFolder).empty());

  // The SMTP server cannot be reached: its box, the window stays.
  prompter.shown.clear();
  smtp.refuseConnect = true;
  CMailEditor& g = NewMail();
  g.SendNow();
  EXPECT_EQ(g.sendState(), CMailEditor::SendState::Stopped);
  EXPECT_TRUE(g.dirty);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(SendRigTest, RefusedRecipientsAreToldAfterTheEndBox) {
  smtp.refusedRcpts = {"nobody@example.jp", "ghost@example.jp"};
  CMailEditor& e = NewMail("jiro@example.jp,nobody@example.jp");
  e.cc = "ghost@example.jp";
  e.SendNow();
  smtp.Serve();
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"メールを送信しました。",
                                                        std::string(kRefusedRecipients) +
                                                            "\r\nghost@example.jp\r\nnobody@example.jp"}));
  EXPECT_EQ(prompter.shown[1].icon, MbIcon::Exclamation);
  EXPECT_EQ(smtp.accepted.at(0).rcpts, std::vector<std::string>{"jiro@example.jp"});
}

TEST_F(SendRigTest, SilentServerTimesOut) {
  app.user().serverTimeout = 1;
  CMailEditor& e = NewMail();
  e.SendNow();
  ASSERT_TRUE(smtp.open());
  // No greeting ever: the time-out after a minute. (The probe would open a
  // real connection; the command-line test drives it against a real port.)
  loop.KillTimer(&e, TIMER_PROBE);
  loop.Advance(60000);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kSmtpNoResponse});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Exclamation);
  EXPECT_FALSE(smtp.open());
  EXPECT_TRUE(app.transferIdle);
  EXPECT_EQ(e.sendState(), CMailEditor::SendState::Stopped);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_FALSE(loop.HasTimer(&e, TIMER_SMTP_TIMEOUT));
}

TEST_F(SendRigTest, SaveForLaterAsksThenStores) {
  prompter.answers = {MbAnswer::Cancel};
  CMailEditor& e = NewMail("jiro@example.jp");
  EXPECT_FALSE(e.SaveForLater());
  EXPECT_EQ(app.user().store.FindFolder(kUnsentFolder), nullptr);
  EXPECT_EQ(prompter.shown.at(0).text, kSaveForLaterQuestion);

  // The attachment goes into the mail directory; the body names the copy.
  test::WriteFile(dir / "pic.gif", "GIF89a");
  e.attachments = {dir / "pic.gif"};
  e.body = "<img src=\"" + (dir / "pic.gif") + "\">";
  e.inReplyTo = "<orig@example.jp>";
  ASSERT_TRUE(e.SaveForLater());
  ASSERT_EQ(Live(kUnsentFolder).size(), 1u);
  CMailDetail* r = Live(kUnsentFolder)[0];
  const std::string copy = JoinPath(mailDir(), "pic.gif");
  EXPECT_EQ(test::ReadFile(copy), "GIF89a");
  EXPECT_EQ(r->attachFlag, 8);
  EXPECT_EQ(r->attachmentPaths, copy + "\r\n");
  EXPECT_EQ(r->from, "jiro@example.jp");
  EXPECT_EQ(r->inReplyTo, "<orig@example.jp>");
  ComposedMail m;
  ASSERT_TRUE(LoadComposedMail(r->filePath, m));
  EXPECT_EQ(m.attachments, std::vector<std::string>{copy});
  EXPECT_EQ(m.body, "<img src=\"" + copy + "\">");
  EXPECT_TRUE(e.clean);
  EXPECT_EQ(SlotOf(e).closes, 0) << "the window stays open";
  EXPECT_TRUE(smtp.connects.empty());
  // An empty To is fine for later.
  CMailEditor& f = NewMail("");
  EXPECT_TRUE(f.SaveForLater());
  EXPECT_EQ(Live(kUnsentFolder).size(), 2u);
}

TEST_F(SendRigTest, AttachmentCopyNeverOverwritesAnotherFile) {
  // A received message and an earlier mail's attachment in the mail
  // directory, and new attachments that carry their names.
  const std::string message = JoinPath(mailDir(), "RCVabcde.tmp");
  const std::string earlier = JoinPath(mailDir(), "report.pdf");
  test::WriteFile(message, "Subject: kept\r\n\r\nbody\r\n");
  test::WriteFile(earlier, "last week's report");
  MakeDirs(dir / "new");
  test::WriteFile(dir / "new/RCVabcde.tmp", "not a message");
  test::WriteFile(dir / "new/report.pdf", "this week's report");
  test::WriteFile(dir / "same.txt", "same");
  test::WriteFile(JoinPath(mailDir(), "same.txt"), "same");
  CMailEditor& e = NewMail();
  e.attachments = {dir / "new/RCVabcde.tmp", dir / "new/report.pdf", dir / "same.txt"};
  ASSERT_TRUE(e.SaveForLater());
  EXPECT_EQ(test::ReadFile(message), "Subject: kept\r\n\r\nbody\r\n");
  EXPECT_EQ(test::ReadFile(earlier), "last week's report");
  ASSERT_EQ(e.attachments.size(), 3u);
  EXPECT_EQ(FileNameOfPath(e.attachments[1]), "report.pdf") << "the name stays";
  EXPECT_NE(e.attachments[1], earlier);
  EXPECT_EQ(test::ReadFile(e.attachments[0]), "not a message");
  EXPECT_EQ(test::ReadFile(e.attachments[1]), "this week's report");
  EXPECT_EQ(e.attachments[2], JoinPath(mailDir(), "same.txt")) << "an identical file is simply shared";
}

TEST_F(SendRigTest, TemplateWithRecipientsMakesOneUnsentMailEach) {
  app.user().store.AddAddress("hanako", "hanako@example.jp", "花子", "花子さんへ", 1, "");
  CMailEditor& e = NewMail("hanako@example.jp, jiro@example.jp");
  e.templateFlag = true;
  e.inReplyTo = "<orig@example.jp>";
  ASSERT_TRUE(e.SaveForLater());
  ASSERT_EQ(Live(kTemplateFolder).size(), 1u);
  CMailDetail* t = Live(kTemplateFolder)[0];
  EXPECT_EQ(t->templateFlag, 1);
  EXPECT_EQ(t->from, "");
  EXPECT_EQ(t->inReplyTo, "");
  EXPECT_EQ(e.to, "") << "the window's To is cleared";
  std::vector<CMailDetail*> unsent = Live(kUnsentFolder);
  ASSERT_EQ(unsent.size(), 2u);
  EXPECT_EQ(unsent[0]->from, "hanako@example.jp");
  EXPECT_EQ(unsent[0]->bodyText, "花子さんへ\r\n本文です。\r\n");
  EXPECT_EQ(unsent[0]->templateFlag, 0);
  EXPECT_EQ(unsent[0]->inReplyTo, "<orig@example.jp>");
  EXPECT_EQ(unsent[1]->from, "jiro@example.jp");
  EXPECT_EQ(unsent[1]->bodyText, "本文です。\r\n");
  ComposedMail m;
  ASSERT_TRUE(LoadComposedMail(unsent[0]->filePath, m));
  EXPECT_EQ(m.to, "hanako@example.jp");
  EXPECT_EQ(m.body, "花子さんへ\r\n本文です。\r\n");
  EXPECT_EQ(m.templateFlag, 0);
  ASSERT_TRUE(LoadComposedMail(t->filePath, m));
  EXPECT_EQ(m.to, "");
  EXPECT_EQ(m.templateFlag, 1);
  // Three distinct files.
  EXPECT_NE(unsent[0]->filePath, unsent[1]->filePath);
  EXPECT_NE(t->filePath, unsent[0]->filePath);

  // Without recipients: the template alone.
  CMailEditor& f = NewMail("");
  f.templateFlag = true;
  ASSERT_TRUE(f.SaveForLater());
  EXPECT_EQ(Live(kTemplateFolder).size(), 2u);
  EXPECT_EQ(Live(kUnsentFolder).size(), 2u);
}

TEST_F(SendRigTest, BatchSendsInOrderQuietlyAndGoesOnAfterARefusal) {
  StoreUnsent("a@example.jp", "first");
  // A mail of another state in between is passed over.
  CMailDetail* other = StoreUnsent("skip@example.jp", "read one");
  other->state = CMailDetail::kRead;
  CMailDetail* second = StoreUnsent("refused@example.jp", "second");
  StoreUnsent("c@example.jp", "third");
  prompter.shown.clear();
  smtp.refusedRcpts = {"refused@example.jp"};
  ASSERT_TRUE(sender.CanBatchSend());
  sender.StartBatch();
  EXPECT_TRUE(app.batchSend);
  // One at a time: each mail window opens when the one before has ended.
  for (int i = 0; i < 3; ++i) smtp.Serve();
  ASSERT_EQ(opened.size(), 3u);
  std::vector<std::string> subjects;
  for (const auto& a : smtp.accepted) subjects.push_back(a.data.substr(a.data.find("Subject: ") + 9, 5));
  EXPECT_EQ(subjects, (std::vector<std::string>{"first", "third"}));
  // No success box; the refusal has its box.
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{SmtpEndText(CSmtpSocket::SMTP_REJECTED),
                                                        std::string(kRefusedRecipients) + "\r\nrefused@example.jp"}));
  EXPECT_FALSE(app.batchSend);
  std::vector<CMailDetail*> unsent = Live(kUnsentFolder);
  ASSERT_EQ(unsent.size(), 2u);
  EXPECT_EQ(unsent[0], other);
  EXPECT_EQ(unsent[1], second);
  EXPECT_EQ(Live(kSentFolder).size(), 2u);
}

TEST_F(SendRigTest, OneMailSentByItselfLeavesTheUnsentFolderAlone) {
  StoreUnsent("waiting@example.jp", "waiting");
  CMailEditor& e = NewMail("jiro@example.jp");
  e.SendNow();
  smtp.Serve();
  EXPECT_EQ(smtp.accepted.size(), 1u);
  EXPECT_TRUE(opened.empty()) << "no batch was asked for";
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);

  // A batch that stopped on the way (its POP logon failed) is over: a later
  // single send does not wake it.
  app.popAuth = true;
  pop.refused = {"pop.example.jp"};
  sender.StartBatch();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(app.batchSend);
  app.popAuth = false;
  CMailEditor& f = NewMail("hanako@example.jp");
  f.SendNow();
  smtp.Serve();
  EXPECT_EQ(smtp.accepted.size(), 2u);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_FALSE(app.batchSend);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
}

TEST_F(SendRigTest, BatchNeedsMailAndSettings) {
  EXPECT_FALSE(sender.CanBatchSend());
  StoreUnsent("a@example.jp", "first");
  EXPECT_TRUE(sender.CanBatchSend());
  app.user().smtpPort = 0;
  EXPECT_FALSE(sender.CanBatchSend());
}

TEST_F(SendRigTest, ReceiptNoticeIsSentAtOnce) {
  CMailEditor& e = NewMail("");
  e.receiptRequest = true;
  e.SendReceipt("\"Jiro\" <jiro@example.jp>", "会議の件");
  EXPECT_EQ(e.to, "jiro@example.jp");
  EXPECT_EQ(e.subject, "受信確認：会議の件");
  EXPECT_EQ(e.body, kDefaultReceiptText);
  EXPECT_FALSE(e.receiptRequest);
  smtp.Serve();
  ASSERT_EQ(smtp.accepted.size(), 1u);
  EXPECT_EQ(smtp.accepted[0].data.find("Disposition-Notification-To"), std::string::npos);

  app.user().receiptText = "受け取りました。";
  CMailEditor& f = NewMail("");
  f.SendReceipt("jiro@example.jp", "x");
  EXPECT_EQ(f.body, "受け取りました。");
}

TEST_F(SendRigTest, SettingsReportGoesAtTheEndOfTheBody) {
  CMailEditor& e = NewMail();
  e.InsertSettingsReport();
  EXPECT_EQ(e.body.rfind("本文です。\r\n設定情報********************\r\nユーザー名 = 山田太郎\r\n", 0), 0u) << e.body;
  EXPECT_EQ(e.body.find("secret"), std::string::npos) << "no password";
  EXPECT_NE(e.body.find("フォルダ情報************\r\n"), std::string::npos);
}

TEST_F(SendRigTest, CloseQuestionOnlyForChangedMail) {
  CMailEditor& e = NewMail();
  EXPECT_FALSE(e.ShouldAskToSave(false));
  EXPECT_TRUE(e.ShouldAskToSave(true));
  e.dirty = true;  // an attachment added
  EXPECT_TRUE(e.ShouldAskToSave(false));
  e.dirty = false;
  e.clean = true;  // saved: edits made before count no more
  EXPECT_FALSE(e.ShouldAskToSave(true));
}

}  // namespace
}  // namespace fennel
