// Sorting rules, applying a rule to the inbox, and the search folder.
#include "store/sorting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::TempDir;
using test::WriteFile;

struct MailFields {
  const char* id;
  const char* from;
  const char* subject = "";
  const char* to = "";
  const char* body = "";
  const char* path = "/m/SNDaaaaa.tmp";
  int32_t state = CMailDetail::kRead;
};

CMailDetail* Add(CFolderDetail* f, const MailFields& s) {
  auto m = std::make_unique<CMailDetail>();
  m->messageId = s.id;
  m->from = s.from;
  m->subject = s.subject;
  m->to = s.to;
  m->bodyText = s.body;
  m->filePath = s.path;
  m->state = s.state;
  return f->AddMail(std::move(m));
}

std::vector<std::string> Ids(const CFolderDetail& f) {
  std::vector<std::string> out;
  for (const auto& m : f.mails) out.push_back(m->messageId);
  return out;
}

TEST(SortingTest, SplitKeywords) {
  using V = std::vector<std::string>;
  struct Case {
    const char* text;
    V keywords;
  };
  const Case cases[] = {
      {"", V{}},           {"a", V{"a"}},           {"a,,b", V{"a", "", "b"}},
      {"a,", V{"a", ""}},  {",", V{"", ""}},        {"山田,会議", V{"山田", "会議"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitKeywords(c.text), c.keywords) << c.text;
}

TEST(SortingTest, SortMailTakesTheFirstFolderWhoseRuleMatches) {
  CListInfo store;
  store.AddFolder("受信フォルダ");
  store.AddFolder("検索フォルダ", CFolderDetail::kByFrom, 0, "山田");
  store.AddFolder("削除中", CFolderDetail::kByFrom, 0, "山田")->state = CFolderDetail::kBeingDeleted;
  store.AddFolder("山田さん", CFolderDetail::kByFrom, 0, "山田,yamada");
  store.AddFolder("会議", CFolderDetail::kBySubject, 0, "会議");
  store.AddFolder("チーム", CFolderDetail::kByTo, 0, "team@");
  store.AddFolder("請求", CFolderDetail::kByBody, 0, "請求");
  struct Case {
    MailFields mail;
    const char* folder;  // nullptr: no rule takes it
  };
  const Case cases[] = {
      {{"<1>", "山田 <y@example.jp>"}, "山田さん"},
      {{"<2>", "yamada@example.jp", "会議の件"}, "山田さん"},  // first folder wins
      {{"<3>", "YAMADA@example.jp"}, nullptr},               // case matters
      {{"<4>", "s@example.jp", "定例会議"}, "会議"},
      {{"<5>", "s@example.jp", "", "team@example.jp"}, "チーム"},
      {{"<6>", "s@example.jp", "", "", "請求書を送ります"}, "請求"},
      {{"<7>", "s@example.jp", "", "", "", "/m/SNDaaaaa.tmp"}, nullptr},
  };
  for (const Case& c : cases) {
    CMailDetail m;
    m.from = c.mail.from;
    m.subject = c.mail.subject;
    m.to = c.mail.to;
    m.bodyText = c.mail.body;
    m.filePath = c.mail.path;
    CFolderDetail* f = SortMail(store, m);
    EXPECT_EQ(f ? f->name : "(none)", c.folder ? c.folder : "(none)") << c.mail.id;
  }
}

TEST(SortingTest, ConditionOutsideTheRangeEndsTheSort) {
  CListInfo store;
  store.AddFolder("先", CFolderDetail::kByFrom, 0, "first");
  store.AddFolder("空", 9, 0, "");  // no rule: passed over
  store.AddFolder("壊れ", 4, 0, "zzz");
  store.AddFolder("後", CFolderDetail::kBySubject, 0, "later");
  store.AddFolder("全部", CFolderDetail::kBySubject, 0, "nothing,");
  CMailDetail m;
  m.from = "first@example.jp";
  EXPECT_EQ(SortMail(store, m), store.folders[0].get());
  m.from = "x@example.jp";
  m.subject = "later";
  EXPECT_EQ(SortMail(store, m), nullptr);
  store.folders[2]->sortCondition = -1;
  EXPECT_EQ(SortMail(store, m), nullptr);
  store.folders[2]->sortCondition = CFolderDetail::kByTo;
  EXPECT_EQ(SortMail(store, m), store.folders[3].get());
  // An empty keyword matches every mail.
  m.subject = "other";
  EXPECT_EQ(SortMail(store, m), store.folders[4].get());
}

// The body of a received mail is decoded from its file; the record's body
// text is not looked at.
TEST(SortingTest, BodyRuleOnAReceivedMailReadsTheFile) {
  TempDir dir;
  const std::string path = dir / "RCVbody1.tmp";
  WriteFile(path,
            "From: a@example.jp\r\nSubject: test\r\nMIME-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
            "\x1b$BF|K\\8lK\\J8$G$9\x1b(B\r\n");
  CListInfo store;
  store.AddFolder("本文", CFolderDetail::kByBody, 0, "本文です");
  CMailDetail received;
  received.filePath = path;
  received.bodyText = "記録の文";
  EXPECT_EQ(SortMail(store, received), store.folders[0].get());
  store.folders[0]->sortText = "記録";
  EXPECT_EQ(SortMail(store, received), nullptr);
  // Written here: the record's text counts, the file is not read.
  CMailDetail written;
  written.filePath = dir / "SNDbody1.tmp";
  written.bodyText = "記録の文";
  EXPECT_EQ(SortMail(store, written), store.folders[0].get());
}

TEST(SortingTest, ApplyRuleMovesMatchingInboxMailsOnly) {
  CListInfo store;
  CFolderDetail* inbox = store.AddFolder("受信フォルダ");
  CFolderDetail* sent = store.AddFolder("送信フォルダ");
  CFolderDetail* work = store.AddFolder("仕事", CFolderDetail::kBySubject, 0, "会議");
  Add(inbox, {"<1>", "a", "会議の件", "", "", "/m/RCVaaaaa.tmp", CMailDetail::kUnread});
  Add(inbox, {"<2>", "b", "雑談"});
  Add(inbox, {"<3>", "c", "会議室"});
  Add(sent, {"<4>", "d", "会議"});
  EXPECT_EQ(ApplyRule(store, *work), 2);
  EXPECT_EQ(Ids(*work), (std::vector<std::string>{"<1>", "<3>"}));
  EXPECT_EQ(work->mails[0]->state, CMailDetail::kUnread);
  EXPECT_EQ(work->mails[0]->filePath, "/m/RCVaaaaa.tmp");
  EXPECT_EQ(inbox->mails[0]->state, CMailDetail::kDeleted);
  EXPECT_EQ(inbox->mails[1]->state, CMailDetail::kRead);
  EXPECT_EQ(inbox->mails[2]->state, CMailDetail::kDeleted);
  EXPECT_EQ(sent->mails[0]->state, CMailDetail::kRead);
  EXPECT_EQ(store.FindMailById("<1>"), work->mails[0].get());
  // Applied again before a purge: nothing is copied twice.
  EXPECT_EQ(ApplyRule(store, *work), 0);
  EXPECT_EQ(work->mails.size(), 2u);
}

TEST(SortingTest, ApplyRuleToTheInboxDoesNothing) {
  CListInfo store;
  CFolderDetail* inbox = store.AddFolder("受信フォルダ", CFolderDetail::kBySubject, 0, "会議");
  Add(inbox, {"<1>", "a", "会議の件"});
  // A second folder of the same name, as restoring a folder file leaves.
  CFolderDetail* twin = store.AddFolder("受信フォルダ", CFolderDetail::kBySubject, 0, "会議");
  Add(twin, {"<2>", "b", "会議室"});
  EXPECT_EQ(ApplyRule(store, *inbox), 0);
  EXPECT_EQ(ApplyRule(store, *twin), 0);
  EXPECT_EQ(Ids(*inbox), std::vector<std::string>{"<1>"});
  EXPECT_EQ(Ids(*twin), std::vector<std::string>{"<2>"});
  EXPECT_EQ(inbox->mails[0]->state, CMailDetail::kRead);
  EXPECT_EQ(twin->mails[0]->state, CMailDetail::kRead);
}

class CountingProgress : public SearchProgress {
 public:
  void Step() override {
    ++steps;
    if (cancelAfterSteps > 0 && steps >= cancelAfterSteps) cancel = true;
  }
  bool Cancelled() override {
    ++asked;
    return cancel;
  }
  int steps = 0;
  int asked = 0;
  int cancelAfterSteps = 0;
  bool cancel = false;
};

class SearchTest : public ::testing::Test {
 protected:
  SearchTest() {
    inbox_ = store_.AddFolder("受信フォルダ");
    search_ = store_.AddFolder("検索フォルダ", CFolderDetail::kByFrom, 0, "山田,yamada");
    sent_ = store_.AddFolder("送信フォルダ");
    work_ = store_.AddFolder("仕事");
    Add(inbox_, {"<1>", "山田 <yamada@example.jp>"});  // both keywords
    Add(inbox_, {"<2>", "佐藤 <sato@example.jp>", "", "", "", "/m/RCVbbbbb.tmp", CMailDetail::kDeleted});
    Add(sent_, {"<3>", "yamada2@example.jp"});
    Add(work_, {"<4>", "佐藤"});
    Add(work_, {"<5>", "山田花子"});
    // What the last search left.
    WriteFile(dir_ / "RCVold00.tmp", "x");
    Add(search_, {"<old>", "山田", "", "", "", (dir_ / "RCVold00.tmp").c_str()});
  }

  TempDir dir_;
  CListInfo store_;
  CFolderDetail *inbox_, *search_, *sent_, *work_;
};

TEST_F(SearchTest, CopiesEachMatchOnceAndCountsEveryMail) {
  CountingProgress progress;
  EXPECT_EQ(Search(store_, *search_, &progress), 5);
  EXPECT_EQ(Ids(*search_), (std::vector<std::string>{"<1>", "<3>", "<5>"}));
  EXPECT_EQ(progress.steps, 5);
  EXPECT_TRUE(FileExists(dir_ / "RCVold00.tmp"));
  EXPECT_EQ(inbox_->mails.size(), 2u);
  EXPECT_EQ(store_.FindMailById("<old>"), nullptr);
}

TEST_F(SearchTest, EmptyCriteriaFindNothingButStillCount) {
  search_->sortText.clear();
  EXPECT_EQ(Search(store_, *search_), 5);
  EXPECT_TRUE(search_->mails.empty());
  EXPECT_TRUE(FileExists(dir_ / "RCVold00.tmp"));
}

TEST_F(SearchTest, CancelStopsAtTheNextFolderAndKeepsTheCopies) {
  CountingProgress progress;
  progress.cancelAfterSteps = 1;  // asked for during the inbox
  EXPECT_EQ(Search(store_, *search_, &progress), 2);
  EXPECT_EQ(progress.steps, 2);
  EXPECT_EQ(Ids(*search_), std::vector<std::string>{"<1>"});

  CountingProgress atOnce;
  atOnce.cancel = true;
  EXPECT_EQ(Search(store_, *search_, &atOnce), 0);
  EXPECT_EQ(atOnce.steps, 0);
  EXPECT_TRUE(search_->mails.empty());
}

}  // namespace
}  // namespace fennel
