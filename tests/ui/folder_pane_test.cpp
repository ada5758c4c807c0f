// The folder pane presenter, driven without a display.
#include "ui/mailbox/folder_pane.h"
#include "ui/dialogs/folder_dialog.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/messages.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/mailbox_rig.h"

namespace fennel {
namespace {

FolderValues Values(const std::string& name, int32_t condition = 0, int32_t thread = 0, const std::string& sortText = "",
                    const std::string& parent = "", bool applyNow = false) {
  FolderValues v;
  v.name = name;
  v.sortCondition = condition;
  v.threadView = thread;
  v.sortText = sortText;
  v.parent = parent;
  v.applyNow = applyNow;
  return v;
}

class FakePaneHost : public FolderPaneHost {
 public:
  std::optional<FolderValues> RunFolderProperties(const FolderValues& start, bool nameFixed) override {
    dialogs.push_back({start, nameFixed});
    if (answers.empty()) return std::nullopt;
    std::optional<FolderValues> a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void OpenProgress(const std::string& text, int range) override { progress.push_back({text, range}); }
  bool StepProgress() override {
    ++steps;
    return cancelAfter >= 0 && steps >= cancelAfter;
  }
  void CloseProgress() override { ++closes; }
  void SetTitle(const std::string& t) override { title = t; }

  struct Dialog {
    FolderValues start;
    bool nameFixed;
  };
  std::vector<Dialog> dialogs;
  std::vector<std::optional<FolderValues>> answers;  // nullopt: Cancel
  std::vector<std::pair<std::string, int>> progress;
  int steps = 0;
  int cancelAfter = -1;
  int closes = 0;
  std::string title;
};

// Remembers what the other panes heard.
class Ear : public MailboxListener {
 public:
  void OnFullRefresh() override { heard.push_back("refresh"); }
  void OnFolderSelected(const std::string& name) override { heard.push_back("folder " + name); }
  std::vector<std::string> heard;
};

class FolderPaneTest : public testing::Test, public test::MailboxRig {
 protected:
  FolderPaneTest() {
    doc.AddListener(&ear);
  }
  // A mail in a folder, unread unless told.
  CMailDetail* Mail(const std::string& folder, const std::string& id, int32_t state = CMailDetail::kUnread) {
    auto m = std::make_unique<CMailDetail>();
    m->messageId = id;
    m->subject = "件名 " + id;
    m->filePath = JoinPath(app.user().mailDir, "RCV" + id + ".tmp");
    m->state = state;
    return store().FolderOrCreate(folder)->AddMail(std::move(m));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const FolderRow& r : pane.rows()) n.push_back(r.name);
    return n;
  }

