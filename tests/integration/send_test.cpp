// Sending to a real SMTP server on 127.0.0.1 (aiosmtpd storing each
// accepted message with its envelope), with the POP logon against Dovecot.
// What arrived is read back by an independent decoder (Python's e-mail
// package), not by this program's own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <list>
#include <map>
#include <thread>

#include "config/mail_app.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/folder_detail.h"
#include "tests/integration/mail_servers.h"
#include "tests/support/process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "transport/send_driver.h"
#include "ui/editor/mail_editor.h"

namespace fennel {
namespace {

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
  }
  return out;
}

// One accepted message as the independent decoder reads it (UTF-8).
struct Decoded {
  std::string headerNames;  // "Date,From,..." in order
  std::map<std::string, std::string> headers;
  int defects = -1;
  struct Text {
    std::string type, charset, content;
  };
  std::vector<Text> texts;
  struct Attachment {
    std::string name, type, disposition, contentId, bytes;
  };
  std::vector<Attachment> attachments;
  std::string envelope;  // the .json beside it
};

Decoded Decode(const std::string& eml) {
  Decoded d;
  test::TempDir out;
  test::ProcessResult r = test::RunProcess(
      "/usr/bin/python3", {std::string(FENNEL_SOURCE_DIR) + "/tests/integration/decode_mail.py", eml, out.path()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  size_t at = 0;
  while (at < r.out.size()) {
    size_t end = r.out.find('\n', at);
    if (end == std::string::npos) end = r.out.size();
    std::vector<std::string> f;
    std::string line = r.out.substr(at, end - at);
    at = end + 1;
    size_t s = 0;
    for (;;) {
      size_t tab = line.find('\t', s);
      f.push_back(Unescape(line.substr(s, tab == std::string::npos ? std::string::npos : tab - s)));
      if (tab == std::string::npos) break;
      s = tab + 1;
    }
    if (f[0] == "header-names" && f.size() == 2) d.headerNames = f[1];
    if (f[0] == "header" && f.size() == 3) d.headers[f[1]] = f[2];
    if (f[0] == "defects" && f.size() == 2) d.defects = std::stoi(f[1]);
    if (f[0] == "text" && f.size() == 4) d.texts.push_back({f[1], f[2], f[3]});
    if (f[0] == "attachment" && f.size() == 6) d.attachments.push_back({f[1], f[2], f[3], f[4], test::ReadFile(f[5])});
  }
  d.envelope = test::ReadFile(eml.substr(0, eml.size() - 4) + ".json");
  return d;
}

int counter = 0;

class SendTest : public testing::Test, public SendHost {
 protected:
  struct Slot : EditorHost {
    explicit Slot(SendTest& t) : editor(t.app, t.loop, t.sender, *this) {}
    void CloseEditor() override { closed = true; }
    void RefreshMailboxes() override {}
    CMailEditor editor;
    bool closed = false;
  };

  void SetUp() override {
    REQUIRE_MAIL_SERVERS();
    user_ = "snd" + std::to_string(getpid()) + "x" + std::to_string(++counter);
    MakeDirs(mailDir());
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.logonDir = env.home();
    u.fullName = "山田太郎";
    u.mailAddress = "taro@example.jp";
    u.smtpServer = "127.0.0.1";
    u.smtpPort = test::MailServers::smtpPort();
    u.popServer = "127.0.0.1";
    u.popPort = test::MailServers::pop3Port();
    u.account = user_;
    u.mailPassword = "pw-" + user_;
    u.mailDir = mailDir();
    u.serverTimeout = 1;
    before_ = test::MailServers::Accepted().size();
  }
  void TearDown() override { slots_.clear(); }

  std::string mailDir() const { return env.home() + "/mail"; }
  Window* OpenStoredMail(const std::string& path) override {
    slots_.push_back(std::make_unique<Slot>(*this));
    if (!slots_.back()->editor.OpenComposed(path)) return nullptr;
    return &slots_.back()->editor;
  }
  CMailEditor& NewMail(const std::string& to, const std::string& subject, const std::string& body = "本文\r\n") {
    slots_.push_back(std::make_unique<Slot>(*this));
    CMailEditor& e = slots_.back()->editor;
    e.to = to;
    e.subject = subject;
    e.body = body;
    return e;
  }
  // Runs until no transfer runs and no mail window waits for one.
  void RunToTheEnd() {
    bool ended = loop.RunUntil(
        [&] {
          if (!app.transferIdle) return false;
          for (auto& s : slots_)
            if (s->editor.sendPending()) return false;
          return true;
        },
        30000);
    EXPECT_TRUE(ended) << "the send did not end";
  }
  // What the server accepted during this test.
  std::vector<std::string> NewlyAccepted() const {
    std::vector<std::string> all = test::MailServers::Accepted();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(before_, all.size())), all.end());
  }
  std::vector<CMailDetail*> Live(const std::string& folder) {
    std::vector<CMailDetail*> out;
    if (CFolderDetail* f = app.user().store.FindFolder(folder))
      for (auto& m : f->mails)
        if (m->state != CMailDetail::kDeleted) out.push_back(m.get());
    return out;
  }

  test::TempEnvironment env;
  Profile profile{JoinPath(env.profileDir(), "Fennel.ini")};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, env.home()}};
  PollEventLoop loop;
  NullReceiveHost receiveHost;
  AnimationWindow animation{loop, prompter};
  CReceiveDriver receive{app, loop, receiveHost, animation};
  CSendDriver sender{app, receive, *this};
  std::list<std::unique_ptr<Slot>> slots_;
  std::string user_;
  size_t before_ = 0;
};

