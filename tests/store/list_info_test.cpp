// The store across its folders: folder lookup and removal, mail lookup and
// its index, moves, replies, paths, and the address book.
#include "store/list_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/crand.h"
#include "platform/fs.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::WriteFile;

CMailDetail* Add(CFolderDetail* f, const std::string& id, int32_t state = CMailDetail::kRead,
                 const std::string& path = "") {
  auto m = std::make_unique<CMailDetail>();
  m->messageId = id;
  m->state = state;
  m->filePath = path.empty() ? "/nowhere/" + id : path;
  return f->AddMail(std::move(m));
}

std::vector<std::string> Names(const CListInfo& store) {
  std::vector<std::string> out;
  for (const auto& f : store.folders) out.push_back(f->name);
  return out;
}

TEST(StoreFolderTest, InboxAndOthersAreMadeOnDemandAndLookupSkipsDeletedFolders) {
  CListInfo store;
  EXPECT_TRUE(store.folders.empty());
  EXPECT_EQ(store.FindFolder("受信フォルダ"), nullptr);
  CFolderDetail* inbox = store.FolderOrCreate("受信フォルダ");
  ASSERT_NE(inbox, nullptr);
  EXPECT_EQ(inbox->name, "受信フォルダ");
  EXPECT_TRUE(inbox->sortText.empty());
  EXPECT_TRUE(inbox->parent.empty());
  EXPECT_EQ(store.FolderOrCreate("受信フォルダ"), inbox);
  EXPECT_EQ(store.folders.size(), 1u);

  CFolderDetail* first = store.AddFolder("仕事");
  CFolderDetail* second = store.AddFolder("仕事");
  EXPECT_EQ(store.FindFolder("仕事"), first);
  first->state = CFolderDetail::kBeingDeleted;
  EXPECT_EQ(store.FindFolder("仕事"), second);
  second->state = CFolderDetail::kBeingDeleted;
  EXPECT_EQ(store.FindFolder("仕事"), nullptr);
  // A folder being deleted does not count as there: a new one is made.
  CFolderDetail* third = store.FolderOrCreate("仕事");
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(store.FindFolder("しごと"), nullptr);
}

class StoreFilesTest : public ::testing::Test {
 protected:
  CMailDetail* AddWithFile(CFolderDetail* f, const std::string& name, int32_t state = CMailDetail::kRead) {
    WriteFile(dir_ / name, "x");
    return Add(f, "<" + name + ">", state, dir_ / name);
  }
  bool Exists(const std::string& name) const { return FileExists(dir_ / name); }

  TempDir dir_;
  CListInfo store_;
  ScriptedPrompter prompter_;
};

TEST_F(StoreFilesTest, DeleteFolderDeletesTheFilesOfItsMails) {
  CFolderDetail* work = store_.AddFolder("仕事");
  CFolderDetail* other = store_.AddFolder("私用");
  AddWithFile(work, "SNDaaaaa.tmp");
  AddWithFile(work, "SNDbbbbb.tmp", CMailDetail::kDeleted);
  AddWithFile(other, "SNDccccc.tmp");
  store_.DeleteFolder("仕事", &prompter_);
  EXPECT_EQ(Names(store_), std::vector<std::string>{"私用"});
  EXPECT_FALSE(Exists("SNDaaaaa.tmp"));
  EXPECT_TRUE(Exists("SNDbbbbb.tmp"));  // state 2: someone else's file now
  EXPECT_TRUE(Exists("SNDccccc.tmp"));
  EXPECT_EQ(store_.FindMailById("<SNDaaaaa.tmp>"), nullptr);
  EXPECT_NE(store_.FindMailById("<SNDccccc.tmp>"), nullptr);
  EXPECT_TRUE(prompter_.shown.empty());
}

