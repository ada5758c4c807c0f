#include "config/mail_app.h"

#include <sys/socket.h>
#include <unistd.h>

#include "config/record_file.h"
#include "platform/fs.h"
#include "platform/messages.h"
#include "store/receive_journal.h"

namespace fennel {
namespace {

const char* kGuardFailed =
    "２重起動のチェックに失敗しました。もしくは前回の終了処理が終わっていません。しばらくしてから再度起動してください。";

void ReportNotDeleted(Prompter& prompter, const std::string& path) {
  prompter.Show("File " + path + "は削除されませんでした。");
}

}  // namespace

std::string StoreInUseText(const std::string& userId) {
  return "ユーザー「" + userId + "」の Fennel が実行中です。終了してから実行してください。";
}

CMailApp::CMailApp(Services services) : services_(std::move(services)), user_(std::make_unique<CUserInfo>()) {}

CMailApp::~CMailApp() = default;

CMailApp::StartResult CMailApp::Start(const std::string& fileArgument, const std::string& guardDir) {
  // 1. The parameter goes to the profile, where a running instance finds it.
  profile().SetCommandLineParameter(fileArgument);
  commandLineParameter = fileArgument;
  // 2. An empty record until the logon fills it.
  user_ = std::make_unique<CUserInfo>();
  // 3-4. One instance per profile.
  switch (guard_.Acquire(guardDir)) {
    case SingleInstanceGuard::Result::Owner:
      return StartResult::Owner;
    case SingleInstanceGuard::Result::AlreadyRunning:
      guard_.PostOpenParameter();
      return StartResult::HandedOver;
    case SingleInstanceGuard::Result::Failed:
      break;
  }
  prompter().Show(kGuardFailed);
  return StartResult::GuardFailed;
}

bool CMailApp::InitSocketLayer() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  prompter().Show("Windows ｿｹｯﾄの初期化に失敗しました。", MbIcon::Stop);
  return false;
}

int CMailApp::PublishMainWindow() { return guard_.Publish(); }

bool CMailApp::HandOff() {
  std::string value = profile().CommandLineParameter();
  if (value == commandLineParameter) return false;
  commandLineParameter = value;
  return !value.empty() && value != kProfileNull;
}

std::string CMailApp::LogonDirectory() const {
  std::string dir = profile().RuntimeDir();
  if (dir == kProfileNull) return services_.appDir;
  return AbsolutePath(dir);
}

std::string CMailApp::IdFilePath(const std::string& dir, const std::string& userName) {
  return JoinPath(dir, userName + ".id");
}

FileLock::Result CMailApp::LockUserStore(const std::string& dir, const std::string& userName) {
  return storeLock_.Acquire(IdFilePath(dir, userName) + ".lock");
}

ReceiveJournal& CMailApp::journal() {
  const CUserInfo& u = *user_;
  const std::string path =
      u.logonDir.empty() || u.userId.empty() ? std::string() : IdFilePath(u.logonDir, u.userId) + ".journal";
  if (!journal_ || journal_->path() != path) journal_ = std::make_unique<ReceiveJournal>(path);
  return *journal_;
}

int CMailApp::FileJournaledMail() {
  CUserInfo& u = *user_;
  const std::vector<std::string> names = journal().Names();
  if (names.empty()) return 0;
  int count = 0;
  for (const std::string& name : names) {
    const std::string path = JoinPath(u.mailDir, name);
    if (u.store.FindLiveMailByPath(path)) continue;  // filed before the crash
    if (FileReceivedMessage(u.store, path, &prompter())) ++count;
  }
  if (count == 0) {
    journal().Clear();
    return 0;
  }
  SyncFileSystemOf(u.mailDir);
  SaveUserRecord();
  prompter().Show("前回の受信で保存したまま整理されていなかったメッセージを" + std::to_string(count) +
                      "通、フォルダに入れました。",
                  MbIcon::Information);
  return count;
}

WizardValues CMailApp::WizardStartValues() const {
  const CUserInfo& u = *user_;
  return WizardValues{u.fullName, u.mailAddress, u.popServer, u.smtpServer, u.account, u.mailPassword};
}

std::string CMailApp::WizardCompletionText() const {
  std::string t;
  t += "メールディレクトリの作成＝" + user_->mailDir + "\r\n";
  t += "ＳＭＴＰサーバーポート＝２５\r\n";
  t += "ＰＯＰサーバーポート＝１１０\r\n";
  t += "サーバーにメッセージを残す＝ＯＮ\r\n";
  t += "自動監視機能（メールチェック）＝ＯＦＦ\r\n";
  t += "受信メールリストを取得してから本文を受信する（迷惑メール対応）＝ＯＦＦ\r\n";
  t += "HTMLメールを表示可能にする＝ＯＦＦ\r\n";
  t += std::string("デフォルトページ＝") + kDefaultStartPage + "\r\n";
  t += std::string("受信確認を要求するメールを受信した際の返信文＝") + kReceiptReplyText + "\r\n";
  return t;
}

void CMailApp::ApplyWizardFinish(const WizardValues& v) {
  CUserInfo& u = *user_;
  u.fullName = v.fullName;
  u.mailAddress = v.mailAddress;
  u.popServer = v.popServer;
  u.smtpServer = v.smtpServer;
  u.account = v.account;
  u.mailPassword = v.mailPassword;
  u.smtpPort = 25;
  u.popPort = 110;
  u.leaveOnServer = 1;
  u.checkInterval = 0;
  u.serverTimeout = 1;
  u.headerListMode = 0;
  u.headerListPending = 0;
  u.defaultPage = kDefaultStartPage;
  u.receiptText = kReceiptReplyText;
  u.keepLogon = 0;
  EnsureMailDirectory(u.mailDir);
}

