// Logon and shut-down driven through the logon presenter and the
// application object, in a temporary home with a scripted prompter.
#include "ui/dialogs/logon_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/record_file.h"
#include "config/scramble.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class FakeHost : public LogonHost {
 public:
  void RunRuntimeDirDialog() override { ++runtimeDirRuns; }
  std::optional<WizardValues> RunSetupWizard(const WizardValues& start, const std::string& text) override {
    ++wizardRuns;
    wizardStart = start;
    wizardText = text;
    return wizardResult;
  }
  int runtimeDirRuns = 0;
  int wizardRuns = 0;
  WizardValues wizardStart;
  std::string wizardText;
  std::optional<WizardValues> wizardResult;
};

const char* kWrongPassword = "ﾊﾟｽﾜｰﾄﾞが正しくありません。";
const char* kIdFileDamaged = "ユーザーＩＤファイルが壊れています。読み込めませんでした。";

class LogonTest : public testing::Test {
 protected:
  LogonTest() : profile(JoinPath(env.profileDir(), "Fennel.ini")) {
    SetCurrentClock(&clock);
    NewRun();
  }
  ~LogonTest() override { SetCurrentClock(nullptr); }

  // A fresh start of the program.
  void NewRun() {
    app.reset();
    app = std::make_unique<CMailApp>(CMailApp::Services{profile, prompter, env.home()});
  }

  CLogonDialog::Result Logon(const std::string& user, const std::string& password, bool create = false) {
    CLogonDialog dlg(*app, host);
    dlg.OnInitDialog();
    dlg.userName = user;
    dlg.password = password;
    dlg.createNewUser = create;
    return dlg.OnOK();
  }

  // Creates taro and exits, so that the ID file and past.fnl exist.
  void CreateTaro() {
    ASSERT_EQ(Logon("taro", "secret", true), CLogonDialog::Result::Ok);
    app->ExitInstance();
    NewRun();
    prompter.shown.clear();
  }

  std::string Home(const std::string& name) const { return JoinPath(env.home(), name); }

  test::TempEnvironment env;
  ManualClock clock{1796857955};
  Profile profile;
  test::ScriptedPrompter prompter;
  FakeHost host;
  std::unique_ptr<CMailApp> app;
};

