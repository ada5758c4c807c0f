// The bytes of a whole store, put together field by field without the
// archive, so that a change of field order, width or tag shows here.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "store/archive.h"
#include "store/list_info.h"

namespace fennel {
namespace {

// Little-endian pieces of the expected file.
std::string U16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}
std::string I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
// Short form only: every string of this store is below 255 bytes.
std::string Str(const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; }
std::string NewClass(const std::string& name) {
  return U16(0xFFFF) + U16(0) + U16(static_cast<uint16_t>(name.size())) + name;
}
std::string KnownClass(uint16_t classIndex) { return U16(static_cast<uint16_t>(0x8000 | classIndex)); }
std::string Zeros32(int n) { return std::string(static_cast<size_t>(4 * n), '\0'); }

struct MailValues {
  std::string path, from, subject;
  uint32_t date;
  std::string id;
  int32_t state;
  std::string inReplyTo, references, body, attachments, to;
  int32_t attach, receipt, templ, scramble, priority;
};

const MailValues kMails[3] = {
    {"/m/受信/RCVabcde.tmp", "山田 <yamada@example.jp>", "会議の件", 0x6A01B2C3, "<m1@example.jp>", 3, "", "",
     "受信した本文", "", "me@example.jp", 8, 1, 0, 0, 3},
    {"/m/SNDfghij.tmp", "me@example.jp", "Re: 会議の件", 0x6A01B300, "<m2@example.jp>", 1, "<m1@example.jp>",
     "<m0@example.jp> <m1@example.jp>", "書いた本文\r\n二行目", "/tmp/a.pdf\r\n", "山田 <yamada@example.jp>", 0, 0,
     1, 1, 5},
    {"/m/RCVklmno.tmp", "news@example.com", "週報", 0x01020304, "<m3@example.com>", 2, "", "", "", "", "me@example.jp",
     0, 0, 0, 0, 0},
};

std::string MailBytes(const MailValues& m, bool bodyWritten) {
  return Str(m.path) + Str(m.from) + Str(m.subject) + U32(m.date) + Str(m.id) + I32(m.state) + Str(m.inReplyTo) +
         Str(m.references) + Str(bodyWritten ? m.body : "") + Str(m.attachments) + Str(m.to) + I32(m.attach) +
         I32(m.receipt) + I32(m.templ) + I32(m.scramble) + I32(m.priority) + Zeros32(5);
}

CMailDetail* AddMail(CFolderDetail* f, const MailValues& v) {
  auto m = std::make_unique<CMailDetail>();
  m->filePath = v.path;
  m->from = v.from;
  m->subject = v.subject;
  m->date = v.date;
  m->messageId = v.id;
  m->state = v.state;
  m->inReplyTo = v.inReplyTo;
  m->references = v.references;
  m->bodyText = v.body;
  m->attachmentPaths = v.attachments;
  m->to = v.to;
  m->attachFlag = v.attach;
  m->receiptRequest = v.receipt;
  m->templateFlag = v.templ;
  m->scrambleFlag = v.scramble;
  m->priority = v.priority;
  return f->AddMail(std::move(m));
}

void Fill(CListInfo& store) {
  CAddressDetail* a = store.AddAddress("やまだ", "yamada@example.jp", "山田太郎", "一行目\r\n二行目", 1, "仕事");
  a->spare5 = 0x11223344;
  CFolderDetail* inbox = store.AddFolder("受信フォルダ");
  inbox->expanded = 1;
  inbox->listSortKey = 0x0102;
  CFolderDetail* work = store.AddFolder("仕事", 2, 1, "example.jp,会議", "受信フォルダ");
  AddMail(inbox, kMails[0]);
  AddMail(inbox, kMails[1]);
  AddMail(work, kMails[2]);
  store.AddSubAccount("pop.example.jp", "sub", "秘密", 110, 1, 0);
  store.AddPhrase("挨拶", "お世話になっております。", "定型", 1);
}

std::string FolderHeader(const std::string& name, const std::string& sortText, const std::string& parent,
                         int32_t condition, int32_t thread, int32_t expanded, int32_t listSortKey) {
  return Str(name) + I32(0) + Str(sortText) + Str(parent) + Str("") + Str("") + Str("") + I32(0) + I32(condition) +
         I32(thread) + I32(expanded) + I32(0) + I32(listSortKey) + Zeros32(4);
}

std::string ExpectedBytes() {
  std::string e;
  // Addresses: class 1, object 2.
  e += U16(1) + NewClass("CAddressDetail");
  e += Str("yamada@example.jp") + Str("やまだ") + Str("山田太郎") + Str("一行目\r\n二行目") + I32(0x11223344) +
       Str("仕事") + Str("") + Str("") + Str("") + Str("") + I32(1) + Zeros32(9);
  // Folders: class 3, folder 4 with mails (class 5) 6 and 7, folder 8 with mail 9.
  e += U16(2) + NewClass("CFolderDetail");
  e += FolderHeader("受信フォルダ", "", "", 0, 0, 1, 0x0102);
  e += U16(2) + NewClass("CMailDetail") + MailBytes(kMails[0], false);
  e += KnownClass(5) + MailBytes(kMails[1], true);
  e += KnownClass(3) + FolderHeader("仕事", "example.jp,会議", "受信フォルダ", 2, 1, 0, 0);
  e += U16(1) + KnownClass(5) + MailBytes(kMails[2], true);
  // Sub-accounts: class 10, object 11; phrases: object 12.
  e += U16(1) + NewClass("CCommonDetail");
  e += Str("pop.example.jp") + Str("sub") + Str("秘密") + std::string(6, '\0') + I32(110) + I32(1) + Zeros32(16);
  e += U16(1) + KnownClass(10);
  e += Str("挨拶") + Str("お世話になっております。") + Str("定型") + std::string(6, '\0') + I32(1) + Zeros32(17);
  // The three spare lists.
  e += U16(0) + U16(0) + U16(0);
  return e;
}

TEST(StoreBytesTest, WholeStoreMatchesHandBuiltBytesAndReadsBack) {
  CListInfo store;
  Fill(store);
  StringSink sink;
  {
    CArchive ar(sink);
    store.Serialize(ar);
    ar.Flush();
  }
  const std::string expected = ExpectedBytes();
  ASSERT_EQ(sink.bytes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(static_cast<unsigned char>(sink.bytes[i]), static_cast<unsigned char>(expected[i])) << "offset " << i;

  CListInfo loaded;
  StringSource src(sink.bytes);
  CArchive in(src);
  loaded.Serialize(in);

  ASSERT_EQ(loaded.addresses.size(), 1u);
  const CAddressDetail& a = *loaded.addresses[0];
  EXPECT_EQ(a.mailAddress, "yamada@example.jp");
  EXPECT_EQ(a.nickname, "やまだ");
  EXPECT_EQ(a.fullName, "山田太郎");
  EXPECT_EQ(a.memo, "一行目\r\n二行目");
  EXPECT_EQ(a.spare5, 0x11223344);
  EXPECT_EQ(a.category, "仕事");
  EXPECT_EQ(a.kind, 1);

  ASSERT_EQ(loaded.folders.size(), 2u);
  const CFolderDetail& inbox = *loaded.folders[0];
  const CFolderDetail& work = *loaded.folders[1];
  EXPECT_EQ(inbox.name, "受信フォルダ");
  EXPECT_EQ(inbox.expanded, 1);
  EXPECT_EQ(inbox.listSortKey, 0x0102);
  EXPECT_EQ(work.name, "仕事");
  EXPECT_EQ(work.sortText, "example.jp,会議");
  EXPECT_EQ(work.parent, "受信フォルダ");
  EXPECT_EQ(work.sortCondition, 2);
  EXPECT_EQ(work.threadView, 1);
  ASSERT_EQ(inbox.mails.size(), 2u);
  ASSERT_EQ(work.mails.size(), 1u);
  const CMailDetail* mails[3] = {inbox.mails[0].get(), inbox.mails[1].get(), work.mails[0].get()};
  for (int i = 0; i < 3; ++i) {
    const MailValues& v = kMails[i];
    const CMailDetail& m = *mails[i];
    SCOPED_TRACE(v.id);
    EXPECT_EQ(m.filePath, v.path);
    EXPECT_EQ(m.from, v.from);
    EXPECT_EQ(m.subject, v.subject);
    EXPECT_EQ(m.date, static_cast<int64_t>(v.date));
    EXPECT_EQ(m.messageId, v.id);
    EXPECT_EQ(m.state, v.state);
    EXPECT_EQ(m.inReplyTo, v.inReplyTo);
    EXPECT_EQ(m.references, v.references);
    EXPECT_EQ(m.bodyText, i == 0 ? "" : v.body);
    EXPECT_EQ(m.attachmentPaths, v.attachments);
    EXPECT_EQ(m.to, v.to);
    EXPECT_EQ(m.attachFlag, v.attach);
    EXPECT_EQ(m.receiptRequest, v.receipt);
    EXPECT_EQ(m.templateFlag, v.templ);
    EXPECT_EQ(m.scrambleFlag, v.scramble);
    EXPECT_EQ(m.priority, v.priority);
    EXPECT_EQ(loaded.FolderOf(&m), i < 2 ? &inbox : &work);
  }
  // The loaded store finds its mails; the state-2 one stays hidden.
  EXPECT_EQ(loaded.FindMailById("<m2@example.jp>"), mails[1]);
  EXPECT_EQ(loaded.FindMailById("<m3@example.com>"), nullptr);

  ASSERT_EQ(loaded.subAccounts.size(), 1u);
  const CCommonDetail& s = *loaded.subAccounts[0];
  EXPECT_EQ(s.s[0], "pop.example.jp");
  EXPECT_EQ(s.s[1], "sub");
  EXPECT_EQ(s.s[2], "秘密");
  EXPECT_EQ(s.i[0], 110);
  EXPECT_EQ(s.i[1], 1);
  EXPECT_EQ(s.i[2], 0);
  ASSERT_EQ(loaded.phrases.size(), 1u);
  const CCommonDetail& p = *loaded.phrases[0];
  EXPECT_EQ(p.s[0], "挨拶");
  EXPECT_EQ(p.s[1], "お世話になっております。");
  EXPECT_EQ(p.s[2], "定型");
  EXPECT_EQ(p.i[0], 1);
  for (const auto& list : loaded.spare) EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace fennel
