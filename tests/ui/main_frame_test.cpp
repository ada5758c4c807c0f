#include "ui/mailbox/main_frame.h"
#include "ui/dialogs/server_list_dialog.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/messages.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class FakeShell : public Shell {
 public:
  bool Open(const std::string& target) override {
    opened.push_back(target);
    return true;
  }
  std::vector<std::string> opened;
};

class FakeFrameHost : public MainFrameHost {
 public:
  void RaiseMainWindow() override { ++raised; }
  void OpenComposeWindow() override { ++composed; }
  void ShowAbout() override { ++about; }
  void CloseMainWindow() override { ++closed; }
  int raised = 0, composed = 0, about = 0, closed = 0;
};

class MainFrameTest : public testing::Test {
 protected:
  MainFrameTest() : profile(JoinPath(env.profileDir(), "Fennel.ini")), app({profile, prompter, env.home()}),
                    frame(app, shell, host) {
    app.user().userId = "taro";
    app.user().logonDir = env.home();
  }
  test::TempEnvironment env;
  Profile profile;
  test::ScriptedPrompter prompter;
  CMailApp app;
  FakeShell shell;
  FakeFrameHost host;
  CMainFrame frame;
};

TEST_F(MainFrameTest, MenusCarryTheCommandsAndOnlyWorkingOnesAreEnabled) {
  std::vector<unsigned> ids;
  for (const Menu& m : CMainFrame::Menus())
    for (const MenuItem& i : m.items)
      if (i.id) ids.push_back(i.id);
  for (unsigned id : {ID_FILE_NEW_MAIL, ID_FILE_OPEN_MAILBOX, ID_SEND_UNSENT, ID_MAIL_SETTINGS, ID_MAIL_WIZARD, ID_SUPPORT_PAGE,
                      ID_ONLINE_HELP, ID_APP_ABOUT, ID_APP_EXIT})
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
  EXPECT_EQ(CMainFrame::Menus()[0].items[7].text, std::string("ﾒｰﾙの設定をする"));
  EXPECT_FALSE(frame.IsEnabled(ID_MAIL_SETTINGS));
  EXPECT_TRUE(frame.IsEnabled(ID_APP_EXIT));
  frame.OnCommand(ID_MAIL_SETTINGS);  // disabled: nothing happens
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MainFrameTest, OnlineHelpFallsBackToTheSupportPage) {
  prompter.answers = {MbAnswer::Cancel};
  frame.OnCommand(ID_ONLINE_HELP);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "ﾍﾙﾌﾟﾌｧｲﾙが見つかりません。ｻﾎﾟｰﾄﾎｰﾑﾍﾟｰｼﾞよりﾀﾞｳﾝﾛｰﾄﾞしてください。");
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Exclamation);
  EXPECT_TRUE(shell.opened.empty());

  frame.OnCommand(ID_ONLINE_HELP);  // OK: the support page instead
  EXPECT_EQ(shell.opened, std::vector<std::string>{kDefaultStartPage});

  MakeDirs(JoinPath(env.home(), "FennelHP"));
  test::WriteFile(JoinPath(env.home(), "FennelHP/index.htm"), "<html></html>");
  frame.OnCommand(ID_ONLINE_HELP);
  EXPECT_EQ(shell.opened.back(), env.home() + "/FennelHP/index.htm");
  EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(MainFrameTest, OpenParameterRaisesTheWindow) {
  AppProfile(profile).SetCommandLineParameter("/tmp/x.eml");
  frame.SendMessage(WM_OPEN_PARAMETER, 0, 0);
  EXPECT_EQ(host.raised, 1);
  EXPECT_EQ(app.commandLineParameter, "/tmp/x.eml");
}

TEST_F(MainFrameTest, LayoutAndPopAuthPersistPerUser) {
  AppProfile(profile).SetPopAuth("taro", true);
  FrameLayout l = frame.OnCreate();
  EXPECT_TRUE(app.popAuth);
  EXPECT_TRUE(l.toolBar);
  EXPECT_TRUE(l.statusBar);
  l.statusBar = false;
  l.width = 1024;
  l.height = 768;
  app.popAuth = false;
  frame.OnClose(l);
  EXPECT_FALSE(AppProfile(profile).StatusBar("taro"));
  EXPECT_TRUE(AppProfile(profile).StatusBar("hanako"));
  EXPECT_FALSE(AppProfile(profile).PopAuth("taro"));
  EXPECT_EQ(app.user().mainWidth, 1024);
  EXPECT_EQ(app.user().mainHeight, 768);
}

}  // namespace
}  // namespace fennel

namespace fennel {
namespace {

TEST(ServerListDialogTest, DeleteAsksAndMarks) {
  std::vector<std::unique_ptr<CCommonDetail>> entries;
  for (int i = 1; i <= 3; ++i) {
    auto e = std::make_unique<CCommonDetail>();
    e->s[0] = "from" + std::to_string(i);
    e->s[1] = "件名" + std::to_string(i);
    e->i[0] = i;
    e->i[2] = 100 * i;
    entries.push_back(std::move(e));
  }
  test::ScriptedPrompter prompter;
  CServerListDialog dlg(entries, prompter);
  ASSERT_EQ(dlg.rows().size(), 3u);
  EXPECT_EQ(dlg.RowTexts(1), (std::vector<std::string>{"2", "from2", "件名2", "200"}));

  prompter.answers = {MbAnswer::Cancel};
  EXPECT_FALSE(dlg.OnDelete({0}));
  EXPECT_EQ(prompter.shown[0].text, "件名：件名1　を削除してもいいですか？");
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Exclamation);
  EXPECT_EQ(entries[0]->i[1], 0);

  EXPECT_TRUE(dlg.OnDelete({0, 2}));
  EXPECT_EQ(prompter.shown[1].text, "選択された件名を本当に削除してもいいですか？");
  EXPECT_EQ(entries[0]->i[1], 2);
  EXPECT_EQ(entries[1]->i[1], 0);
  EXPECT_EQ(entries[2]->i[1], 2);
  ASSERT_EQ(dlg.rows().size(), 1u);
  EXPECT_EQ(dlg.rows()[0]->i[0], 2);
}

}  // namespace
}  // namespace fennel