// Also with a second folder of the same name, as restoring a folder file
// may leave behind: no message file is deleted.
TEST_F(StoreFilesTest, DeleteFolderKeepingFilesLeavesEveryFile) {
  CFolderDetail* work = store_.AddFolder("仕事");
  store_.AddFolder("私用");
  CFolderDetail* twin = store_.AddFolder("仕事");
  AddWithFile(work, "RCVaaaaa.tmp", CMailDetail::kUnread);
  AddWithFile(work, "RCVbbbbb.tmp");
  AddWithFile(twin, "RCVccccc.tmp");
  store_.DeleteFolderKeepingFiles("仕事", &prompter_);
  EXPECT_EQ(Names(store_), std::vector<std::string>{"私用"});
  EXPECT_TRUE(Exists("RCVaaaaa.tmp"));
  EXPECT_TRUE(Exists("RCVbbbbb.tmp"));
  EXPECT_TRUE(Exists("RCVccccc.tmp"));
  EXPECT_EQ(store_.FindMailById("<RCVaaaaa.tmp>"), nullptr);
  EXPECT_EQ(store_.FindMailById("<RCVccccc.tmp>"), nullptr);
}

TEST(StoreMailTest, FindMailByIdTakesTheFirstLiveOneInFolderThenListOrder) {
  CListInfo store;
  CFolderDetail* a = store.AddFolder("A");
  CFolderDetail* b = store.AddFolder("B");
  CFolderDetail* c = store.AddFolder("C");
  // Added to the later folder first: folder order decides, not age.
  CMailDetail* inC = Add(c, "<x>");
  CMailDetail* inB1 = Add(b, "<x>", CMailDetail::kDeleted);
  CMailDetail* inB2 = Add(b, "<x>", CMailDetail::kUnread);
  CMailDetail* inB3 = Add(b, "<x>");
  CMailDetail* inA = Add(a, "<x>");
  EXPECT_EQ(store.FindMailById("<x>"), inA);
  EXPECT_EQ(b->FindMailById("<x>"), inB2);
  a->state = CFolderDetail::kBeingDeleted;
  EXPECT_EQ(store.FindMailById("<x>"), inB2);
  inB2->state = CMailDetail::kDeleted;
  EXPECT_EQ(store.FindMailById("<x>"), inB3);
  EXPECT_EQ(b->FindMailById("<x>"), inB3);
  EXPECT_EQ(b->FindMailByPath("/nowhere/<x>"), inB1);  // by path: any state
  inB3->state = CMailDetail::kDeleted;
  EXPECT_EQ(store.FindMailById("<x>"), inC);
  EXPECT_FALSE(store.HasMessageId("<y>"));

  std::vector<std::string> ids;
  Add(c, "<z>");
  Add(a, "<in-deleted-folder>");
  store.CollectMessageIds(ids);
  EXPECT_EQ(ids, (std::vector<std::string>{"<x>", "<z>"}));
}

TEST(StoreMailTest, LiveRecordsByPathAndKeysThatChange) {
  CListInfo store;
  CFolderDetail* a = store.AddFolder("A");
  CFolderDetail* b = store.AddFolder("B");
  Add(a, "<g>", CMailDetail::kDeleted, "/mail/SNDaaaaa.tmp");
  CMailDetail* live = Add(b, "<l>", CMailDetail::kRead, "/mail/SNDaaaaa.tmp");
  EXPECT_EQ(store.FindLiveMailByPath("/mail/SNDaaaaa.tmp"), live);
  EXPECT_EQ(a->FindLiveMailByPath("/mail/SNDaaaaa.tmp"), nullptr) << "only a deleted one there";
  EXPECT_EQ(b->FindLiveMailByPath("/mail/SNDaaaaa.tmp"), live);
  // A record that gets a new file and a new Message-ID is found under them
  // (the index was built by the lookups above).
  store.SetFilePath(live, "/mail/SNDbbbbb.tmp");
  store.SetMessageId(live, "<new>");
  EXPECT_EQ(store.FindLiveMailByPath("/mail/SNDbbbbb.tmp"), live);
  EXPECT_EQ(b->FindLiveMailByPath("/mail/SNDaaaaa.tmp"), nullptr);
  EXPECT_EQ(store.FindMailById("<new>"), live);
  EXPECT_EQ(store.FindMailById("<l>"), nullptr);
  EXPECT_EQ(b->FindMailById("<new>"), live);
}

