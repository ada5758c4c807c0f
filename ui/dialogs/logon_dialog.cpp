#include "ui/dialogs/logon_dialog.h"

#include "config/id_file.h"
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

std::string PreviousOfferText(const std::string& idPath) {
  return "ユーザーＩＤファイル " + idPath + " が壊れています。前回保存したユーザーＩＤファイル " +
         PreviousIdFile(idPath) + " を使いますか。\r\n（壊れたファイルは " + DamagedIdFile(idPath) +
         " として残します。前回の保存より後の変更は失われます。）";
}
const char* kWrongPassword = "ﾊﾟｽﾜｰﾄﾞが正しくありません。";
const char* kIdFileNotCreated = "ユーザーＩＤファイルを作成できませんでした。";

std::string IdFileChangedText(const std::string& idPath, bool havePrevious) {
  std::string text = "ユーザーＩＤファイル " + idPath +
                     " の内容が、前回保存したときと違います（壊れているか、ほかの場所からコピーしたファイルです）。";
  if (havePrevious)
    return text + "\r\nこのファイルをそのまま使う場合は［はい］、前回保存したファイル " + PreviousIdFile(idPath) +
           " を使う場合は［いいえ］、ログオンしない場合は［キャンセル］を押してください。";
  return text + "\r\nこのファイルをそのまま使いますか。";
}

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
  IdFileState fresh;
  if (SaveIdFile(CMailApp::IdFilePath(dir, userName), u, fresh) == IdSave::Failed) {
    app_.prompter().Show(kIdFileNotCreated, MbIcon::Stop);
    return false;
  }
  return true;
}

bool CLogonDialog::ChooseGeneration(const std::string& idPath, IdLoad load, std::unique_ptr<CUserInfo>& record,
                                    IdFileState& state) {
  auto previous = std::make_unique<CUserInfo>();
  const bool havePrevious = LoadIdFile(idPath, true, *previous, &app_.prompter(), &state.previous) == IdLoad::Ok;
  const std::string typed = ScramblePassword(password);
  if (load == IdLoad::SumMismatch && record->scrambledPassword != typed) {
    // Its password is not the one typed. When the previous generation's
    // is, the bytes of the password changed: damage, not a wrong password.
    if (havePrevious && previous->scrambledPassword == typed) {
      if (app_.prompter().Show(PreviousOfferText(idPath), MbIcon::Stop, MbButtons::YesNo) != MbAnswer::Yes)
        return false;
    } else {
      app_.prompter().Show(std::string(kWrongPassword) + "\r\n（ユーザーＩＤファイル " + idPath +
                               " の内容も前回保存したときと違います。壊れている可能性があります。）",
                           MbIcon::Stop);
      return false;
    }
  } else if (load == IdLoad::SumMismatch) {
    // It reads, but its bytes are not the ones written last: damage inside
    // a text, or a copy brought in from elsewhere. The user knows which.
    const std::string text = IdFileChangedText(idPath, havePrevious);
    const MbAnswer a = app_.prompter().Show(text, MbIcon::Exclamation,
                                            havePrevious ? MbButtons::YesNoCancel : MbButtons::OkCancel);
    if (a == MbAnswer::Cancel || (a == MbAnswer::No && !havePrevious)) return false;
    if (a == MbAnswer::Ok || a == MbAnswer::Yes) {
      state.known = true;  // taken as it is: written over like any good file
      return true;
    }
  } else {
    if (!havePrevious) {
      app_.prompter().Show(kIdFileDamaged, MbIcon::Stop);
      return false;
    }
    if (app_.prompter().Show(PreviousOfferText(idPath), MbIcon::Stop, MbButtons::YesNo) != MbAnswer::Yes) return false;
  }
  record = std::move(previous);
  state.known = true;
  state.damagedOnDisk = true;
  return true;
}

CLogonDialog::Result CLogonDialog::OnOK() {
  // 1-2. The directory of the ID file: the profile's run-time directory,
  // or where the program lives.
  const std::string profileDir = app_.profile().RuntimeDir();
  const std::string dir = app_.LogonDirectory();

  if (userName.empty()) return Result::StayOpen;
  // Another process working on this user's store would write over what
  // this one does (and the other way round).
  switch (app_.LockUserStore(dir, userName)) {
    case FileLock::Result::Locked:
      break;
    case FileLock::Result::Busy:
      app_.prompter().Show(StoreInUseText(userName), MbIcon::Stop);
      return Result::StayOpen;
    case FileLock::Result::Failed:
      break;  // no lock file can be made there: the ID file tells what is wrong
  }
  const Result result = LogOn(dir, profileDir);
  if (result != Result::Ok) app_.UnlockUserStore();
  return result;
}

CLogonDialog::Result CLogonDialog::LogOn(const std::string& dir, const std::string& profileDir) {
  bool newUser = false;
  if (createNewUser) {
    if (!CreateUser(dir)) return Result::StayOpen;
    newUser = true;
  }

  // 5-6. Load the whole record into a fresh one, so that a failed attempt
  // never leaves lists behind in the application's record.
  const std::string idPath = CMailApp::IdFilePath(dir, userName);
  auto record = std::make_unique<CUserInfo>();
  IdFileState idState;
  const IdLoad load = LoadIdFile(idPath, false, *record, &app_.prompter(), &idState.onDisk);
  if (load == IdLoad::CannotOpen) {
    if (app_.prompter().Show(kIdFileMissing, MbIcon::Stop, MbButtons::YesNo) == MbAnswer::Yes)
      host_.RunRuntimeDirDialog();
    return Result::StayOpen;
  }
  if (load == IdLoad::Ok) {
    idState.known = true;
  } else if (!ChooseGeneration(idPath, load, record, idState)) {
    // The damaged file is never written over, and nothing of it is kept.
    app_.ResetUser();
    return Result::StayOpen;
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
  app_.SetUser(std::move(record), idState);
  // Messages a crash or a full disk kept out of the index are filed now.
  app_.FileJournaledMail();
  // 9. A new user is guided through the wizard; Finish or Cancel, the logon ends.
  if (newUser) {
    if (auto values = host_.RunSetupWizard(app_.WizardStartValues(), app_.WizardCompletionText()))
      app_.ApplyWizardFinish(*values);
  }
  return Result::Ok;
}

}  // namespace fennel
