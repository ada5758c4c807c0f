// Smoke tests of the Qt windows: the wiring between widgets and presenters.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>

#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/qt_services.h"
#include "gui/qt_text.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class WindowsTest : public testing::Test {
 protected:
  WindowsTest() : profile(JoinPath(env.profileDir(), "Fennel.ini")), app({profile, prompter, env.home()}) {}
  test::TempEnvironment env;
  Profile profile;
  test::ScriptedPrompter prompter;
  CMailApp app;
};

// Closes the next modal dialog (the wizard stand-in) as Cancel would.
void RejectNextModal() {
  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
}

TEST_F(WindowsTest, LogonWindowCreatesAUserThroughThePresenter) {
  LogonWindow logon(app);
  EXPECT_EQ(logon.windowTitle(), Qs("ユーザー名，パスワードを入力してください。"));
  auto* user = logon.findChild<QLineEdit*>(QStringLiteral("userName"));
  auto* password = logon.findChild<QLineEdit*>(QStringLiteral("password"));
  auto* newUser = logon.findChild<QCheckBox*>(QStringLiteral("newUser"));
  ASSERT_TRUE(user && password && newUser);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(newUser->text(), Qs("新しいユーザーを作成する"));

  user->setText(Qs("花子"));
  password->setText(QStringLiteral("pw"));
  newUser->setChecked(true);
  RejectNextModal();
  logon.accept();
  EXPECT_EQ(logon.result(), QDialog::Accepted);
  EXPECT_EQ(app.user().userId, "花子");
  EXPECT_TRUE(FileExists(JoinPath(env.home(), "花子.id")));

  // A wrong password keeps the dialog open and clears the field. (While a
  // program has the store, another logon is refused: let go of it first.)
  app.UnlockUserStore();
  CMailApp again({profile, prompter, env.home()});
  LogonWindow second(again);
  EXPECT_EQ(second.findChild<QLineEdit*>(QStringLiteral("userName"))->text(), QString()) << "no past.fnl yet";
  second.findChild<QLineEdit*>(QStringLiteral("userName"))->setText(Qs("花子"));
  second.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("nope"));
  second.accept();
  EXPECT_NE(second.result(), QDialog::Accepted);
  EXPECT_TRUE(second.findChild<QLineEdit*>(QStringLiteral("password"))->text().isEmpty());
  EXPECT_EQ(prompter.shown.back().text, "ﾊﾟｽﾜｰﾄﾞが正しくありません。");
}

// The receive command follows the transfer's state the moment it changes:
// no timer re-reads the enable rules.
TEST_F(WindowsTest, EnableRulesFollowTheTransferWithoutPolling) {
  CUserInfo& u = app.user();
  u.userId = "taro";
  u.popServer = "pop.example.jp";
  u.popPort = 110;
  u.account = "taro";
  u.mailPassword = "pw";
  u.mailDir = env.home();
  QtEventLoop loop;
  MainWindow window(app, &loop);
  QAction* receive = window.action(ID_RECEIVE);
  ASSERT_NE(receive, nullptr);
  EXPECT_TRUE(receive->isEnabled());
  app.transferIdle = false;
  EXPECT_FALSE(receive->isEnabled()) << "told at once, not at the next tick";
  app.transferIdle = true;
  EXPECT_TRUE(receive->isEnabled());
  EXPECT_TRUE(window.action(ID_FILE_OPEN_MAILBOX)->isEnabled());
}

TEST_F(WindowsTest, MainWindowShowsTheFrameCommands) {
  app.user().userId = "taro";
  MainWindow window(app);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Fennel"));
  QStringList menus;
  for (QAction* a : window.menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{Qs("ファイル(&F)"), Qs("特別(&S)"), Qs("ﾍﾙﾌﾟ(&H)")}));
  ASSERT_NE(window.action(ID_IMPORT_EML), nullptr);
  EXPECT_EQ(window.action(ID_IMPORT_EML)->text(), Qs("外部ﾒｰﾙｲﾝﾎﾟｰﾄ(.eml)..."));
  EXPECT_FALSE(window.action(ID_REBUILD)->isEnabled()) << "no mail directory yet";
  EXPECT_TRUE(window.action(ID_WRITE_REPORT)->isEnabled());
  ASSERT_NE(window.action(ID_MAIL_SETTINGS), nullptr);
  EXPECT_EQ(window.action(ID_MAIL_SETTINGS)->text(), Qs("ﾒｰﾙの設定をする"));
  EXPECT_EQ(window.action(ID_MAIL_SETTINGS)->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
  EXPECT_FALSE(window.action(ID_MAIL_SETTINGS)->isEnabled());
  EXPECT_TRUE(window.action(ID_APP_ABOUT)->isEnabled());
  auto* status = window.findChild<QLabel*>(QStringLiteral("statusText"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text(), Qs("レディ"));
  window.show();
  window.close();
  EXPECT_TRUE(AppProfile(profile).ToolBar("taro"));
  EXPECT_GT(app.user().mainWidth, 0) << "the size is remembered at close";
}

// A user made by the command line logs in with the window, and the other
// way round.
TEST_F(WindowsTest, CommandLineAndWindowShareUsers) {
  const std::map<std::string, std::string> env_ = {{"FENNEL_HOME", env.home()},
                                                  {"FENNEL_PROFILE_DIR", env.profileDir()}};
  auto made = test::RunProcess(FENNEL_CLI_PATH, {"--user", "jiro", "--password-stdin", "create-user"}, "pw1\n", env_);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  {
    LogonWindow logon(app);
    EXPECT_EQ(logon.findChild<QLineEdit*>(QStringLiteral("userName"))->text(), QStringLiteral("jiro"))
        << "past.fnl of the command line fills the name";
    logon.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("pw1"));
    logon.accept();
    EXPECT_EQ(logon.result(), QDialog::Accepted);
    app.ExitInstance();
  }
  CMailApp other({profile, prompter, env.home()});
  LogonWindow logon(other);
  logon.findChild<QLineEdit*>(QStringLiteral("userName"))->setText(QStringLiteral("saburo"));
  logon.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("pw2"));
  logon.findChild<QCheckBox*>(QStringLiteral("newUser"))->setChecked(true);
  RejectNextModal();
  logon.accept();
  ASSERT_EQ(logon.result(), QDialog::Accepted);
  other.ExitInstance();
  auto shown = test::RunProcess(FENNEL_CLI_PATH, {"--user", "saburo", "--password-stdin", "settings"}, "pw2\n", env_);
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.out.find("user_id = saburo"), std::string::npos);
}

TEST_F(WindowsTest, JapaneseFaceMapsToIpaGothic) {
  EXPECT_EQ(Qs(Cp(Qs("ＭＳ ゴシック"))), Qs("ＭＳ ゴシック"));
  EXPECT_EQ(Cp(QString::fromUtf8("\xE2\x91\xA0")), "①");
}

}  // namespace
}  // namespace fennel
