// Deleting, purging and counting the mails of one folder, with the message
// files they name.
#include "store/folder_detail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "store/list_info.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::WriteFile;

// Five mails: two share "<a>", one is already deleted (state 2), one is
// being written (state 1).
struct Seed {
  const char* id;
  int32_t state;
};
constexpr Seed kSeeds[5] = {{"<a>", 3}, {"<b>", 0}, {"<a>", 0}, {"<c>", 2}, {"<d>", 1}};

class FolderOpsTest : public ::testing::Test {
 protected:
  CFolderDetail* Fill(const std::string& folderName) {
    CFolderDetail* f = store_.AddFolder(folderName);
    for (int i = 0; i < 5; ++i) {
      auto m = std::make_unique<CMailDetail>();
      m->messageId = kSeeds[i].id;
      m->state = kSeeds[i].state;
      m->filePath = PathOf(i);
      WriteFile(m->filePath, "message " + std::to_string(i));
      mails_[i] = f->AddMail(std::move(m));
    }
    return f;
  }
  std::string PathOf(int i) const { return dir_ / ("SND0000" + std::to_string(i) + ".tmp"); }
  // "1" for each message file still there, "0" for each gone.
  std::string FilesLeft() const {
    std::string s;
    for (int i = 0; i < 5; ++i) s += FileExists(PathOf(i)) ? '1' : '0';
    return s;
  }
  // The records left, as "index:state".
  std::vector<std::string> Records(const CFolderDetail& f) const {
    std::vector<std::string> out;
    for (const auto& m : f.mails) {
      int index = -1;
      for (int i = 0; i < 5; ++i)
        if (mails_[i] == m.get()) index = i;
      out.push_back(std::to_string(index) + ":" + std::to_string(m->state));
    }
    return out;
  }

  TempDir dir_;
  CListInfo store_;
  CMailDetail* mails_[5] = {};
  ScriptedPrompter prompter_;
};