TEST_F(SendTest, JapaneseMailArrivesAndDecodesBackExactly) {
  const std::string subject = "会議の件（再送）について";
  const std::string body = "山田です。\r\n.先頭が点の行\r\n..\r\n.\r\nお世話になっております。\r\n";
  CMailEditor& e = NewMail("jiro@example.jp, 次郎 <jiro2@example.jp>", subject, body);
  e.cc = "花子 <hanako@example.jp>";
  e.bcc = "boss@example.jp";
  // A binary attachment with a Japanese name, of a size that ends mid-group.
  std::string bytes;
  for (int i = 0; i < 100003; ++i) bytes.push_back(static_cast<char>((i * 7919) >> 3));
  const std::string attachment = env.home() + "/報告書 第1版.pdf";
  test::WriteFile(ToFsPath(attachment), bytes);
  e.attachments = {attachment};
  e.SendNow();
  RunToTheEnd();
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メールを送信しました。"});

  std::vector<std::string> got = NewlyAccepted();
  ASSERT_EQ(got.size(), 1u);
  Decoded d = Decode(got[0]);
  EXPECT_EQ(d.defects, 0);
  // Envelope: Bcc, then Cc, then To; no Bcc header in what everyone reads.
  EXPECT_NE(d.envelope.find("\"rcpt_tos\": [\"boss@example.jp\", \"hanako@example.jp\", \"jiro@example.jp\", "
                            "\"jiro2@example.jp\"]"),
            std::string::npos)
      << d.envelope;
  EXPECT_NE(d.envelope.find("\"mail_from\": \"taro@example.jp\""), std::string::npos);
  EXPECT_EQ(d.headerNames,
            "Date,From,To,Cc,Subject,Reply-To,Message-ID,MIME-Version,X-Mail-Agent,X-Mail-Agent,Content-Type");
  EXPECT_EQ(d.headers.count("Bcc"), 0u);
  // The encoded word keeps its closing blank; the text is the text typed.
  std::string decodedSubject = d.headers["Subject"];
  while (!decodedSubject.empty() && decodedSubject.back() == ' ') decodedSubject.pop_back();
  EXPECT_EQ(decodedSubject, Cp932ToUtf8(subject));
  EXPECT_EQ(d.headers["From"], Cp932ToUtf8("山田太郎 <taro@example.jp>"));
  EXPECT_EQ(d.headers["To"], Cp932ToUtf8("jiro@example.jp, 次郎 <jiro2@example.jp>"));
  EXPECT_EQ(d.headers["Cc"], Cp932ToUtf8("花子 <hanako@example.jp>"));
  ASSERT_EQ(d.texts.size(), 1u);
  EXPECT_EQ(d.texts[0].type, "text/plain");
  EXPECT_EQ(d.texts[0].charset, "iso-2022-jp");
  // The blank line before the boundary belongs to the text part as written.
  EXPECT_EQ(d.texts[0].content, Cp932ToUtf8(body) + "\r\n");
  ASSERT_EQ(d.attachments.size(), 1u);
  EXPECT_EQ(d.attachments[0].name, Cp932ToUtf8("報告書 第1版.pdf"));
  EXPECT_EQ(d.attachments[0].type, "application/pdf");
  EXPECT_EQ(d.attachments[0].disposition, "attachment");
  EXPECT_TRUE(d.attachments[0].bytes == bytes) << "attachment changed on the way";
  // Filed as sent, the attachment copied beside the mail.
  ASSERT_EQ(Live(kSentFolder).size(), 1u);
  EXPECT_TRUE(Live(kUnsentFolder).empty());
  EXPECT_EQ(test::ReadFile(ToFsPath(mailDir() + "/報告書 第1版.pdf")), bytes);
  EXPECT_NE(d.headers["Message-ID"].find(Live(kSentFolder)[0]->messageId), std::string::npos);
}

