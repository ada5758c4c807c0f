// Records made from message files, and copies of records.
#include "store/mail_detail.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr int64_t kNow = 1'800'000'000;

// Local time follows TZ while the object lives.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) setenv("TZ", old_->c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

class MailFromFileTest : public ::testing::Test {
 protected:
  MailFromFileTest() : clock_(kNow) { SetCurrentClock(&clock_); }
  ~MailFromFileTest() override { SetCurrentClock(nullptr); }

  // Writes the lines with CR LF ends; returns the path.
  std::string Message(const std::string& name, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    WriteFile(dir_ / name, text);
    return dir_ / name;
  }

  ManualClock clock_;
  TempDir dir_;
};

TEST_F(MailFromFileTest, ReadsEveryHeaderField) {
  const std::string path = Message(
      "RCVabcde.tmp",
      {"Received: from mx.example.jp", "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <taro@example.jp>",
       "To: =?UTF-8?B?6Yi05pyo?= <suzuki@example.jp>",
       "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\tNo.\t5", "Message-Id: <abc@example.jp>",
       "In-Reply-To: <parent@example.jp>", "References: <root@example.jp>", " <parent@example.jp>",
       "Date: Sun, 06 Dec 2026 20:01:31 +0900", "Disposition-Notification-To: taro@example.jp",
       "Content-Type: text/plain; charset=ISO-2022-JP", "", "body"});
  auto m = CMailDetail::FromFile(path);
  EXPECT_EQ(m->filePath, path);
  EXPECT_EQ(m->from, "山田太郎 <taro@example.jp>");
  EXPECT_EQ(m->to, "鈴木 <suzuki@example.jp>");
  EXPECT_EQ(m->subject, "会議の件No.5");
  EXPECT_EQ(m->messageId, "<abc@example.jp>");
  EXPECT_EQ(m->inReplyTo, "<parent@example.jp>");
  EXPECT_EQ(m->references, "<root@example.jp> <parent@example.jp>");
  EXPECT_EQ(m->date, 1796554891);  // 2026-12-06 11:01:31 UTC
  EXPECT_EQ(m->state, CMailDetail::kUnread);
  EXPECT_EQ(m->receiptRequest, 1);
  EXPECT_EQ(m->attachFlag, 0);
  EXPECT_EQ(m->priority, 0);
}

TEST_F(MailFromFileTest, DateZoneAndFallbackToNow) {
  struct Case {
    const char* date;  // nullptr: no Date: line
    int64_t expected;
  };
  const Case cases[] = {
      {"Sun, 06 Dec 2026 20:01:31 +0900", 1796554891},
      {"Sun, 06 Dec 2026 06:01:31 -0500", 1796554891},
      {"6 Dec 2026 11:01:31 GMT", 1796554891},
      {nullptr, kNow},
      {"someday soon", kNow},
      {"", kNow},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = {"From: a@example.jp", "Message-ID: <x@example.jp>"};
    if (c.date) lines.push_back(std::string("Date: ") + c.date);
    lines.insert(lines.end(), {"", "body"});
    EXPECT_EQ(CMailDetail::FromFile(Message("RCVdate0.tmp", lines))->date, c.expected) << (c.date ? c.date : "none");
  }
}

TEST_F(MailFromFileTest, AttachmentFlag) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    int32_t flag;
  };
  const Case cases[] = {
      {"a body line that begins with it",
       {"From: a@example.jp", "Content-Type: text/plain", "", "Content-Type: application/pdf is text"},
       8},
      {"application part",
       {"From: a@example.jp", "Content-Type: multipart/mixed; boundary=\"b\"", "", "--b", "Content-Type: text/plain",
        "", "hi", "--b", "Content-Type: application/octet-stream; name=\"a.bin\"", "", "AAAA", "--b--"},
       8},
      {"disposition in the header", {"From: a@example.jp", "Content-Disposition: inline", "", "hi"}, 8},
      {"only text parts",
       {"From: a@example.jp", "Content-Type: multipart/alternative; boundary=\"b\"", "", "--b",
        "Content-Type: text/plain", "", "hi", "--b", "Content-Type: text/html", "", "<p>hi</p>", "--b--"},
       0},
      {"not at the start of a line", {"From: a@example.jp", "", "see Content-Type: application/pdf"}, 0},
      {"disposition in a part only",
       {"From: a@example.jp", "Content-Type: multipart/mixed; boundary=\"b\"", "", "--b",
        "Content-Type: text/plain", "Content-Disposition: inline", "", "hi", "--b--"},
       0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CMailDetail::FromFile(Message("RCVatt00.tmp", c.lines))->attachFlag, c.flag) << c.what;
}

