// The mail list presenter, driven without a display.
#include "ui/mailbox/mail_list.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/mailbox_rig.h"

namespace fennel {
namespace {

class FakeListHost : public MailListHost {
 public:
  void OpenMailWindow(const MailHandle& mail, Request request) override { opened.push_back({mail, request}); }
  std::vector<std::pair<MailHandle, Request>> opened;
};

class Ear : public MailboxListener {
 public:
  void OnFullRefresh() override { ++refreshes; }
  void OnMailSelected(const MailHandle* mail) override { shown.push_back(mail ? *mail : MailHandle{}); }
  int refreshes = 0;
  std::vector<MailHandle> shown;
};

class MailListTest : public testing::Test, public test::MailboxRig {
 protected:
  MailListTest() {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    doc.AddListener(&ear);
  }
  CMailDetail* Mail(const std::string& folder, const std::string& id, const std::string& from = "a@example.jp",
                    int64_t date = 1'800'000'000, int32_t state = CMailDetail::kUnread) {
    auto m = std::make_unique<CMailDetail>();
    m->messageId = id;
    m->from = from;
    m->subject = "件名 " + id;
    m->date = date;
    m->state = state;
    m->filePath = JoinPath(app.user().mailDir, "SND" + std::to_string(++files_) + "xxxx.tmp");
    return store().FolderOrCreate(folder)->AddMail(std::move(m));
  }
  std::vector<std::string> Column(int c) const {
    std::vector<std::string> t;
    for (int r = 0; r < static_cast<int>(list.rows().size()); ++r) t.push_back(list.Text(r, c));
    return t;
  }

  FakeListHost host;
  Ear ear;
  CMailList list{app, doc, host};
  int files_ = 0;
};

TEST(MailListTexts, PriorityMarksAndDates) {
  const struct {
    int32_t p;
    const char* mark;
  } marks[] = {{0, " "}, {1, "①"}, {3, "③"}, {10, "⑩"}, {11, " "}, {-1, " "}};
  for (const auto& m : marks) EXPECT_EQ(PriorityMark(m.p), m.mark) << m.p;
  setenv("TZ", "Asia/Tokyo", 1);
  tzset();
  const struct {
    int64_t t;
    const char* text;
  } dates[] = {
      {1796569200, "12/07/26 (12:00a)"},  // midnight
      {1796611500, "12/07/26 (11:45a)"},
      {1796612400, "12/07/26 (12:00p)"},  // noon
      {1796652000, "12/07/26 (11:00p)"},
      {1767193200, "1/01/26 (12:00a)"},
  };
  for (const auto& d : dates) EXPECT_EQ(MailDateText(d.t), d.text) << d.t;
}

// Newest record first; deleted records never; the unsent folder shows
// composed mail only; texts cut at 100 bytes, never in a character.
TEST_F(MailListTest, RowsAndTexts) {
  Mail(kInboxFolder, "<1@x>");
  Mail(kInboxFolder, "<2@x>", std::string(99, 'a') + "山田");
  Mail(kInboxFolder, "<3@x>", "gone", 0, CMailDetail::kDeleted);
  Mail(kUnsentFolder, "<4@x>", "b", 0, CMailDetail::kComposed);
  Mail(kUnsentFolder, "<5@x>", "sent", 0, CMailDetail::kRead);
  doc.SelectFolder(kInboxFolder, nullptr);
  ASSERT_EQ(list.rows().size(), 2u);
  EXPECT_EQ(list.Text(0, 0), std::string(99, 'a')) << "never half of 山";
  EXPECT_EQ(list.Text(1, 2), "件名 <1@x>");
  EXPECT_EQ(list.Text(0, 3), MailDateText(1'800'000'000));
  EXPECT_TRUE(list.Unread(0));
  EXPECT_EQ(list.Image(0, false), 7);
  EXPECT_EQ(list.Image(0, true), 3);
  EXPECT_EQ(store().FindFolder(kInboxFolder)->mails.size(), 2u) << "purged";
  doc.SelectFolder(kUnsentFolder, nullptr);
  EXPECT_EQ(Column(0), std::vector<std::string>{"b"});
  doc.SelectFolder("無い", nullptr);
  EXPECT_TRUE(list.rows().empty());
  EXPECT_TRUE(list.folder().empty());
}

// Column clicks sort and store the key; the folder opens sorted so.
TEST_F(MailListTest, ColumnSortAndStoredKeys) {
  Mail(kInboxFolder, "<1@x>", "bob", 300)->priority = 2;
  Mail(kInboxFolder, "<2@x>", "Alice", 100)->priority = 11;
  Mail(kInboxFolder, "<3@x>", "carol", 200)->priority = 5;
  doc.SelectFolder(kInboxFolder, nullptr);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"carol", "Alice", "bob"})) << "newest record first";
  const struct {
    int column;
    int key;
    std::vector<std::string> from;
  } rows[] = {
      {0, kSortFrom, {"Alice", "bob", "carol"}},
      {1, kSortPriority, {"carol", "bob", "Alice"}},
      {2, kSortSubject, {"bob", "Alice", "carol"}},
      {3, kSortDate, {"bob", "carol", "Alice"}},
  };
  for (const auto& r : rows) {
    list.ColumnClick(r.column);
    EXPECT_EQ(Column(0), r.from) << r.column;
    EXPECT_EQ(store().FindFolder(kInboxFolder)->listSortKey, r.key);
  }
  list.ColumnClick(0);
  doc.SelectFolder(kInboxFolder, nullptr);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"Alice", "bob", "carol"})) << "opened sorted by its key";
}