TEST_F(SendTest, HtmlBodyReferringToAnAttachedPicture) {
  const std::string picture = env.home() + "/pic.png";
  test::WriteFile(picture, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, '\x01'));
  CMailEditor& e = NewMail("jiro@example.jp", "写真", "<html><body><img src=\"" + picture + "\">写真です</body></html>\r\n");
  e.attachments = {picture};
  e.SendNow();
  RunToTheEnd();
  std::vector<std::string> got = NewlyAccepted();
  ASSERT_EQ(got.size(), 1u);
  Decoded d = Decode(got[0]);
  ASSERT_EQ(d.texts.size(), 1u);
  EXPECT_EQ(d.texts[0].type, "text/html");
  ASSERT_EQ(d.attachments.size(), 1u);
  EXPECT_EQ(d.attachments[0].disposition, "inline");
  // The page shows the attached copy: its src is the part's Content-ID.
  const std::string cid = d.attachments[0].contentId.substr(1, d.attachments[0].contentId.size() - 2);
  EXPECT_NE(d.texts[0].content.find("src=\"cid:" + cid + "\""), std::string::npos) << d.texts[0].content;
}

TEST_F(SendTest, RefusedRecipientIsPassedOverAndTold) {
  CMailEditor& e = NewMail("jiro@example.jp,reject-me@example.jp", "refused one");
  e.SendNow();
  RunToTheEnd();
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"メールを送信しました。",
                                                        std::string(kRefusedRecipients) + "\r\nreject-me@example.jp"}));
  std::vector<std::string> got = NewlyAccepted();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NE(Decode(got[0]).envelope.find("\"rcpt_tos\": [\"jiro@example.jp\"]"), std::string::npos);
  EXPECT_EQ(Live(kSentFolder).size(), 1u);
}

TEST_F(SendTest, RefusedSenderLeavesTheMailUnsent) {
  app.user().mailAddress = "reject-sender@example.jp";
  CMailEditor& e = NewMail("jiro@example.jp", "refused sender");
  e.SendNow();
  RunToTheEnd();
  EXPECT_EQ(prompter.Texts(),
            std::vector<std::string>{"[RCPT_NG]メールを送信に失敗しました。一度、メールの受信を行ってください。"});
  EXPECT_TRUE(NewlyAccepted().empty());
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(app.user().store.FindFolder(kSentFolder), nullptr);
  EXPECT_TRUE(app.transferIdle);
}