// Without a Message-ID the key is From + Subject + the local time in words.
TEST_F(MailFromFileTest, MadeUpMessageIdUsesLocalTimeInEnglish) {
  struct Case {
    const char* tz;
    const char* words;
  };
  const Case cases[] = {
      {"UTC", "Sunday, December 06, 2026, 20, 01, 31"},
      {"JST-9", "Monday, December 07, 2026, 05, 01, 31"},
  };
  const std::string path = Message("RCVnoid0.tmp", {"From: a@example.jp", "Subject: =?UTF-8?B?6KuL5rGC5pu4?=",
                                                    "Date: Sun, 06 Dec 2026 20:01:31 +0000", "", "body"});
  for (const Case& c : cases) {
    ScopedTimeZone tz(c.tz);
    EXPECT_EQ(CMailDetail::FromFile(path)->messageId, std::string("a@example.jp請求書") + c.words) << c.tz;
  }
}

TEST_F(MailFromFileTest, SameSenderSubjectAndSecondGiveTheSameKey) {
  ScopedTimeZone tz("UTC");
  const std::vector<std::string> dated = {"From: a@example.jp", "Subject: hello",
                                          "Date: Sun, 06 Dec 2026 20:01:31 +0000", "", "one"};
  const std::vector<std::string> undated = {"From: a@example.jp", "Subject: hello", "", "two"};
  auto a = CMailDetail::FromFile(Message("RCVsame1.tmp", dated));
  auto b = CMailDetail::FromFile(Message("RCVsame2.tmp", dated));
  EXPECT_EQ(a->messageId, b->messageId);
  // Both undated mails take the same "now".
  auto c = CMailDetail::FromFile(Message("RCVsame3.tmp", undated));
  auto d = CMailDetail::FromFile(Message("RCVsame4.tmp", undated));
  EXPECT_EQ(c->messageId, d->messageId);
  EXPECT_EQ(c->messageId, MadeUpMessageId("a@example.jp", "hello", kNow));
  EXPECT_NE(a->messageId, c->messageId);
}

TEST_F(MailFromFileTest, MissingFileGivesAnUnreadRecordDatedNow) {
  auto m = CMailDetail::FromFile(dir_ / "RCVgone0.tmp");
  EXPECT_EQ(m->state, CMailDetail::kUnread);
  EXPECT_EQ(m->date, kNow);
  EXPECT_TRUE(m->from.empty());
  EXPECT_FALSE(m->messageId.empty());
}

TEST(MailCopyTest, KeepsTheListFieldsAndResetsTheRest) {
  CMailDetail o;
  o.filePath = "/m/SNDabcde.tmp";
  o.from = "差出人";
  o.subject = "件名";
  o.date = 123456789;
  o.messageId = "<id@example.jp>";
  o.state = CMailDetail::kDeleted;
  o.inReplyTo = "<p@example.jp>";
  o.references = "<r@example.jp>";
  o.bodyText = "本文";
  o.attachmentPaths = "/tmp/a.pdf\r\n";
  o.to = "宛先";
  o.attachFlag = 8;
  o.receiptRequest = 1;
  o.templateFlag = 1;
  o.scrambleFlag = 1;
  o.priority = 5;
  for (int32_t& v : o.spare) v = 7;
  auto c = CMailDetail::CopyOf(o);
  EXPECT_EQ(c->filePath, o.filePath);
  EXPECT_EQ(c->from, o.from);
  EXPECT_EQ(c->subject, o.subject);
  EXPECT_EQ(c->date, o.date);
  EXPECT_EQ(c->messageId, o.messageId);
  EXPECT_EQ(c->state, o.state);
  EXPECT_EQ(c->inReplyTo, o.inReplyTo);
  EXPECT_EQ(c->references, o.references);
  EXPECT_EQ(c->bodyText, o.bodyText);
  EXPECT_EQ(c->attachmentPaths, o.attachmentPaths);
  EXPECT_EQ(c->to, o.to);
  EXPECT_EQ(c->attachFlag, 8);
  EXPECT_EQ(c->receiptRequest, 0);
  EXPECT_EQ(c->priority, 0);
  EXPECT_EQ(c->templateFlag, 0);
  EXPECT_EQ(c->scrambleFlag, 0);
  for (int32_t v : c->spare) EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace fennel