TEST(StoreMailTest, MoveMailCopiesAndMarksTheOriginal) {
  CListInfo store;
  CFolderDetail* inbox = store.AddFolder("受信フォルダ");
  CFolderDetail* work = store.AddFolder("仕事");
  CMailDetail* m = Add(inbox, "<m>", CMailDetail::kUnread, "/mail/RCVaaaaa.tmp");
  m->subject = "件名";
  m->receiptRequest = 1;
  CMailDetail* moved = store.MoveMail(m, work);
  ASSERT_NE(moved, nullptr);
  ASSERT_EQ(work->mails.size(), 1u);
  EXPECT_EQ(work->mails[0].get(), moved);
  EXPECT_EQ(moved->subject, "件名");
  EXPECT_EQ(moved->filePath, "/mail/RCVaaaaa.tmp");
  EXPECT_EQ(moved->state, CMailDetail::kUnread);
  EXPECT_EQ(moved->receiptRequest, 0);
  EXPECT_EQ(m->state, CMailDetail::kDeleted);
  EXPECT_EQ(inbox->mails.size(), 1u);
  EXPECT_EQ(store.FolderOf(moved), work);
  EXPECT_EQ(store.FindMailById("<m>"), moved);
  inbox->Purge();
  EXPECT_TRUE(inbox->mails.empty());
  EXPECT_EQ(store.FindMailById("<m>"), moved);
}

TEST(StoreMailTest, CollectRepliesSkipsUnsentAndTemplates) {
  CListInfo store;
  const char* folders[] = {"受信フォルダ", "未送信フォルダ", "テンプレート", "送信フォルダ"};
  for (const char* name : folders) {
    CMailDetail* m = Add(store.AddFolder(name), std::string("<re-") + name + ">");
    m->inReplyTo = "<root>";
  }
  std::vector<std::string> ids;
  for (CMailDetail* m : store.CollectReplies("<root>")) ids.push_back(m->messageId);
  EXPECT_EQ(ids, (std::vector<std::string>{"<re-受信フォルダ>", "<re-送信フォルダ>"}));
}

TEST(StoreMailTest, ReplaceInPathsRewritesFileAndAttachmentPaths) {
  CListInfo store;
  CFolderDetail* f = store.AddFolder("送信フォルダ");
  CMailDetail* m = Add(f, "<m>", CMailDetail::kRead, "/old/mail/SNDaaaaa.tmp");
  m->attachmentPaths = "/old/mail/a.pdf\r\n/old/mail/b.pdf\r\n";
  CMailDetail* other = Add(f, "<o>", CMailDetail::kRead, "/elsewhere/SNDbbbbb.tmp");
  EXPECT_EQ(f->FindMailByPath("/old/mail/SNDaaaaa.tmp"), m);  // indexed under the old path
  store.ReplaceInPaths("/old/mail", "/new/old/mail");
  EXPECT_EQ(m->filePath, "/new/old/mail/SNDaaaaa.tmp");
  EXPECT_EQ(m->attachmentPaths, "/new/old/mail/a.pdf\r\n/new/old/mail/b.pdf\r\n");
  EXPECT_EQ(other->filePath, "/elsewhere/SNDbbbbb.tmp");
  EXPECT_EQ(f->FindMailByPath("/new/old/mail/SNDaaaaa.tmp"), m);
  EXPECT_EQ(f->FindMailByPath("/old/mail/SNDaaaaa.tmp"), nullptr);
}

TEST(StoreFolderTest, TreeCounts) {
  CListInfo store;
  CFolderDetail* inbox = store.AddFolder("受信フォルダ");
  CFolderDetail* work = store.AddFolder("仕事", 0, 0, "", "受信フォルダ");
  CFolderDetail* club = store.AddFolder("部活", 0, 0, "", "受信フォルダ");
  CFolderDetail* deep = store.AddFolder("下", 0, 0, "", "仕事");
  store.AddFolder("送信フォルダ");
  Add(inbox, "<i>", CMailDetail::kUnread);
  Add(work, "<w1>", CMailDetail::kUnread);
  Add(work, "<w2>", CMailDetail::kUnread);
  Add(work, "<w3>", CMailDetail::kRead);
  Add(club, "<c1>", CMailDetail::kUnread);
  Add(deep, "<d1>", CMailDetail::kUnread);
  std::vector<std::string> top;
  store.TopLevelFolders(top);
  EXPECT_EQ(top, (std::vector<std::string>{"受信フォルダ", "送信フォルダ"}));
  EXPECT_EQ(store.CountChildren("受信フォルダ"), 2);
  EXPECT_EQ(store.CountChildren("仕事"), 1);
  EXPECT_EQ(store.CountChildren("送信フォルダ"), 0);
  EXPECT_EQ(store.ChildrenUnread("受信フォルダ"), 3);
  EXPECT_EQ(store.ChildrenUnread("仕事"), 1);
}