TEST_F(SendTest, PopLogonBeforeTheSend) {
  test::MailServers::AddUser(user_, "pw-" + user_);
  app.popAuth = true;
  CMailEditor& e = NewMail("jiro@example.jp", "after the logon");
  e.SendNow();
  RunToTheEnd();
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"メールを送信しました。"});
  EXPECT_EQ(NewlyAccepted().size(), 1u);

  // A wrong password answered with OK: nothing is sent.
  prompter.shown.clear();
  app.user().mailPassword = "wrong";
  CMailEditor& f = NewMail("jiro@example.jp", "never sent");
  f.SendNow();
  RunToTheEnd();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, user_ + "@127.0.0.1[POP_PASS_NG]POP認証に失敗しました。POPサーバー及びアカウント、パスワードをご確認ください。");
  EXPECT_EQ(NewlyAccepted().size(), 1u);
  EXPECT_EQ(f.sendState(), CMailEditor::SendState::Stopped);
  EXPECT_TRUE(Live(kUnsentFolder).empty()) << "stopped before it was stored";
}

TEST_F(SendTest, BatchOfThreeWithTheSecondRefused) {
  for (const char* to : {"one@example.jp", "reject-two@example.jp", "three@example.jp"}) {
    CMailEditor& e = NewMail(to, std::string("batch ") + to);
    ASSERT_TRUE(e.SaveForLater());
  }
  prompter.shown.clear();
  ASSERT_TRUE(sender.CanBatchSend());
  sender.StartBatch();
  RunToTheEnd();
  std::vector<std::string> got = NewlyAccepted();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(Decode(got[0]).envelope.find("one@example.jp"), std::string::npos);
  EXPECT_NE(Decode(got[1]).envelope.find("three@example.jp"), std::string::npos);
  // No success boxes in a batch; the refusal is told.
  EXPECT_EQ(prompter.Texts(),
            (std::vector<std::string>{"[RCPT_NG]メールを送信に失敗しました。一度、メールの受信を行ってください。",
                                      std::string(kRefusedRecipients) + "\r\nreject-two@example.jp"}));
  ASSERT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(Live(kUnsentFolder)[0]->from, "reject-two@example.jp");
  EXPECT_EQ(Live(kSentFolder).size(), 2u);
  EXPECT_FALSE(app.batchSend);
}

// A server that accepts and never answers: the time-out (a "minute" of
// 300 ms here) ends the send with the no-response box.
TEST_F(SendTest, SilentServerTimesOut) {
  int port = 0;
  int fd = test::ListenOnLoopback(port);
  app.user().smtpPort = port;
  app.timeoutMinuteMs = 300;
  CMailEditor& e = NewMail("jiro@example.jp", "into the silence");
  e.SendNow();
  RunToTheEnd();
  close(fd);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kSmtpNoResponse});
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
  EXPECT_EQ(e.sendState(), CMailEditor::SendState::Stopped);
}