TEST_F(FolderOpsTest, SelectorsAndPurge) {
  struct Case {
    const char* folder;
    const char* op;  // a selector of DeleteMails, or "purge"
    std::vector<std::string> records;
    const char* files;
  };
  const std::vector<std::string> all = {"0:3", "1:0", "2:0", "3:2", "4:1"};
  const Case cases[] = {
      {"受信フォルダ", "<a>", {"1:0", "3:2", "4:1"}, "01011"},
      {"受信フォルダ", "<c>", {"0:3", "1:0", "2:0", "4:1"}, "11111"},  // state 2: file kept
      {"受信フォルダ", "<none>", all, "11111"},
      {"受信フォルダ", "ALL", {}, "00010"},
      {"未送信フォルダ", "ALL", {}, "00010"},
      {"受信フォルダ", "KENSAKU_ALL", {}, "11111"},
      {"受信フォルダ", "AFTER_ALL", {"0:2", "1:2", "2:2", "3:2", "4:2"}, "11111"},
      {"受信フォルダ", "purge", {"0:3", "1:0", "2:0", "4:1"}, "11111"},
      {"テンプレート", "purge", {"0:3", "1:0", "2:0", "4:1"}, "11111"},
      {"未送信フォルダ", "purge", {"0:3", "3:2", "4:1"}, "11111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " in folder #" + std::to_string(&c - cases));
    store_.Clear();
    CFolderDetail* f = Fill(c.folder);
    if (std::string(c.op) == "purge") f->Purge(); else f->DeleteMails(c.op, &prompter_);
    EXPECT_EQ(Records(*f), c.records);
    EXPECT_EQ(FilesLeft(), c.files);
    EXPECT_TRUE(prompter_.shown.empty());
    // The store's lookups follow the records that are left.
    for (const char* id : {"<a>", "<b>", "<d>"}) {
      const CMailDetail* expected = nullptr;
      for (const auto& m : f->mails)
        if (m->messageId == id && m->state != CMailDetail::kDeleted && !expected) expected = m.get();
      EXPECT_EQ(store_.FindMailById(id), expected) << id;
    }
  }
}

TEST_F(FolderOpsTest, CountsByFolderName) {
  struct Case {
    const char* folder;
    int mails;
    int unread;
  };
  // States 3, 0, 0, 2, 1.
  const Case cases[] = {
      {"受信フォルダ", 4, 1}, {"送信フォルダ", 4, 1}, {"未送信フォルダ", 1, 0}, {"テンプレート", 1, 0}};
  for (const Case& c : cases) {
    store_.Clear();
    CFolderDetail* f = Fill(c.folder);
    EXPECT_EQ(f->MailCount(), c.mails) << c.folder;
    EXPECT_EQ(f->UnreadCount(), c.unread) << c.folder;
  }
}

TEST_F(FolderOpsTest, DeleteMailActsOnThatRecordOnly) {
  CFolderDetail* f = Fill("受信フォルダ");
  f->DeleteMail(mails_[2], &prompter_);  // shares "<a>" with mail 0
  EXPECT_EQ(Records(*f), (std::vector<std::string>{"0:3", "1:0", "3:2", "4:1"}));
  EXPECT_EQ(FilesLeft(), "11011");
  EXPECT_EQ(store_.FindMailById("<a>"), mails_[0]);
  f->DeleteMail(mails_[3], &prompter_);  // state 2: its file stays
  f->DeleteMail(mails_[1], &prompter_, /*keepFile=*/true);
  EXPECT_EQ(Records(*f), (std::vector<std::string>{"0:3", "4:1"}));
  EXPECT_EQ(FilesLeft(), "11011");
  EXPECT_EQ(store_.FindMailById("<b>"), nullptr);
  EXPECT_TRUE(prompter_.shown.empty());
}

// A file that cannot be deleted is reported and its record goes all the
// same; a file already gone counts as deleted.
TEST_F(FolderOpsTest, UndeletableFileIsReported) {
  const std::string blocked = dir_ / "RCVblock.tmp";
  std::filesystem::create_directory(blocked);
  WriteFile(blocked + "/inside", "x");
  CFolderDetail* f = store_.AddFolder("受信フォルダ");
  for (const std::string& path : {blocked, dir_ / "RCVgone0.tmp"}) {
    for (int copy = 0; copy < 2; ++copy) {
      auto m = std::make_unique<CMailDetail>();
      m->messageId = copy == 0 ? "<x>" : "<y>";
      m->filePath = path;
      m->state = CMailDetail::kUnread;
      f->AddMail(std::move(m));
    }
  }
  const std::string report = "File " + blocked + "は削除されませんでした。";
  f->DeleteMails("<x>", &prompter_);
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{report});
  ASSERT_EQ(f->mails.size(), 2u);
  EXPECT_EQ(store_.FindMailById("<x>"), nullptr);

  prompter_.shown.clear();
  f->DeleteMail(f->mails[0].get(), &prompter_);
  EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{report});
  prompter_.shown.clear();
  f->DeleteMail(f->mails[0].get(), &prompter_);
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_TRUE(f->mails.empty());
  EXPECT_TRUE(DirExists(blocked));
}

TEST_F(FolderOpsTest, AddCopyAppendsAndRepliesFindReferences) {
  CFolderDetail* f = store_.AddFolder("受信フォルダ");
  struct Reply {
    const char* id;
    const char* inReplyTo;
    const char* references;
    int32_t state;
  };
  const Reply mails[] = {
      {"<root>", "", "", 3},
      {"<r1>", "<root>", "", 0},
      {"<r2>", "", "<x> <root>", 3},
      {"<r3>", "<root>", "<root>", 2},  // deleted: not a reply any more
      {"<r4>", "<other>", "<x>", 0},
  };
  for (const Reply& r : mails) {
    auto m = std::make_unique<CMailDetail>();
    m->messageId = r.id;
    m->inReplyTo = r.inReplyTo;
    m->references = r.references;
    m->state = r.state;
    m->priority = 2;
    f->AddMail(std::move(m));
  }
  std::vector<CMailDetail*> replies;
  f->Replies("<root>", replies);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0]->messageId, "<r1>");
  EXPECT_EQ(replies[1]->messageId, "<r2>");

  CMailDetail* copy = f->AddCopy(*f->mails[0]);
  ASSERT_EQ(f->mails.size(), 6u);
  EXPECT_EQ(f->mails.back().get(), copy);
  EXPECT_NE(copy, f->mails[0].get());
  EXPECT_EQ(copy->priority, 0);
  EXPECT_EQ(f->mails[0]->priority, 2);
  EXPECT_EQ(f->FindMailById("<root>"), f->mails[0].get());
}

}  // namespace
}  // namespace fennel