TEST(StoreAddressTest, LookupsCategoriesAndMembers) {
  CListInfo store;
  store.AddAddress("友人", "", "", "", CAddressDetail::kFolder, "");
  store.AddAddress("たろう", "taro@example.jp", "山田太郎", "", CAddressDetail::kMale, "友人");
  store.AddAddress("はなこ", "hanako@example.jp", "佐藤花子", "", CAddressDetail::kFemale, "仕事");
  store.AddAddress("じろう", "jiro@example.jp", "山田次郎", "", CAddressDetail::kMale, "友人");
  store.AddAddress("仕事", "", "", "", CAddressDetail::kFolder, "");
  ASSERT_NE(store.FindByNickname("はなこ"), nullptr);
  EXPECT_EQ(store.FindByNickname("はなこ")->mailAddress, "hanako@example.jp");
  EXPECT_EQ(store.FindByAddress("taro@example.jp")->nickname, "たろう");
  EXPECT_EQ(store.FindByAddress("Taro@example.jp"), nullptr);
  EXPECT_EQ(store.FindByAddress("taro@example.jp "), nullptr);
  EXPECT_EQ(store.FindByNickname("たろ"), nullptr);
  EXPECT_EQ(store.CountInCategory("友人"), 2);
  EXPECT_EQ(store.CountInCategory("家族"), 0);
  std::vector<std::string> folders;
  store.AddressFolders(folders);
  EXPECT_EQ(folders, (std::vector<std::string>{"友人", "仕事"}));
  EXPECT_EQ(store.Members("友人"), "たろう,じろう");
  EXPECT_EQ(store.Members("仕事"), "はなこ");
  EXPECT_EQ(store.Members("家族"), "");
}

// ---- The index kept in step with the folders

// What the lookups must answer, found by walking the lists.
CMailDetail* ScanById(const CListInfo& store, const std::string& id) {
  for (const auto& f : store.folders) {
    if (f->state == CFolderDetail::kBeingDeleted) continue;
    for (const auto& m : f->mails)
      if (m->messageId == id && m->state != CMailDetail::kDeleted) return m.get();
  }
  return nullptr;
}
CMailDetail* ScanInFolderById(const CFolderDetail& f, const std::string& id) {
  for (const auto& m : f.mails)
    if (m->messageId == id && m->state != CMailDetail::kDeleted) return m.get();
  return nullptr;
}
CMailDetail* ScanInFolderByPath(const CFolderDetail& f, const std::string& path) {
  for (const auto& m : f.mails)
    if (m->filePath == path) return m.get();
  return nullptr;
}

class IndexWalk {
 public:
  explicit IndexWalk(uint32_t seed) : rng_(seed) {}

  int Pick(int n) { return n <= 0 ? 0 : rng_.Next() % n; }
  std::string Id() { return "<id" + std::to_string(Pick(6)) + ">"; }
  std::string Path() { return root_ + "/d" + std::to_string(Pick(2)) + "/RCVm" + std::to_string(Pick(5)) + ".tmp"; }
  CFolderDetail* Folder(CListInfo& s) {
    return s.folders.empty() ? nullptr : s.folders[Pick(static_cast<int>(s.folders.size()))].get();
  }
  CMailDetail* Mail(CListInfo& s) {
    CFolderDetail* f = Folder(s);
    if (!f || f->mails.empty()) return nullptr;
    return f->mails[Pick(static_cast<int>(f->mails.size()))].get();
  }