// A server that greets, takes HELO, then goes silent and away: the probe
// finds it gone.
TEST_F(SendTest, ProbeFindsTheServerGone) {
  int port = 0;
  int listener = test::ListenOnLoopback(port);
  std::thread server([listener] {
    int c = accept(listener, nullptr, nullptr);
    close(listener);
    auto say = [c](const std::string& s) { (void)!write(c, s.data(), s.size()); };
    say("220 ready\r\n");
    char ch;
    while (read(c, &ch, 1) == 1 && ch != '\n') {
    }
    say("250 hello\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    close(c);
  });
  app.user().smtpPort = port;
  app.timeoutMinuteMs = 300;
  CMailEditor& e = NewMail("jiro@example.jp", "gone");
  e.SendNow();
  RunToTheEnd();
  server.join();
  ASSERT_EQ(prompter.shown.size(), 2u) << (prompter.shown.empty() ? "" : prompter.shown[0].text);
  EXPECT_NE(prompter.shown[0].text.find("に接続を試みましたが、リジェクトされました。"), std::string::npos);
  EXPECT_EQ(prompter.shown[1].text, kSmtpNoResponse);
  EXPECT_EQ(Live(kUnsentFolder).size(), 1u);
}

// The command line: send, save, send-unsent.
TEST_F(SendTest, CommandLine) {
  const std::map<std::string, std::string> env_ = {{"FENNEL_HOME", env.home()},
                                                  {"FENNEL_PROFILE_DIR", env.profileDir()},
                                                  {"FENNEL_PASSWORD", "pw"}};
  auto cli = [&](const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--user", "taro"};
    all.insert(all.end(), args.begin(), args.end());
    return test::RunProcess(FENNEL_CLI_PATH, all, "", env_);
  };
  ASSERT_EQ(cli({"create-user"}).exitCode, 0);
  auto set = cli({"set", "smtp_server=127.0.0.1", "smtp_port=" + std::to_string(test::MailServers::smtpPort()),
                  "mail_address=taro@example.jp", "full_name=" + Cp932ToUtf8("山田太郎"), "mail_dir=" + mailDir()});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  // The command line speaks UTF-8: arguments, file names, the body file.
  test::WriteFile(env.home() + "/body.txt", Cp932ToUtf8("こんにちは。\n.ドットの行\n"));
  test::WriteFile(ToFsPath(env.home() + "/添付.txt"), "attached\n");

  auto sent = cli({"send", "--to", "jiro@example.jp", "--subject", Cp932ToUtf8("コマンドラインから"), "--body-file",
                   env.home() + "/body.txt", "--attach", ToFsPath(env.home() + "/添付.txt")});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_NE(sent.err.find(Cp932ToUtf8("メールを送信しました。")), std::string::npos) << sent.err;
  std::vector<std::string> got = NewlyAccepted();
  ASSERT_EQ(got.size(), 1u);
  Decoded d = Decode(got[0]);
  ASSERT_EQ(d.texts.size(), 1u);
  EXPECT_EQ(d.texts[0].content, Cp932ToUtf8("こんにちは。\r\n.ドットの行\r\n\r\n"));
  ASSERT_EQ(d.attachments.size(), 1u);
  EXPECT_EQ(d.attachments[0].name, Cp932ToUtf8("添付.txt"));
  EXPECT_EQ(d.attachments[0].bytes, "attached\n");

  // Refused by the server: exit 1, the mail kept.
  auto refused = cli({"send", "--to", "reject-x@example.jp", "--subject", "no"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("[RCPT_NG]"), std::string::npos) << refused.err;

  // Two more for later, then the batch.
  EXPECT_EQ(cli({"save", "--to", "later1@example.jp", "--subject", "later"}).exitCode, 0);
  EXPECT_EQ(cli({"save", "--to", "later2@example.jp", "--subject", "later"}).exitCode, 0);
  auto batch = cli({"send-unsent"});
  // The refused one is tried again and refused again: it stays.
  EXPECT_EQ(batch.exitCode, 1) << batch.out << batch.err;
  EXPECT_NE(batch.out.find(Cp932ToUtf8("送信しました：2通　失敗：1通")), std::string::npos) << batch.out;
  EXPECT_EQ(NewlyAccepted().size(), 3u);
  auto unsent = cli({"list", Cp932ToUtf8("未送信フォルダ")});
  EXPECT_NE(unsent.out.find("reject-x@example.jp"), std::string::npos) << unsent.out;
  EXPECT_EQ(unsent.out.find("later1"), std::string::npos) << unsent.out;
  auto sentList = cli({"list", Cp932ToUtf8("送信フォルダ")});
  EXPECT_NE(sentList.out.find("later2@example.jp"), std::string::npos) << sentList.out;

  auto usage = cli({"send", "--bogus"});
  EXPECT_EQ(usage.exitCode, 2);
}

}  // namespace
}  // namespace fennel