void CMailApp::EnsureMailDirectory(const std::string& dir) {
  if (DirExists(dir)) return;
  if (prompter().Show(dir + "ディレクトリが存在しません。作成しますか。", MbIcon::Question, MbButtons::OkCancel) !=
      MbAnswer::Ok)
    return;
  if (dir.empty() || !MakeDir(dir)) prompter().Show("ディレクトリの作成に失敗しました。", MbIcon::Stop);
}

SettingsValues CMailApp::CurrentSettings() const {
  const CUserInfo& u = *user_;
  SettingsValues s;
  s.smtpServer = u.smtpServer;
  s.smtpPort = u.smtpPort;
  s.popServer = u.popServer;
  s.popPort = u.popPort;
  s.fullName = u.fullName;
  s.mailAddress = u.mailAddress;
  s.account = u.account;
  s.mailPassword = u.mailPassword;
  s.leaveOnServer = u.leaveOnServer != 0;
  s.popAuth = popAuth;
  s.checkInterval = u.checkInterval;
  s.serverTimeout = u.serverTimeout;
  s.headerListMode = u.headerListMode != 0;
  s.animation = profile().Animation(u.userId);
  s.mailDir = u.mailDir;
  s.runtimeDir = profile().RuntimeDir(kRuntimeDirUnset);
  s.saveLogon = u.keepLogon == 0;
  s.defaultPage = u.defaultPage;
  s.receiptText = u.receiptText;
  s.quoteHeader = profile().QuoteHeader(u.userId);
  s.htmlMode = u.htmlMode;
  return s;
}

void CMailApp::ApplySettings(const SettingsValues& s, EventLoop* loop, TimerTarget* mainFrame) {
  if (loop && mainFrame) loop->KillTimer(mainFrame, TIMER_AUTOCHECK);
  EnsureMailDirectory(s.mailDir);

  CUserInfo& u = *user_;
  u.smtpServer = s.smtpServer;
  u.smtpPort = s.smtpPort;
  u.popServer = s.popServer;
  u.popPort = s.popPort;
  u.fullName = s.fullName;
  u.mailAddress = s.mailAddress;
  u.account = s.account;
  u.mailPassword = s.mailPassword;
  u.leaveOnServer = s.leaveOnServer ? 1 : 0;
  popAuth = s.popAuth;
  u.checkInterval = s.checkInterval;
  u.serverTimeout = s.serverTimeout;
  u.headerListMode = s.headerListMode ? 1 : 0;
  u.mailDir = s.mailDir;
  runtimeDir = s.runtimeDir;
  u.keepLogon = s.saveLogon ? 0 : 1;
  u.defaultPage = s.defaultPage;
  u.receiptText = s.receiptText;
  u.htmlMode = s.htmlMode;
  u.headerListPending = 0;

  profile().SetRuntimeDir(runtimeDir);
  profile().SetQuoteHeader(u.userId, s.quoteHeader);
  profile().SetAnimation(u.userId, s.animation);

  if (loop && mainFrame && u.checkInterval != 0)
    loop->SetTimer(mainFrame, TIMER_AUTOCHECK, int64_t{u.checkInterval} * 60000);
}

bool CMailApp::SaveUserRecord() {
  CUserInfo& u = *user_;
  if (u.logonDir.empty() || u.userId.empty()) return true;
  const std::string idPath = IdFilePath(u.logonDir, u.userId);
  if (SaveIdFile(idPath, u, idFile_) != IdSave::Failed) {
    // What the journal listed is in the index now, unless a receive is
    // still fetching more.
    if (transferIdle) journal().Clear();
    return true;
  }
  prompter().Show("ユーザーＩＤファイル " + idPath +
                      " を書き込めませんでした（ディスクの空きが足りない可能性があります）。終了するときにもう一度書き込みます。",
                  MbIcon::Exclamation);
  return false;
}

void CMailApp::ExitInstance() {
  // 1. Another start may now become the running instance.
  guard_.Release();
  CUserInfo& u = *user_;
  // 2. No logon, nothing to write.
  if (u.logonDir.empty()) {
    user_ = std::make_unique<CUserInfo>();
    storeLock_.Release();
    return;
  }
  // 3.
  if (runtimeDir.empty()) runtimeDir = u.logonDir;
  const std::string idPath = IdFilePath(runtimeDir, u.userId);
  const bool moved = !SamePath(u.logonDir, runtimeDir);
  // 5 (before 4). Write the record where it now belongs (when it changed).
  // The old copy is removed only once the new one is safely on disk.
  IdFileState state = moved ? IdFileState{} : idFile_;
  const IdSave saved = SaveIdFile(idPath, u, state);
  const bool written = saved != IdSave::Failed;
  exitWriteFailed_ = !written;
  if (!written)
    prompter().Show("ユーザーＩＤファイル " + idPath + " を書き込めませんでした。変更は保存されていません。",
                    MbIcon::Stop);
  else
    journal().Clear();
  // 4. The run-time directory moved: the ID file of the logon directory goes.
  if (written && moved) {
    std::string old = IdFilePath(u.logonDir, u.userId);
    if (!RemoveFile(old)) ReportNotDeleted(prompter(), old);
    RemoveFile(IdSumFile(old));
  }
  // 6. "past.fnl" remembers the logon, or is removed.
  const std::string past = JoinPath(u.logonDir, "past.fnl");
  if (u.keepLogon == 1) {
    if (!RemoveFile(past)) ReportNotDeleted(prompter(), past);
  } else if (saved != IdSave::Unchanged || !FileExists(past)) {
    SaveRecordFile(past, u);
  }
  // 7.
  user_ = std::make_unique<CUserInfo>();
  idFile_ = IdFileState{};
  storeLock_.Release();
}

}  // namespace fennel