  FakePaneHost host;
  Ear ear;
  CFolderPane pane{app, doc, host};
};

// Special folders first in their fixed order, then the others in store
// order; children only under an expanded parent, shown collapsed.
TEST_F(FolderPaneTest, RefillOrder) {
  store().AddFolder("仕事");
  store().AddFolder("検索フォルダ");
  store().AddFolder("趣味");
  store().AddFolder("会議", 0, 0, "", "仕事");
  store().AddFolder("受信フォルダ");
  store().AddFolder("古い", 0, 0, "", "趣味");
  store().AddFolder("孫", 0, 0, "", "会議");
  store().FindFolder("会議")->expanded = 1;
  pane.Refill();
  EXPECT_EQ(Names(), (std::vector<std::string>{"受信フォルダ", "検索フォルダ", "仕事", "趣味"}));
  store().FindFolder("仕事")->expanded = 1;
  pane.Refill();
  EXPECT_EQ(Names(), (std::vector<std::string>{"受信フォルダ", "検索フォルダ", "仕事", "会議", "趣味"}));
  EXPECT_EQ(store().FindFolder("会議")->expanded, 0) << "a child is shown collapsed: its children never show";
  EXPECT_TRUE(pane.rows()[3].isChild());
  struct Row {
    const char* name;
    int image;
  };
  const std::vector<std::string> names = Names();
  for (const Row& r : std::vector<Row>{{"受信フォルダ", 16}, {"検索フォルダ", 4}, {"仕事", 2}, {"会議", 2}, {"趣味", 2}})
    EXPECT_EQ(pane.rows()[static_cast<size_t>(std::find(names.begin(), names.end(), r.name) - names.begin())].image,
              r.image)
        << r.name;
  EXPECT_TRUE(ear.heard.empty()) << "nothing selected, nothing announced";
}

TEST_F(FolderPaneTest, ImagesOfEveryKind) {
  const struct {
    const char* name;
    int plain;
  } kinds[] = {{"検索フォルダ", 4}, {"送信フォルダ", 8}, {"未送信フォルダ", 12}, {"受信フォルダ", 16}, {"テンプレート", 20}, {"私", 0}};
  for (const auto& k : kinds) {
    EXPECT_EQ(CFolderPane::ImageIndex(k.name, false, false), k.plain) << k.name;
    EXPECT_EQ(CFolderPane::ImageIndex(k.name, true, true), k.plain + 3) << k.name;
  }
}

// Counts, the red mark and the title; the unsent folder never has unread
// mail; children's unread mail reddens the parent.
TEST_F(FolderPaneTest, CountsAndTitle) {
  Mail(kInboxFolder, "a");
  Mail(kInboxFolder, "b", CMailDetail::kRead);
  Mail(kInboxFolder, "c", CMailDetail::kDeleted);
  Mail(kUnsentFolder, "d", CMailDetail::kComposed);
  Mail(kUnsentFolder, "e", CMailDetail::kUnread);
  store().AddFolder("親");
  store().AddFolder("子", 0, 0, "", "親");
  Mail("子", "f");
  pane.Refill();
  ASSERT_EQ(Names(), (std::vector<std::string>{"受信フォルダ", "未送信フォルダ", "親"}));
  EXPECT_EQ(pane.rows()[0].mailCount, 2);
  EXPECT_EQ(pane.rows()[0].unread, 1);
  EXPECT_EQ(pane.rows()[1].mailCount, 1);
  EXPECT_EQ(pane.rows()[1].unread, 0);
  EXPECT_FALSE(pane.rows()[1].red());
  EXPECT_EQ(pane.rows()[2].childrenUnread, 1);
  EXPECT_TRUE(pane.rows()[2].red());

  pane.Click(0, 1);
  EXPECT_EQ(host.title, "受信フォルダ          2通のメール(1通の未読メールがあります。)");
  EXPECT_EQ(ear.heard, std::vector<std::string>{"folder 受信フォルダ"});
  pane.Click(1, 1);
  EXPECT_EQ(host.title, "未送信フォルダ          1通のメール") << "no parenthesis without unread mail";
  EXPECT_TRUE(pane.rows()[1].selected());
  EXPECT_FALSE(pane.rows()[0].selected());
}

// The icon of a parent opens and closes it; its name only selects it.
TEST_F(FolderPaneTest, ClickExpandsOnTheIconOnly) {
  store().AddFolder("親");
  store().AddFolder("子", 0, 0, "", "親");
  pane.Refill();
  pane.Click(0, 1);
  EXPECT_EQ(Names(), std::vector<std::string>{"親"});
  ear.heard.clear();
  pane.Click(0, 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"親", "子"}));
  EXPECT_EQ(ear.heard, (std::vector<std::string>{"folder 親", "refresh"}))
      << "the refill announces the selection again; the others refresh";
  pane.Click(0, 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"親"});
  pane.Click(-1, 0);
  EXPECT_EQ(pane.selected(), -1);
}

// Keys: Up and Down move and announce, clamped; Return opens the
// properties; Delete deletes a folder without children.
TEST_F(FolderPaneTest, Keys) {
  store().AddFolder("一");
  store().AddFolder("二");
  pane.Refill();
  pane.OnKey(CFolderPane::Key::Down);
  EXPECT_EQ(pane.selected(), 0) << "from no selection down to the first row";
  pane.OnKey(CFolderPane::Key::Up);
  EXPECT_EQ(pane.selected(), 0);
  pane.OnKey(CFolderPane::Key::Down);
  pane.OnKey(CFolderPane::Key::Down);
  EXPECT_EQ(pane.selected(), 1);
  EXPECT_EQ(ear.heard.back(), "folder 二");
  pane.OnKey(CFolderPane::Key::Return);
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].start.name, "二");
  prompter.answers = {MbAnswer::Ok};
  pane.OnKey(CFolderPane::Key::Delete);
  EXPECT_EQ(store().FindFolder("二"), nullptr);
}