// Threads: replies follow their mail depth first, from other folders too,
// each once under its root; a thread folder's key stays when a column is
// clicked.
TEST_F(MailListTest, Threads) {
  CFolderDetail* inbox = store().FolderOrCreate(kInboxFolder);
  inbox->threadView = 1;
  Mail(kInboxFolder, "<root@x>", "taro", 100);
  CMailDetail* r1 = Mail(kSentFolder, "<r1@x>", "jiro", 200);
  r1->inReplyTo = "<root@x>";
  CMailDetail* r2 = Mail(kInboxFolder, "<r2@x>", "saburo", 300);
  r2->inReplyTo = "<r1@x>";
  r2->references = "<root@x> <r1@x> <root@x>";
  CMailDetail* ring = Mail(kInboxFolder, "<ring@x>", "ring", 50);
  ring->references = "<ring@x>";  // names itself
  Mail(kUnsentFolder, "<u@x>", "unsent", 400, CMailDetail::kComposed)->inReplyTo = "<root@x>";
  doc.SelectFolder(kInboxFolder, nullptr);
  // saburo answers both taro and jiro: shown once, where taro's replies
  // (in store order) meet it first.
  EXPECT_EQ(Column(0), (std::vector<std::string>{
                           "ring",
                           "saburo",
                           "taro",
                           "    ┗saburo<root@x>",
                           "    ┗jiro<root@x>",
                       }));
  EXPECT_EQ(r2->threadRoot, "<root@x>");
  list.SetSelection({4});
  EXPECT_FALSE(list.CanBeginDrag()) << "replies are not dragged";
  list.ColumnClick(3);
  EXPECT_EQ(inbox->listSortKey, 0) << "a thread folder keeps its order";
}

// Rows name their mails by handle: a move, a delete and a refill never
// leave a row pointing at a destroyed record.
TEST_F(MailListTest, RowsSurviveMovesDeletesAndRefills) {
  CMailDetail* a = Mail(kInboxFolder, "<a@x>");
  Mail(kInboxFolder, "<b@x>");
  doc.SelectFolder(kInboxFolder, nullptr);
  store().MoveMail(a, store().FolderOrCreate("保存"));
  EXPECT_EQ(list.Mail(1)->state, CMailDetail::kDeleted) << "the old record, marked, until a purge";
  store().FindFolder(kInboxFolder)->Purge();
  EXPECT_EQ(list.Mail(1), nullptr) << "gone: no dangling record";
  EXPECT_EQ(list.Text(1, 0), "");
  store().FindFolder(kInboxFolder)->DeleteMails(kSelectAll, nullptr);
  EXPECT_EQ(list.Mail(0), nullptr);
  doc.SelectFolder("保存", nullptr);
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(list.Mail(0)->messageId, "<a@x>");
}