TEST_F(LogonTest, NewUserIsCreatedWithItsStartingValues) {
  ASSERT_EQ(Logon("taro", "secret", true), CLogonDialog::Result::Ok);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "ユーザー「taro」を新しく作成します。よろしいですか？");
  EXPECT_EQ(prompter.shown[0].buttons, MbButtons::OkCancel);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);

  const CUserInfo& u = app->user();
  EXPECT_EQ(u.userId, "taro");
  EXPECT_EQ(u.scrambledPassword, ScramblePassword("secret"));
  EXPECT_EQ(u.createTime, 1796857955);
  EXPECT_EQ(u.fullName, "taro");
  EXPECT_EQ(u.account, "taro");
  EXPECT_EQ(u.mailPassword, "secret");
  EXPECT_EQ(u.mailDir, Home("taro"));
  EXPECT_EQ(u.smtpPort, 25);
  EXPECT_EQ(u.popPort, 110);
  EXPECT_EQ(u.leaveOnServer, 1);
  EXPECT_EQ(u.serverTimeout, 0);
  EXPECT_EQ(u.logonDir, env.home());
  EXPECT_FALSE(DirExists(u.mailDir)) << "the wizard offers the mail directory, not the logon";

  // The wizard ran with the user's values; cancelled, nothing was applied.
  EXPECT_EQ(host.wizardRuns, 1);
  EXPECT_EQ(host.wizardStart.fullName, "taro");
  EXPECT_EQ(host.wizardStart.mailPassword, "secret");
  EXPECT_EQ(host.wizardText.substr(0, host.wizardText.find("\r\n")), "メールディレクトリの作成＝" + Home("taro"));

  struct stat st;
  ASSERT_EQ(stat(Home("taro.id").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(LogonTest, WizardFinishAppliesItsValuesAndOffersTheMailDirectory) {
  WizardValues v{"山田 太郎", "taro@example.jp", "pop.example.jp", "smtp.example.jp", "taro2", "pw2"};
  host.wizardResult = v;
  ASSERT_EQ(Logon("taro", "secret", true), CLogonDialog::Result::Ok);
  const CUserInfo& u = app->user();
  EXPECT_EQ(u.fullName, "山田 太郎");
  EXPECT_EQ(u.popServer, "pop.example.jp");
  EXPECT_EQ(u.account, "taro2");
  EXPECT_EQ(u.mailPassword, "pw2");
  EXPECT_EQ(u.serverTimeout, 1);
  EXPECT_EQ(u.receiptText, "確かに受信しました。");
  EXPECT_EQ(u.defaultPage, kDefaultStartPage);
  EXPECT_EQ(u.keepLogon, 0);
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[1].text, Home("taro") + "ディレクトリが存在しません。作成しますか。");
  EXPECT_EQ(prompter.shown[1].icon, MbIcon::Question);
  EXPECT_TRUE(DirExists(Home("taro")));
}

TEST_F(LogonTest, CancelledCreationWritesNothing) {
  prompter.answers = {MbAnswer::Cancel};
  EXPECT_EQ(Logon("taro", "secret", true), CLogonDialog::Result::StayOpen);
  EXPECT_FALSE(FileExists(Home("taro.id")));
  EXPECT_EQ(host.wizardRuns, 0);
  // An empty name does nothing at all.
  EXPECT_EQ(Logon("", "secret", true), CLogonDialog::Result::StayOpen);
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(LogonTest, WrongPasswordThenRightOne) {
  CreateTaro();
  EXPECT_EQ(Logon("taro", "wrong"), CLogonDialog::Result::StayOpen);
  ASSERT_EQ(prompter.Texts(), std::vector<std::string>{kWrongPassword});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_TRUE(app->user().userId.empty()) << "the record is replaced by an empty one";
  EXPECT_TRUE(app->user().logonDir.empty());

  EXPECT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  EXPECT_EQ(app->user().userId, "taro");
  EXPECT_EQ(host.wizardRuns, 1) << "only the creating logon runs the wizard";
}

TEST_F(LogonTest, MissingIdFileOffersTheRuntimeDirectoryDialog) {
  prompter.answers = {MbAnswer::No};
  EXPECT_EQ(Logon("nobody", "x"), CLogonDialog::Result::StayOpen);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].buttons, MbButtons::YesNo);
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_EQ(prompter.shown[0].text.rfind("ユーザーＩＤファイルが存在しません。", 0), 0u);
  EXPECT_EQ(host.runtimeDirRuns, 0);

  prompter.answers = {MbAnswer::Yes};
  EXPECT_EQ(Logon("nobody", "x"), CLogonDialog::Result::StayOpen);
  EXPECT_EQ(host.runtimeDirRuns, 1);
}

TEST_F(LogonTest, DamagedIdFileIsReportedAndLeftAlone) {
  CreateTaro();
  std::string good = test::ReadFile(Home("taro.id"));
  std::string damaged = good.substr(0, good.size() - 3);
  test::WriteFile(Home("taro.id"), damaged);

  EXPECT_EQ(Logon("taro", "secret"), CLogonDialog::Result::StayOpen);
  ASSERT_EQ(prompter.Texts(), std::vector<std::string>{kIdFileDamaged});
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
  EXPECT_TRUE(app->user().userId.empty());
  app->ExitInstance();
  EXPECT_EQ(test::ReadFile(Home("taro.id")), damaged) << "a failed load never leads to a save";
}

