// Logon and shut-down driven through the logon presenter and the
// application object, in a temporary home with a scripted prompter.
#include "ui/dialogs/logon_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/id_file.h"
#include "config/record_file.h"
#include "store/folder_detail.h"
#include "store/receive_journal.h"
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

// ---- The ID file's safety net.

// One byte changed in the middle: never a silent half store. A flipped byte
// among the first ones (the scrambled password) is damage, not a wrong
// password.
TEST_F(LogonTest, ChangedByteAnywhereIsDamageNeverAWrongPassword) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  CFolderDetail* inbox = app->user().store.FolderOrCreate(kInboxFolder);
  for (int i = 0; i < 10; ++i) {
    auto m = std::make_unique<CMailDetail>();
    m->filePath = Home("mail/RCVaaaa" + std::string(1, static_cast<char>('a' + i)) + ".tmp");
    m->subject = "件名その" + std::to_string(i);
    m->messageId = "<" + std::to_string(i) + "@x>";
    inbox->AddMail(std::move(m));
  }
  app->ExitInstance();
  const std::string good = test::ReadFile(Home("taro.id"));
  const size_t subject = good.find("件名その5");
  const size_t countAt = good.find("CMailDetail") - 8;  // the count before the first mail's class tag
  ASSERT_NE(subject, std::string::npos);
  ASSERT_EQ(good.substr(countAt, 2), std::string("\x0A\x00", 2));
  struct Row {
    const char* name;
    size_t at;
    char to;
  };
  const Row rows[] = {
      {"password byte", 20, 'Z'},
      {"inside a subject", subject + 2, 'X'},
      {"the mail count 10 -> 4", countAt, '\x04'},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string damaged = good;
    damaged[row.at] = row.to;
    test::WriteFile(Home("taro.id"), damaged);
    NewRun();
    prompter.shown.clear();
    prompter.answers = {MbAnswer::Cancel, MbAnswer::No};
    EXPECT_EQ(Logon("taro", "secret"), CLogonDialog::Result::StayOpen);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text, kWrongPassword);
    EXPECT_NE(prompter.shown[0].text.find("taro.id"), std::string::npos) << "the box names the file";
    app->ExitInstance();
    EXPECT_EQ(test::ReadFile(Home("taro.id")), damaged) << "a file whose load was not clean is never written over";
  }
}

// The previous generation is offered, and the logon goes on from it; the
// damaged file is set aside, never written over.
TEST_F(LogonTest, DamagedIdFileOffersThePreviousGeneration) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().store.AddFolder("第一", 0, 0, "");
  app->ExitInstance();  // generation 1 -> taro.id.1
  NewRun();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().store.AddFolder("第二", 0, 0, "");
  app->ExitInstance();
  NewRun();
  std::string damaged = test::ReadFile(Home("taro.id"));
  damaged[damaged.find("第二")] = 'Q';
  test::WriteFile(Home("taro.id"), damaged);

  prompter.shown.clear();
  prompter.answers = {MbAnswer::No};  // not as it is: the previous one
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].buttons, MbButtons::YesNoCancel);
  EXPECT_NE(prompter.shown[0].text.find("taro.id.1"), std::string::npos);
  EXPECT_NE(app->user().store.FindFolder("第一"), nullptr);
  EXPECT_EQ(app->user().store.FindFolder("第二"), nullptr) << "the previous generation, before the second change";
  app->user().store.AddFolder("第三", 0, 0, "");
  app->ExitInstance();
  EXPECT_EQ(test::ReadFile(Home("taro.id.damaged")), damaged);

  // What was written after it is sound, and its generations check.
  NewRun();
  prompter.shown.clear();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  EXPECT_TRUE(prompter.shown.empty()) << prompter.Texts()[0];
  EXPECT_NE(app->user().store.FindFolder("第三"), nullptr);
  CUserInfo previous;
  EXPECT_EQ(LoadIdFile(Home("taro.id"), true, previous, nullptr, nullptr), IdLoad::Ok);
  EXPECT_NE(previous.store.FindFolder("第一"), nullptr) << "the previous generation is the one the logon came from";
}

// A file cut short or with bytes after its record does not load, and the
// previous generation is offered (declined here: nothing changes).
TEST_F(LogonTest, LeftOverOrMissingBytesAreDamage) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->user().fullName = "変更";
  app->ExitInstance();
  const std::string good = test::ReadFile(Home("taro.id"));
  for (const std::string& damaged : {good + "x", good.substr(0, good.size() - 1)}) {
    test::WriteFile(Home("taro.id"), damaged);
    NewRun();
    prompter.shown.clear();
    prompter.answers = {MbAnswer::No};
    EXPECT_EQ(Logon("taro", "secret"), CLogonDialog::Result::StayOpen);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].buttons, MbButtons::YesNo) << "the previous generation is offered";
    app->ExitInstance();
    EXPECT_EQ(test::ReadFile(Home("taro.id")), damaged);
  }
}

