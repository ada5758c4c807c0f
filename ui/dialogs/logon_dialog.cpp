#include "ui/dialogs/logon_dialog.h"

#include "config/record_file.h"
#include "config/scramble.h"
#include "platform/clock.h"
#include "platform/fs.h"

namespace fennel {
namespace {

const char* kIdFileMissing =
    "ユーザーＩＤファイルが存在しません。メーラーの実行ファイルの場所が変わっている場合があります。"
    "その設定を見直す場合はＹＥＳ、そうでない場合はＮＯを押してください。";
const char* kIdFileDamaged = "ユーザーＩＤファイルが壊れています。読み込めませんでした。";
const char* kWrongPassword = "ﾊﾟｽﾜｰﾄﾞが正しくありません。";
const char* kIdFileNotCreated = "ユーザーＩＤファイルを作成できませんでした。";

}  // namespace

void CLogonDialog::OnInitDialog() {
  const std::string past = JoinPath(app_.LogonDirectory(), "past.fnl");
  auto record = std::make_unique<CUserInfo>();
  if (LoadRecordFile(past, *record, /*settingsOnly=*/true) == RecordLoad::Ok) {
    userName = record->userId;
    app_.SetUser(std::move(record));
  }
  password.clear();
}

bool CLogonDialog::CreateUser(const std::string& dir) {
  if (app_.prompter().Show("ユーザー「" + userName + "」を新しく作成します。よろしいですか？", MbIcon::Information,
                           MbButtons::OkCancel) != MbAnswer::Ok)
    return false;
  CUserInfo u;
  u.userId = userName;
  u.scrambledPassword = ScramblePassword(password);
  u.createTime = CurrentClock().Now();
  u.fullName = userName;
  u.account = userName;
  u.mailPassword = password;
  u.mailDir = dir.empty() ? std::string() : JoinPath(dir, userName);
  u.smtpPort = 25;
  u.popPort = 110;
  u.leaveOnServer = 1;
  u.headerListMode = 0;
  u.headerListPending = 0;
  // An existing ID file of that name is replaced, store and all.
  if (!SaveRecordFile(CMailApp::IdFilePath(dir, userName), u)) {
    app_.prompter().Show(kIdFileNotCreated, MbIcon::Stop);
    return false;
  }
  return true;
}

CLogonDialog::Result CLogonDialog::OnOK() {
  // 1-2. The directory of the ID file: the profile's run-time directory,
  // or where the program lives.
  const std::string profileDir = app_.profile().RuntimeDir();
  const std::string dir = app_.LogonDirectory();

  bool newUser = false;
  if (createNewUser && !userName.empty()) {
    if (!CreateUser(dir)) return Result::StayOpen;
    newUser = true;
  }
  if (userName.empty()) return Result::StayOpen;

  // 5-6. Load the whole record into a fresh one, so that a failed attempt
  // never leaves lists behind in the application's record.
  auto record = std::make_unique<CUserInfo>();
  switch (LoadRecordFile(CMailApp::IdFilePath(dir, userName), *record, false, &app_.prompter())) {
    case RecordLoad::CannotOpen:
      if (app_.prompter().Show(kIdFileMissing, MbIcon::Stop, MbButtons::YesNo) == MbAnswer::Yes)
        host_.RunRuntimeDirDialog();
      return Result::StayOpen;
    case RecordLoad::Damaged:
      // The file stays as it is; nothing of it is kept or written back.
      app_.prompter().Show(kIdFileDamaged, MbIcon::Stop);
      app_.ResetUser();
      return Result::StayOpen;
    case RecordLoad::Ok:
      break;
  }
  if (profileDir != kProfileNull) app_.runtimeDir = dir;
  // 7.
  record->logonDir = dir;
  // 8.
  if (ScramblePassword(password) != record->scrambledPassword) {
    app_.prompter().Show(kWrongPassword, MbIcon::Stop);
    app_.ResetUser();
    return Result::StayOpen;
  }
  app_.SetUser(std::move(record));
  // 9. A new user is guided through the wizard; Finish or Cancel, the logon ends.
  if (newUser) {
    if (auto values = host_.RunSetupWizard(app_.WizardStartValues(), app_.WizardCompletionText()))
      app_.ApplyWizardFinish(*values);
  }
  return Result::Ok;
}

}  // namespace fennel