TEST_F(LogonTest, ExitWithoutLogonWritesNothing) {
  app->ExitInstance();
  EXPECT_FALSE(FileExists(Home("past.fnl")));
  CreateTaro();
  std::string before = test::ReadFile(Home("taro.id"));
  clock.SetNow(1800000000);
  EXPECT_EQ(Logon("taro", "wrong"), CLogonDialog::Result::StayOpen);
  app->ExitInstance();
  EXPECT_EQ(test::ReadFile(Home("taro.id")), before);
}

TEST_F(LogonTest, PastFileRemembersTheLogonUnlessTheUserSaysNo) {
  CreateTaro();
  ASSERT_TRUE(FileExists(Home("past.fnl")));
  {
    CLogonDialog dlg(*app, host);
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.userName, "taro");
    EXPECT_TRUE(dlg.password.empty());
  }
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().keepLogon = 1;  // box "今回のログオンを保存する。" clear
  app->ExitInstance();
  EXPECT_FALSE(FileExists(Home("past.fnl")));
  EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text;

  NewRun();
  CLogonDialog dlg(*app, host);
  dlg.OnInitDialog();
  EXPECT_TRUE(dlg.userName.empty());
}

TEST_F(LogonTest, MovedRuntimeDirectoryTakesTheIdFile) {
  CreateTaro();
  test::TempDir moved;
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().sigOfficial = "署名";
  app->runtimeDir = moved.path();  // the settings sheet changed it
  app->ExitInstance();
  EXPECT_TRUE(FileExists(moved / "taro.id"));
  EXPECT_FALSE(FileExists(Home("taro.id")));
  EXPECT_TRUE(FileExists(Home("past.fnl"))) << "past.fnl stays in the logon directory";

  // With the profile naming the new directory, the next logon finds it there.
  AppProfile(profile).SetRuntimeDir(moved.path());
  NewRun();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  EXPECT_EQ(app->user().sigOfficial, "署名");
  EXPECT_EQ(app->runtimeDir, moved.path());
  EXPECT_EQ(app->user().logonDir, moved.path());
}

TEST_F(LogonTest, SameDirectoryByAnotherNameIsNotAMove) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->runtimeDir = env.home() + "/./";
  app->ExitInstance();
  EXPECT_TRUE(FileExists(Home("taro.id")));
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LogonTest, FailedWriteKeepsTheOldFileAndSaysSo) {
  CreateTaro();
  std::string before = test::ReadFile(Home("taro.id"));
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->runtimeDir = Home("no/such/dir");
  app->ExitInstance();
  EXPECT_EQ(test::ReadFile(Home("taro.id")), before) << "the only good copy must not be deleted";
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Stop);
}

TEST_F(LogonTest, StoreSurvivesLogonAndExitByteForByte) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  auto f = std::make_unique<CFolderDetail>();
  f->name = "受信フォルダ";
  auto m = std::make_unique<CMailDetail>();
  m->filePath = Home("taro/RCVabcde.tmp");
  m->subject = "こんにちは";
  f->mails.push_back(std::move(m));
  app->user().store.folders.push_back(std::move(f));
  app->ExitInstance();
  std::string first = test::ReadFile(Home("taro.id"));
  EXPECT_EQ(test::ReadFile(Home("past.fnl")), first);

  NewRun();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  ASSERT_EQ(app->user().store.folders.size(), 1u);
  EXPECT_EQ(app->user().store.folders[0]->mails[0]->subject, "こんにちは");
  app->ExitInstance();
  EXPECT_EQ(test::ReadFile(Home("taro.id")), first);
}

TEST_F(LogonTest, CreatingAnExistingUserReplacesIt) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().store.folders.push_back(std::make_unique<CFolderDetail>());
  app->ExitInstance();
  NewRun();
  ASSERT_EQ(Logon("taro", "other", true), CLogonDialog::Result::Ok);
  EXPECT_TRUE(app->user().store.folders.empty());
  EXPECT_EQ(app->user().scrambledPassword, ScramblePassword("other"));
}

}  // namespace
}  // namespace fennel