TEST_F(FolderPaneTest, AddAndPropertiesRefuseTakenNames) {
  store().AddFolder("仕事");
  pane.Refill();
  host.answers = {Values("仕事"), Values("私用", 1, 1, "a,b", "", false)};
  pane.OnCommand(CFolderPane::ID_FOLDER_ADD);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kAddFolderFailed});
  pane.OnCommand(CFolderPane::ID_FOLDER_ADD);
  ASSERT_NE(store().FindFolder("私用"), nullptr);
  EXPECT_EQ(store().FindFolder("私用")->sortText, "a,b");
  EXPECT_EQ(Names(), (std::vector<std::string>{"仕事", "私用"}));
  EXPECT_EQ(host.dialogs[0].start, FolderValues{}) << "add opens empty";

  // Renaming onto a taken name changes nothing; the same name is fine.
  pane.Click(1, 1);
  prompter.shown.clear();
  host.answers = {Values("仕事", 2), Values("私用", 3, 0, "x", "", false)};
  pane.OnCommand(CFolderPane::ID_FOLDER_PROPERTIES);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kChangeFolderFailed});
  EXPECT_EQ(store().FindFolder("私用")->sortCondition, 1);
  pane.OnCommand(CFolderPane::ID_FOLDER_PROPERTIES);
  EXPECT_EQ(store().FindFolder("私用")->sortCondition, 3);
  EXPECT_FALSE(host.dialogs[1].nameFixed);

  // Special folders and parents keep their names.
  store().AddFolder("子", 0, 0, "", "仕事");
  store().FolderOrCreate(kInboxFolder);
  pane.Refill();
  pane.Click(0, 1);  // 受信フォルダ
  pane.OnCommand(CFolderPane::ID_FOLDER_PROPERTIES);
  EXPECT_TRUE(host.dialogs.back().nameFixed);
  pane.Click(1, 1);  // 仕事
  EXPECT_FALSE(pane.IsEnabled(CFolderPane::ID_FOLDER_DELETE)) << "a folder with children is not deleted";
  pane.OnCommand(CFolderPane::ID_FOLDER_PROPERTIES);
  EXPECT_TRUE(host.dialogs.back().nameFixed);
}

// Delete asks with the count, keeps the message files, and the selection
// stays by index.
TEST_F(FolderPaneTest, DeleteFolderKeepsTheFiles) {
  store().AddFolder("一");
  store().AddFolder("二");
  CMailDetail* m = Mail("一", "a");
  test::WriteFile(m->filePath, "Subject: a\r\n\r\nbody\r\n");
  const std::string file = m->filePath;
  pane.Refill();
  pane.Click(0, 1);
  prompter.answers = {MbAnswer::Cancel};
  pane.OnCommand(CFolderPane::ID_FOLDER_DELETE);
  EXPECT_EQ(prompter.Texts().back(),
            "メールボックス：一　を削除してもいいですか？1　通のメールがあります。それらも削除されます。");
  EXPECT_NE(store().FindFolder("一"), nullptr);
  pane.OnCommand(CFolderPane::ID_FOLDER_DELETE);
  EXPECT_EQ(store().FindFolder("一"), nullptr);
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(Names(), std::vector<std::string>{"二"});
  EXPECT_EQ(pane.selected(), 0) << "the folder that moved into the index is selected";
  pane.OnCommand(CFolderPane::ID_FOLDER_DELETE);
  EXPECT_TRUE(pane.rows().empty());
  EXPECT_EQ(pane.selected(), -1);
}

// Drops: not onto the unsent, template and search folders; a mail moves
// (copy in the target, original marked deleted); a vanished mail is passed
// over; Message-IDs shared by two records move only the ones named.
TEST_F(FolderPaneTest, DropMovesMails) {
  store().FolderOrCreate(kUnsentFolder);
  store().FolderOrCreate(kSearchFolder);
  store().AddFolder("保存");
  CMailDetail* a = Mail(kInboxFolder, "a");
  CMailDetail* b = Mail(kInboxFolder, "b");
  pane.Refill();
  ASSERT_EQ(Names(), (std::vector<std::string>{"受信フォルダ", "未送信フォルダ", "検索フォルダ", "保存"}));
  EXPECT_TRUE(pane.CanDropOnRow(0));
  EXPECT_FALSE(pane.CanDropOnRow(1));
  EXPECT_FALSE(pane.CanDropOnRow(2));
  EXPECT_TRUE(pane.CanDropOnRow(3));
  EXPECT_FALSE(pane.CanDropOnRow(9));
  const MailHandle ha = MailHandle::Of(*a, store()), hb = MailHandle::Of(*b, store());
  EXPECT_EQ(pane.DropMails({ha}, 1), 0);
  store().FindFolder(kInboxFolder)->DeleteMail(b, nullptr, true);  // b goes meanwhile
  EXPECT_EQ(pane.DropMails({ha, hb}, 3), 1);
  EXPECT_EQ(store().FindFolder("保存")->MailCount(), 1);
  EXPECT_EQ(store().FindFolder(kInboxFolder)->MailCount(), 0);
  EXPECT_EQ(ear.heard.back(), "refresh");
  EXPECT_EQ(pane.DropMessageIds("a,nosuch", 0), 1) << "by Message-ID: back to the inbox";
  EXPECT_EQ(store().FindFolder(kInboxFolder)->MailCount(), 1);
}