  // One operation; returns its name for the failure message.
  std::string Step(std::unique_ptr<CListInfo>& store) {
    CListInfo& s = *store;
    switch (Pick(12)) {
      case 0:
      case 1:
      case 2:
        if (CFolderDetail* f = Folder(s)) {
          auto m = std::make_unique<CMailDetail>();
          m->messageId = Id();
          m->filePath = Path();
          m->state = Pick(4);
          f->AddMail(std::move(m));
        }
        return "AddMail";
      case 3:
        if (CMailDetail* m = Mail(s)) {
          std::unique_ptr<CMailDetail> taken = s.FolderOf(m)->TakeMail(m);
          if (Pick(2) == 0) Folder(s)->AddMail(std::move(taken));  // put back somewhere
        }
        return "TakeMail";
      case 4:
        if (CFolderDetail* f = Folder(s)) {
          const char* selectors[] = {"ALL", "KENSAKU_ALL", "AFTER_ALL"};
          f->DeleteMails(Pick(4) == 0 ? std::string(selectors[Pick(3)]) : Id(), nullptr);
        }
        return "DeleteMails";
      case 5:
        if (CMailDetail* m = Mail(s)) s.FolderOf(m)->DeleteMail(m, nullptr);
        return "DeleteMail";
      case 6:
        if (CFolderDetail* f = Folder(s)) f->Purge();
        return "Purge";
      case 7:
        if (CMailDetail* m = Mail(s)) s.MoveMail(m, Folder(s));
        return "MoveMail";
      case 8:
        if (Pick(2) == 0) s.ReplaceInPaths("/d0/", "/d1/"); else s.ReplaceInPaths("/d1/", "/d0/");
        return "ReplaceInPaths";
      case 9:
        if (CMailDetail* m = Mail(s)) m->state = Pick(4);
        return "state change";
      case 10:
        if (Pick(3) == 0) {
          const char* names[] = {"受信フォルダ", "未送信フォルダ", "仕事"};
          s.AddFolder(names[Pick(3)]);
        } else if (CFolderDetail* f = Folder(s)) {
          f->state = f->state == 0 ? CFolderDetail::kBeingDeleted : 0;
        }
        return "folder";
      default: {
        StringSink sink;
        {
          CArchive out(sink);
          s.Serialize(out);
          out.Flush();
        }
        auto loaded = std::make_unique<CListInfo>();
        StringSource src(sink.bytes);
        CArchive in(src);
        loaded->Serialize(in);
        store = std::move(loaded);
        return "reload";
      }
    }
  }

  void Check(const CListInfo& s, const std::string& what) {
    for (int i = 0; i < 6; ++i) {
      const std::string id = "<id" + std::to_string(i) + ">";
      ASSERT_EQ(s.FindMailById(id), ScanById(s, id)) << what << " " << id;
      for (const auto& f : s.folders) ASSERT_EQ(f->FindMailById(id), ScanInFolderById(*f, id)) << what << " " << id;
    }
    for (int d = 0; d < 2; ++d)
      for (int i = 0; i < 5; ++i) {
        const std::string path = root_ + "/d" + std::to_string(d) + "/RCVm" + std::to_string(i) + ".tmp";
        for (const auto& f : s.folders)
          ASSERT_EQ(f->FindMailByPath(path), ScanInFolderByPath(*f, path)) << what << " " << path;
      }
    for (const auto& f : s.folders)
      for (const auto& m : f->mails) ASSERT_EQ(s.FolderOf(m.get()), f.get()) << what;
  }

  std::string root_ = "/nowhere";

 private:
  CRand rng_;
};

TEST(StoreIndexTest, LookupsAgreeWithAScanAfterEveryOperation) {
  for (uint32_t seed : {1u, 7u, 2024u}) {
    IndexWalk walk(seed);
    auto store = std::make_unique<CListInfo>();
    store->AddFolder("受信フォルダ");
    store->AddFolder("仕事");
    store->AddFolder("未送信フォルダ");
    for (int step = 0; step < 600; ++step) {
      const std::string what = walk.Step(store);
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step) + " " + what);
      walk.Check(*store, what);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace fennel
