#include "config/mail_app.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/messages.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class CountingTarget : public TimerTarget {
 public:
  void OnTimer(unsigned id) override { ticks.push_back(id); }
  std::vector<unsigned> ticks;
};

class MailAppTest : public testing::Test {
 protected:
  MailAppTest() : profile(JoinPath(env.profileDir(), "Fennel.ini")), app({profile, prompter, env.home()}) {
    app.user().userId = "taro";
    app.user().mailDir = JoinPath(env.home(), "mail");
  }
  test::TempEnvironment env;
  Profile profile;
  test::ScriptedPrompter prompter;
  CMailApp app;
};

TEST_F(MailAppTest, WizardCompletionTextLines) {
  const std::string expected = "メールディレクトリの作成＝" + app.user().mailDir +
                               "\r\n"
                               "ＳＭＴＰサーバーポート＝２５\r\n"
                               "ＰＯＰサーバーポート＝１１０\r\n"
                               "サーバーにメッセージを残す＝ＯＮ\r\n"
                               "自動監視機能（メールチェック）＝ＯＦＦ\r\n"
                               "受信メールリストを取得してから本文を受信する（迷惑メール対応）＝ＯＦＦ\r\n"
                               "HTMLメールを表示可能にする＝ＯＦＦ\r\n"
                               "デフォルトページ＝" +
                               std::string(kDefaultStartPage) +
                               "\r\n"
                               "受信確認を要求するメールを受信した際の返信文＝確かに受信しました。\r\n";
  EXPECT_EQ(app.WizardCompletionText(), expected);
}

TEST_F(MailAppTest, MailDirectoryQuestionAndFailure) {
  // Cancel: nothing made.
  prompter.answers = {MbAnswer::Cancel};
  app.EnsureMailDirectory(app.user().mailDir);
  EXPECT_FALSE(DirExists(app.user().mailDir));
  // Only one level is made: a missing parent is a failure.
  const std::string deep = JoinPath(env.home(), "a/b");
  app.EnsureMailDirectory(deep);
  ASSERT_EQ(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[2].text, "ディレクトリの作成に失敗しました。");
  EXPECT_EQ(prompter.shown[2].icon, MbIcon::Stop);
  // An existing directory asks nothing.
  prompter.shown.clear();
  app.EnsureMailDirectory(env.home());
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MailAppTest, SettingsCommandAppliesValuesProfileAndTimer) {
  ManualClock clock;
  ManualEventLoop loop(clock);
  CountingTarget frame;
  loop.SetTimer(&frame, TIMER_AUTOCHECK, 5 * 60000);
  app.user().headerListPending = 1;

  SettingsValues s = app.CurrentSettings();
  EXPECT_EQ(s.runtimeDir, "設定されていません。");
  EXPECT_EQ(s.quoteHeader, "によって書かれました。");
  EXPECT_TRUE(s.animation);
  s.popServer = "pop.example.jp";
  s.popAuth = true;
  s.checkInterval = 2;
  s.serverTimeout = 5;
  s.saveLogon = false;
  s.animation = false;
  s.quoteHeader = "さんが書きました：";
  s.runtimeDir = env.home();
  s.mailDir = env.home();
  app.ApplySettings(s, &loop, &frame);

  EXPECT_EQ(app.user().popServer, "pop.example.jp");
  EXPECT_TRUE(app.popAuth);
  EXPECT_EQ(app.user().keepLogon, 1);
  EXPECT_EQ(app.user().headerListPending, 0);
  EXPECT_EQ(app.runtimeDir, env.home());
  AppProfile p(profile);
  EXPECT_EQ(p.RuntimeDir(), env.home());
  EXPECT_EQ(p.QuoteHeader("taro"), "さんが書きました：");
  EXPECT_EQ(p.QuoteHeader("hanako"), "によって書かれました。") << "per-user keys stay apart";
  EXPECT_FALSE(p.Animation("taro"));

  // The old 5-minute timer is gone; the new one ticks every 2 minutes.
  loop.Advance(5 * 60000);
  EXPECT_EQ(frame.ticks.size(), 2u);

  s.checkInterval = 0;
  app.ApplySettings(s, &loop, &frame);
  loop.Advance(60 * 60000);
  EXPECT_EQ(frame.ticks.size(), 2u);
}

TEST_F(MailAppTest, HandOffTakesOnlyAChangedParameter) {
  test::TempDir guardDir;
  ASSERT_EQ(app.Start("", guardDir.path()), CMailApp::StartResult::Owner);
  EXPECT_EQ(AppProfile(profile).CommandLineParameter(), "");
  EXPECT_FALSE(app.HandOff());

  AppProfile(profile).SetCommandLineParameter("/tmp/a.eml");
  EXPECT_TRUE(app.HandOff());
  EXPECT_EQ(app.commandLineParameter, "/tmp/a.eml");
  EXPECT_FALSE(app.HandOff()) << "the same value again opens nothing";

  AppProfile(profile).SetCommandLineParameter("NULL");
  EXPECT_FALSE(app.HandOff());
  EXPECT_EQ(app.commandLineParameter, "NULL");
}

TEST_F(MailAppTest, SecondStartHandsOverAndEnds) {
  test::TempDir guardDir;
  ASSERT_EQ(app.Start("", guardDir.path()), CMailApp::StartResult::Owner);
  ASSERT_GE(app.PublishMainWindow(), 0);

  CMailApp second({profile, prompter, env.home()});
  EXPECT_EQ(second.Start("mailto:hanako@example.jp", guardDir.path()), CMailApp::StartResult::HandedOver);
  EXPECT_EQ(app.TakeOpenParameterMessages(), 1);
  EXPECT_TRUE(app.HandOff());
  EXPECT_EQ(app.commandLineParameter, "mailto:hanako@example.jp");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MailAppTest, GuardThatCannotBeSetUpIsReported) {
  test::TempDir dir;
  test::WriteFile(dir / "file", "x");
  EXPECT_EQ(app.Start("", dir / "file/guard"), CMailApp::StartResult::GuardFailed);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "２重起動のチェックに失敗しました。もしくは前回の終了処理が終わっていません。しばらくしてから再度起動して"
            "ください。");
}

}  // namespace
}  // namespace fennel
