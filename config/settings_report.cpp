#include "config/settings_report.h"

#include "platform/fs.h"

namespace fennel {
namespace {

std::string Line(const char* label, const std::string& value) { return std::string(label) + value + "\r\n"; }

}  // namespace

std::string SettingsReportText(const CMailApp& app) {
  const CUserInfo& u = app.user();
  const AppProfile profile = app.profile();
  std::string t;
  t += Line("ユーザー名 = ", u.fullName);
  t += Line("メールアドレス = ", u.mailAddress);
  t += Line("ＰＯＰサーバーアドレス = ", u.popServer);
  t += Line("ＳＭＴＰサーバーアドレス = ", u.smtpServer);
  t += Line("ＰＯＰメールアカウント = ", u.account);
  t += "ＰＯＰメールパスワード = 送信しません\r\n";
  t += Line("ＳＭＴＰポート番号 : ", std::to_string(u.smtpPort));
  t += Line("ＰＯＰポート番号 = ", std::to_string(u.popPort));
  t += Line("サーバーにメッセージを残す = ", u.leaveOnServer != 0 ? "残す" : "残さない");
  t += Line("ＰＯＰ認証を行う = ", app.popAuth ? "行う" : "行わない");
  t += "メールチェックの間隔 = " + std::to_string(u.checkInterval) + "分\r\n";
  t += "認証TimeOut = " + std::to_string(u.serverTimeout) + "分\r\n";
  t += Line("受信ﾒｰﾙﾘｽﾄを取得する = ", u.headerListMode == 1 ? "取得する" : "取得しない");
  t += Line("受信ﾒｰﾙﾘｽﾄの表示状態 = ", u.headerListPending == 1 ? "次に表示する" : "次は表示しない");
  t += Line("メールアニメーション = ", profile.Animation(u.userId) ? "表示する" : "表示しない");
  t += Line("デフォルトページ = ", u.defaultPage);
  t += Line("受信確認メッセージ = ", u.receiptText);
  t += Line("引用文 = ", profile.QuoteHeader(u.userId));
  t += Line("メール保存ディレクトリ = ", u.mailDir);
  t += Line("実行時ディレクトリ = ", u.logonDir);
  t += Line("今回ログオンを保存する = ", u.keepLogon == 0 ? "保存する" : "保存しない");
  t += Line("Signature(Official) = ", u.sigOfficial);
  t += Line("Signature(Personal) = ", u.sigPersonal);
  t += Line("Signature(Other) = ", u.sigOther);
  t += u.htmlMode == 1   ? "HTMLメールの表示方法 = 強制表示\r\n"
       : u.htmlMode == 2 ? "HTMLメールの表示方法 = 強制非表示\r\n"
                         : "HTMLメールの表示方法 = 切替\r\n";
  return t;
}

std::string SettingsReportForMail(const CMailApp& app) {
  std::string t = "設定情報********************\r\n";
  t += SettingsReportText(app);
  t += "サブアカウント情報************\r\n";
  for (const auto& s : app.user().store.subAccounts) {
    const auto v = AsSubAccount(*s);
    t += Line("POPｻｰﾊﾞｰｱﾄﾞﾚｽ = ", v.server());
    t += Line("POPｻｰﾊﾞｰｱｶｳﾝﾄ = ", v.account());
    t += "POPｻｰﾊﾞｰﾊﾟｽﾜｰﾄﾞ = 送信しません\r\n";
    t += Line("ＰＯＰポート番号 = ", std::to_string(v.port()));
    t += Line("メッセージをサーバーに保存 = ", v.deleteFromServer() == 0 ? "残す" : "削除");
    t += Line("アカウントの使用可否 = ", v.disabled() == 0 ? "有効" : "無効");
  }
  t += "フォルダ情報************\r\n";
  for (const auto& f : app.user().store.folders)
    if (f->state != CFolderDetail::kBeingDeleted) t += Line("フォルダ情報 = ", f->name);
  return t;
}

bool WriteSettingsReport(const CMailApp& app, const std::string& path) {
  return WriteFileAtomic(path, SettingsReportText(app), 0644);
}

}  // namespace fennel