// Open marks read and asks for the receipt once; reply and forward open
// the mail window; delete asks and removes, in the search folder only the
// result.
TEST_F(MailListTest, OpenReplyDelete) {
  CMailDetail* a = Mail(kInboxFolder, "<a@x>");
  a->receiptRequest = 1;
  Mail(kInboxFolder, "<b@x>");
  doc.SelectFolder(kInboxFolder, nullptr);
  list.SetSelection({1});
  prompter.answers = {MbAnswer::Ok};
  list.Open();
  EXPECT_EQ(a->state, CMailDetail::kRead);
  ASSERT_EQ(host.opened.size(), 2u);
  EXPECT_EQ(host.opened[1].second, MailListHost::Request::Receipt);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kReceiptQuestion});
  list.Open();
  EXPECT_EQ(prompter.shown.size(), 1u) << "asked once";
  EXPECT_FALSE(ear.shown.empty());
  list.OnCommand(CMailList::ID_MAIL_REPLY);
  EXPECT_EQ(host.opened.back().second, MailListHost::Request::Reply);

  prompter.answers = {MbAnswer::Cancel};
  list.OnCommand(CMailList::ID_MAIL_DELETE);
  EXPECT_EQ(prompter.Texts().back(), "件名：件名 <a@x>を本当に削除してもいいですか？");
  EXPECT_EQ(list.rows().size(), 2u);
  list.OnCommand(CMailList::ID_MAIL_DELETE);
  EXPECT_EQ(store().FindFolder(kInboxFolder)->MailCount(), 1);

  // Search results: only the copy goes.
  CMailDetail* found = store().FolderOrCreate(kSearchFolder)->AddCopy(*store().FindFolder(kInboxFolder)->mails[0]);
  (void)found;
  doc.SelectFolder(kSearchFolder, nullptr);
  list.SetSelection({0});
  EXPECT_FALSE(list.CanBeginDrag()) << "nothing is dragged out of the search folder";
  list.OnCommand(CMailList::ID_MAIL_DELETE);
  EXPECT_EQ(store().FindFolder(kInboxFolder)->MailCount(), 1);
  EXPECT_EQ(store().FindFolder(kSearchFolder)->MailCount(), 0);
}

// Two records with one Message-ID: deleting one deletes it alone.
TEST_F(MailListTest, SharedMessageIdDeletesOneMail) {
  Mail(kInboxFolder, "<same@x>", "first");
  Mail(kInboxFolder, "<same@x>", "second");
  doc.SelectFolder(kInboxFolder, nullptr);
  list.SetSelection({0});
  list.OnCommand(CMailList::ID_MAIL_DELETE);
  ASSERT_EQ(store().FindFolder(kInboxFolder)->MailCount(), 1);
  EXPECT_EQ(store().FindFolder(kInboxFolder)->mails[0]->from, "first");
}

// Priority toggles, is checked for the first selected mail, and marks
// read; several selected rows cause a full refresh.
TEST_F(MailListTest, PriorityAndMarkRead) {
  CMailDetail* a = Mail(kInboxFolder, "<a@x>");
  CMailDetail* b = Mail(kInboxFolder, "<b@x>");
  doc.SelectFolder(kInboxFolder, nullptr);
  list.SetSelection({0});
  list.OnCommand(CMailList::ID_PRIORITY_1 + 2);
  EXPECT_EQ(b->priority, 3);
  EXPECT_TRUE(list.IsChecked(CMailList::ID_PRIORITY_1 + 2));
  EXPECT_FALSE(list.IsChecked(CMailList::ID_PRIORITY_1));
  list.OnCommand(CMailList::ID_PRIORITY_1 + 2);
  EXPECT_EQ(b->priority, 0) << "the same priority again clears it";
  list.SetSelection({0, 1});
  const int before = ear.refreshes;
  list.OnCommand(CMailList::ID_PRIORITY_1 + 9);
  EXPECT_EQ(a->priority, 10);
  EXPECT_EQ(ear.refreshes, before + 1);
  list.OnCommand(CMailList::ID_MAIL_MARK_READ);
  EXPECT_EQ(a->state, CMailDetail::kRead);
  EXPECT_EQ(b->state, CMailDetail::kRead);
  EXPECT_EQ(list.DragText(), "<b@x>,<a@x>");
  list.SetSelection({});
  EXPECT_FALSE(list.IsEnabled(CMailList::ID_MAIL_DELETE));
}

// Up and Down move the selection, clamped, and show the mail; widths come
// from the profile and go back to it.
TEST_F(MailListTest, KeysAndWidths) {
  Mail(kInboxFolder, "<a@x>");
  Mail(kInboxFolder, "<b@x>");
  doc.SelectFolder(kInboxFolder, nullptr);
  list.SetSelection({0});
  list.OnKey(CMailList::Key::Up);
  EXPECT_EQ(list.selection(), std::vector<int>{0});
  list.OnKey(CMailList::Key::Down);
  list.OnKey(CMailList::Key::Down);
  EXPECT_EQ(list.selection(), std::vector<int>{1});
  EXPECT_EQ(ear.shown.size(), 3u);
  EXPECT_EQ(ear.shown.back(), list.rows()[1].mail);
  EXPECT_EQ(list.ColumnWidth(2), 320);
  list.SetColumnWidth(2, 250);
  list.SaveColumnWidths();
  CMailList again(app, doc, host);
  EXPECT_EQ(again.ColumnWidth(2), 250);
  EXPECT_EQ(again.ColumnWidth(0), 114);
}

}  // namespace
}  // namespace fennel