// A run that changed nothing writes nothing: not the ID file, not past.fnl.
TEST_F(LogonTest, RunThatChangedNothingWritesNothing) {
  CreateTaro();
  struct stat before {}, pastBefore {}, after {}, pastAfter {};
  ASSERT_EQ(stat(Home("taro.id").c_str(), &before), 0);
  ASSERT_EQ(stat(Home("past.fnl").c_str(), &pastBefore), 0);
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  app->ExitInstance();
  ASSERT_EQ(stat(Home("taro.id").c_str(), &after), 0);
  ASSERT_EQ(stat(Home("past.fnl").c_str(), &pastAfter), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the ID file was written again";
  EXPECT_EQ(pastAfter.st_ino, pastBefore.st_ino) << "past.fnl was written again";
  EXPECT_FALSE(FileExists(Home("taro.id.1"))) << "no new generation either";
}

// One program at a time works on a user's store, from whatever profile.
TEST_F(LogonTest, SecondProgramForTheSameUserIsRefused) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  test::TempDir otherProfileDir;
  Profile otherProfile(otherProfileDir / "Fennel.ini");
  test::ScriptedPrompter otherPrompter;
  CMailApp second({otherProfile, otherPrompter, env.home()});
  FakeHost otherHost;
  CLogonDialog dlg(second, otherHost);
  dlg.userName = "taro";
  dlg.password = "secret";
  EXPECT_EQ(dlg.OnOK(), CLogonDialog::Result::StayOpen);
  ASSERT_EQ(otherPrompter.Texts(), std::vector<std::string>{StoreInUseText("taro")});
  EXPECT_TRUE(second.user().userId.empty());
  // Creating the user anew is refused too: it would replace the store in use.
  dlg.createNewUser = true;
  EXPECT_EQ(dlg.OnOK(), CLogonDialog::Result::StayOpen);
  EXPECT_EQ(otherPrompter.shown.size(), 2u);
  app->ExitInstance();
  dlg.createNewUser = false;
  EXPECT_EQ(dlg.OnOK(), CLogonDialog::Result::Ok) << "free once the first program has ended";
  second.ExitInstance();
}

// Received files a crash kept out of the index: the journal names them and
// the next logon files them. Files it does not name (mail the user deleted
// earlier, whose file stayed) never come back.
TEST_F(LogonTest, JournaledMailIsFiledAtTheNextLogon) {
  CreateTaro();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  const std::string mailDir = Home("mail");
  app->user().mailDir = mailDir;
  MakeDirs(mailDir);
  auto message = [](const std::string& id) {
    return "Message-ID: <" + id + "@x>\r\nFrom: a@example.jp\r\nSubject: " + id + "\r\n\r\nbody\r\n";
  };
  test::WriteFile(JoinPath(mailDir, "RCVheld0.tmp"), message("held"));
  app->user().store.FolderOrCreate(kInboxFolder)->AddMail(CMailDetail::FromFile(JoinPath(mailDir, "RCVheld0.tmp")));
  app->ExitInstance();
  test::WriteFile(JoinPath(mailDir, "RCVnew00.tmp"), message("new"));
  test::WriteFile(JoinPath(mailDir, "RCVgone0.tmp"), message("deleted"));  // not in the journal
  ReceiveJournal journal(Home("taro.id.journal"));
  for (const char* n : {"RCVheld0.tmp", "RCVnew00.tmp", "RCVmiss0.tmp"}) ASSERT_TRUE(journal.Add(n, true));

  NewRun();
  prompter.shown.clear();
  ASSERT_EQ(Logon("taro", "secret"), CLogonDialog::Result::Ok);
  const CFolderDetail* inbox = app->user().store.FindFolder(kInboxFolder);
  ASSERT_NE(inbox, nullptr);
  ASSERT_EQ(inbox->mails.size(), 2u);
  EXPECT_EQ(inbox->mails[1]->messageId, "<new@x>");
  EXPECT_EQ(prompter.shown.size(), 1u) << "the user is told";
  EXPECT_FALSE(FileExists(Home("taro.id.journal"))) << "cleared once the ID file holds them";
  CUserInfo onDisk;
  ASSERT_EQ(LoadRecordFile(Home("taro.id"), onDisk, false), RecordLoad::Ok);
  EXPECT_EQ(onDisk.store.FindFolder(kInboxFolder)->mails.size(), 2u) << "in the index on disk at once";
  app->ExitInstance();
}

}  // namespace fennel
