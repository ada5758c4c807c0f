// The file of a mail written here: every field survives a round trip, and a
// file of the older, shorter layout still opens.
#include "store/composed_mail.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "store/archive.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

ComposedMail Sample() {
  ComposedMail m;
  m.attachments = {"/home/taro/mail/写真.jpg", "/home/taro/mail/data.bin"};
  m.bcc = "boss@example.jp";
  m.cc = "花子 <hanako@example.jp>";
  m.subject = "会議の件";
  m.to = "jiro@example.jp,taro";
  m.body = "本文です。\r\n.dot\r\n";
  m.inReplyTo = "<a@example.jp>";
  m.references = "<r@example.jp> <a@example.jp>";
  m.date = 1'765'000'000;
  m.receiptRequest = 1;
  m.templateFlag = 0;
  m.replyTo = "reply@example.jp";
  m.scramble = 1;
  return m;
}

void ExpectSame(const ComposedMail& a, const ComposedMail& b) {
  EXPECT_EQ(a.attachments, b.attachments);
  EXPECT_EQ(a.bcc, b.bcc);
  EXPECT_EQ(a.cc, b.cc);
  EXPECT_EQ(a.subject, b.subject);
  EXPECT_EQ(a.to, b.to);
  EXPECT_EQ(a.body, b.body);
  EXPECT_EQ(a.inReplyTo, b.inReplyTo);
  EXPECT_EQ(a.references, b.references);
  EXPECT_EQ(a.date, b.date);
  EXPECT_EQ(a.receiptRequest, b.receiptRequest);
  EXPECT_EQ(a.templateFlag, b.templateFlag);
  EXPECT_EQ(a.replyTo, b.replyTo);
  EXPECT_EQ(a.scramble, b.scramble);
}

TEST(ComposedMailTest, FieldsInOrderAndBack) {
  const ComposedMail m = Sample();
  const std::string bytes = EncodeComposedMail(m);
  // The layout: the joined attachment paths come first, the scramble flag last.
  StringSink expected;
  {
    CArchive ar(expected);
    ar.WriteString("/home/taro/mail/写真.jpg,/home/taro/mail/data.bin");
    for (const char* s : {"boss@example.jp", "花子 <hanako@example.jp>", "会議の件", "jiro@example.jp,taro",
                          "本文です。\r\n.dot\r\n", "<a@example.jp>", "<r@example.jp> <a@example.jp>"})
      ar.WriteString(s);
    ar.WriteTime(1'765'000'000);
    ar.WriteU32(1);
    ar.WriteU32(0);
    ar.WriteString("reply@example.jp");
    ar.WriteU32(1);
    ar.Flush();
  }
  EXPECT_EQ(bytes, expected.bytes);
  ComposedMail back;
  ASSERT_TRUE(DecodeComposedMail(bytes, back));
  ExpectSame(back, m);

  test::TempDir dir;
  ASSERT_TRUE(SaveComposedMail(dir / "SNDabcde.tmp", m));
  ComposedMail loaded;
  ASSERT_TRUE(LoadComposedMail(dir / "SNDabcde.tmp", loaded));
  ExpectSame(loaded, m);
  EXPECT_FALSE(LoadComposedMail(dir / "SNDnone.tmp", loaded));
}

TEST(ComposedMailTest, OlderShorterFilesTakeDefaultsForTheRest) {
  ManualClock clock(1'800'000'000);
  SetCurrentClock(&clock);
  const std::string full = EncodeComposedMail(Sample());
  // Where each trailing field begins: after References, after the date,
  // after each flag, after Reply-To.
  const size_t afterRefs = full.size() - (4 + 4 + 4 + 1 + std::string("reply@example.jp").size() + 4);
  struct Case {
    size_t cut;
    int64_t date;
    int32_t receipt;
    std::string replyTo;
  };
  for (const Case& c : std::vector<Case>{{afterRefs, 1'800'000'000, 0, ""},
                                         {afterRefs + 4, 1'765'000'000, 0, ""},
                                         {afterRefs + 8, 1'765'000'000, 1, ""},
                                         {full.size() - 4, 1'765'000'000, 1, "reply@example.jp"}}) {
    ComposedMail m;
    ASSERT_TRUE(DecodeComposedMail(full.substr(0, c.cut), m)) << c.cut;
    EXPECT_EQ(m.references, "<r@example.jp> <a@example.jp>");
    EXPECT_EQ(m.date, c.date) << c.cut;
    EXPECT_EQ(m.receiptRequest, c.receipt) << c.cut;
    EXPECT_EQ(m.replyTo, c.replyTo) << c.cut;
    EXPECT_EQ(m.scramble, 0) << c.cut;
  }
  // Cut before References ends: not a mail file.
  ComposedMail m;
  m.subject = "kept";
  EXPECT_FALSE(DecodeComposedMail(full.substr(0, afterRefs - 1), m));
  EXPECT_EQ(m.subject, "kept") << "a failed load changes nothing";
  EXPECT_FALSE(DecodeComposedMail("", m));
  SetCurrentClock(nullptr);
}

TEST(ComposedMailTest, NoAttachmentsIsAnEmptyList) {
  ComposedMail m;
  ComposedMail back;
  back.attachments = {"x"};
  ASSERT_TRUE(DecodeComposedMail(EncodeComposedMail(m), back));
  EXPECT_TRUE(back.attachments.empty());
}

}  // namespace
}  // namespace fennel
