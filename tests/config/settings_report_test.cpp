// The settings report: every line in order, byte for byte, and never a
// password.
#include "config/settings_report.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

class SettingsReportTest : public testing::Test {
 protected:
  SettingsReportTest() {
    CUserInfo& u = app.user();
    u.userId = "taro";
    u.fullName = "山田太郎";
    u.mailAddress = "taro@example.jp";
    u.popServer = "pop.example.jp";
    u.smtpServer = "smtp.example.jp";
    u.account = "taro";
    u.mailPassword = "very-secret";
    u.smtpPort = 587;
    u.popPort = 110;
    u.leaveOnServer = 0;
    u.checkInterval = 15;
    u.serverTimeout = 3;
    u.headerListMode = 1;
    u.headerListPending = 0;
    u.defaultPage = "http://www.example.jp/";
    u.receiptText = "受け取りました。";
    u.mailDir = "/home/taro/mail";
    u.logonDir = "/home/taro/.local/share/Fennel";
    u.keepLogon = 1;
    u.sigOfficial = "--\r\n山田太郎\r\n";
    u.htmlMode = 2;
    app.popAuth = true;
    app.profile().SetAnimation("taro", false);
  }

  test::TempDir dir;
  Profile profile{dir / "Fennel.ini"};
  test::ScriptedPrompter prompter;
  CMailApp app{{profile, prompter, dir.path()}};
};

const char* kExpected =
    "ユーザー名 = 山田太郎\r\n"
    "メールアドレス = taro@example.jp\r\n"
    "ＰＯＰサーバーアドレス = pop.example.jp\r\n"
    "ＳＭＴＰサーバーアドレス = smtp.example.jp\r\n"
    "ＰＯＰメールアカウント = taro\r\n"
    "ＰＯＰメールパスワード = 送信しません\r\n"
    "ＳＭＴＰポート番号 : 587\r\n"
    "ＰＯＰポート番号 = 110\r\n"
    "サーバーにメッセージを残す = 残さない\r\n"
    "ＰＯＰ認証を行う = 行う\r\n"
    "メールチェックの間隔 = 15分\r\n"
    "認証TimeOut = 3分\r\n"
    "受信ﾒｰﾙﾘｽﾄを取得する = 取得する\r\n"
    "受信ﾒｰﾙﾘｽﾄの表示状態 = 次は表示しない\r\n"
    "メールアニメーション = 表示しない\r\n"
    "デフォルトページ = http://www.example.jp/\r\n"
    "受信確認メッセージ = 受け取りました。\r\n"
    "引用文 = によって書かれました。\r\n"
    "メール保存ディレクトリ = /home/taro/mail\r\n"
    "実行時ディレクトリ = /home/taro/.local/share/Fennel\r\n"
    "今回ログオンを保存する = 保存しない\r\n"
    "Signature(Official) = --\r\n山田太郎\r\n\r\n"
    "Signature(Personal) = \r\n"
    "Signature(Other) = \r\n"
    "HTMLメールの表示方法 = 強制非表示\r\n";

TEST_F(SettingsReportTest, EveryLineInOrder) {
  EXPECT_EQ(SettingsReportText(app), kExpected);
  ASSERT_TRUE(WriteSettingsReport(app, dir / "myConfig.txt"));
  EXPECT_EQ(test::ReadFile(dir / "myConfig.txt"), kExpected);
  EXPECT_FALSE(WriteSettingsReport(app, dir / "no/such/dir/myConfig.txt"));
}

TEST_F(SettingsReportTest, ChoicesTheOtherWay) {
  CUserInfo& u = app.user();
  u.leaveOnServer = 1;
  u.headerListMode = 0;
  u.headerListPending = 1;
  u.keepLogon = 0;
  app.popAuth = false;
  app.profile().SetAnimation("taro", true);
  app.profile().SetQuoteHeader("taro", "さんが書きました：");
  const std::string t = SettingsReportText(app);
  for (const char* line : {"サーバーにメッセージを残す = 残す\r\n", "ＰＯＰ認証を行う = 行わない\r\n",
                           "受信ﾒｰﾙﾘｽﾄを取得する = 取得しない\r\n", "受信ﾒｰﾙﾘｽﾄの表示状態 = 次に表示する\r\n",
                           "メールアニメーション = 表示する\r\n", "引用文 = さんが書きました：\r\n",
                           "今回ログオンを保存する = 保存する\r\n"})
    EXPECT_NE(t.find(line), std::string::npos) << line;
  for (int mode : {0, 1, 7}) {
    u.htmlMode = mode;
    const std::string last = mode == 1 ? "HTMLメールの表示方法 = 強制表示\r\n" : "HTMLメールの表示方法 = 切替\r\n";
    const std::string text = SettingsReportText(app);
    EXPECT_EQ(text.substr(text.size() - last.size()), last) << mode;
  }
}

TEST_F(SettingsReportTest, MailVersionWithSubAccountsAndFoldersWithoutPasswords) {
  app.user().store.AddSubAccount("pop2.example.jp", "jiro", "sub-secret", 995, 1, 0);
  app.user().store.AddSubAccount("pop3.example.jp", "saburo", "other-secret", 110, 0, 1);
  app.user().store.AddFolder("仕事");
  app.user().store.AddFolder(kInboxFolder);
  const std::string t = SettingsReportForMail(app);
  EXPECT_EQ(t, std::string("設定情報********************\r\n") + kExpected +
                   "サブアカウント情報************\r\n"
                   "POPｻｰﾊﾞｰｱﾄﾞﾚｽ = pop2.example.jp\r\nPOPｻｰﾊﾞｰｱｶｳﾝﾄ = jiro\r\nPOPｻｰﾊﾞｰﾊﾟｽﾜｰﾄﾞ = 送信しません\r\n"
                   "ＰＯＰポート番号 = 995\r\nメッセージをサーバーに保存 = 削除\r\nアカウントの使用可否 = 有効\r\n"
                   "POPｻｰﾊﾞｰｱﾄﾞﾚｽ = pop3.example.jp\r\nPOPｻｰﾊﾞｰｱｶｳﾝﾄ = saburo\r\nPOPｻｰﾊﾞｰﾊﾟｽﾜｰﾄﾞ = 送信しません\r\n"
                   "ＰＯＰポート番号 = 110\r\nメッセージをサーバーに保存 = 残す\r\nアカウントの使用可否 = 無効\r\n"
                   "フォルダ情報************\r\n"
                   "フォルダ情報 = 仕事\r\nフォルダ情報 = 受信フォルダ\r\n");
  for (const char* secret : {"very-secret", "sub-secret", "other-secret"})
    EXPECT_EQ(t.find(secret), std::string::npos) << secret;
}

}  // namespace
}  // namespace fennel