// The search run: refused while a transfer runs; otherwise the automatic
// check stops, a counting pass gives the range, the real pass fills the
// folder, the progress window's cancel ends it early.
TEST_F(FolderPaneTest, SearchRun) {
  for (int i = 0; i < 5; ++i) Mail(kInboxFolder, "m" + std::to_string(i));
  store().AddFolder("他");
  Mail("他", "x");
  app.user().checkInterval = 5;
  ManualClock clock;
  ManualEventLoop loop(clock);
  struct Frame : TimerTarget {
    void OnTimer(unsigned) override {}
  } frame;
  loop.SetTimer(&frame, TIMER_AUTOCHECK, 300000);
  CFolderPane withTimer(app, doc, host, &loop, &frame);
  withTimer.Refill();

  app.transferIdle = false;
  host.answers = {Values(kSearchFolder, 1, 0, "件名", "", false)};
  withTimer.OnCommand(CFolderPane::ID_SEARCH);
  EXPECT_FALSE(withTimer.IsEnabled(CFolderPane::ID_SEARCH));
  EXPECT_TRUE(host.dialogs.empty()) << "disabled while a transfer runs";
  app.transferIdle = true;
  withTimer.OnCommand(CFolderPane::ID_SEARCH);
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0].start.name, kSearchFolder);
  ASSERT_EQ(host.progress.size(), 1u);
  EXPECT_EQ(host.progress[0], std::make_pair(std::string(kSearchProgress), 6));
  EXPECT_EQ(store().FindFolder(kSearchFolder)->MailCount(), 6);
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{kSearchStart, kSearchEnd}));
  EXPECT_EQ(loop.TimerPeriod(&frame, TIMER_AUTOCHECK), 300000) << "the automatic check runs again";

  // Cancelled after the first mail: the next folder is not searched.
  host.cancelAfter = host.steps + 1;
  host.answers = {Values(kSearchFolder, 1, 0, "件名", "", false)};
  withTimer.OnCommand(CFolderPane::ID_SEARCH);
  EXPECT_EQ(store().FindFolder(kSearchFolder)->MailCount(), 5) << "the inbox, not the folder after it";
  EXPECT_EQ(host.closes, 2);

  // Busy when the run starts (set by the properties of the search folder).
  app.transferIdle = false;
  prompter.shown.clear();
  const std::vector<std::string> names = Names();
  withTimer.Click(static_cast<int>(std::find(names.begin(), names.end(), kSearchFolder) - names.begin()), 1);
  host.answers = {Values(kSearchFolder, 1, 0, "件名", "", false)};
  withTimer.OnCommand(CFolderPane::ID_FOLDER_PROPERTIES);
  EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kSearchBusy});
}

// The folder properties dialog: parents two levels deep, the fields the
// special folders and parents keep, and the checks of OK.
TEST_F(FolderPaneTest, FolderDialogRules) {
  store().AddFolder(kInboxFolder);
  store().AddFolder(kUnsentFolder);
  store().AddFolder("仕事");
  store().AddFolder("会議", 0, 0, "", "仕事");
  store().AddFolder(kSearchFolder);
  CFolderDialog fresh(store(), FolderValues{});
  EXPECT_EQ(fresh.parentChoices(), (std::vector<std::string>{"", kInboxFolder, "仕事"}));
  EXPECT_TRUE(fresh.nameEnabled());
  EXPECT_TRUE(fresh.applyNowEnabled());
  EXPECT_EQ(fresh.OnOK(prompter), CFolderDialog::Result::StayOpen);
  EXPECT_EQ(prompter.Texts().back(), kFolderNameRequired);

  CFolderDialog parent(store(), Values("仕事"));
  EXPECT_FALSE(parent.nameEnabled()) << "a folder with children keeps its name and place";
  EXPECT_EQ(parent.parentChoices(), (std::vector<std::string>{"", kInboxFolder})) << "never under itself";

  const struct {
    const char* name;
    bool applyNow, sortText;
  } specials[] = {{kInboxFolder, false, false}, {kSentFolder, true, true}, {kUnsentFolder, false, false},
                  {kTemplateFolder, false, false}, {kSearchFolder, false, true}};
  for (const auto& sp : specials) {
    CFolderDialog d(store(), Values(sp.name));
    EXPECT_FALSE(d.nameEnabled()) << sp.name;
    EXPECT_EQ(d.applyNowEnabled(), sp.applyNow) << sp.name;
    EXPECT_EQ(d.sortTextEnabled(), sp.sortText) << sp.name;
  }
  CFolderDialog inbox(store(), Values(kInboxFolder, 0, 0, "x"));
  EXPECT_EQ(inbox.OnOK(prompter), CFolderDialog::Result::StayOpen);
  EXPECT_EQ(prompter.Texts().back(), std::string(kInboxFolder) + kNoRuleHere);
  CFolderDialog ok(store(), Values("新しい", 3, 1, "a", "仕事", true));
  EXPECT_EQ(ok.OnOK(prompter), CFolderDialog::Result::Ok);
}

}  // namespace
}  // namespace fennel
