// The logon dialog: user name, password and the choice to create a new
// user. The window layer shows the fields and calls OnInitDialog / OnOK.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "config/id_file.h"
#include "config/mail_app.h"

namespace fennel {

// What the logon needs from the window layer besides message boxes.
class LogonHost {
 public:
  virtual ~LogonHost() = default;
  // The run-time directory dialog, modal.
  virtual void RunRuntimeDirDialog() = 0;
  // The setup wizard for a new user: the values on Finish, nullopt on Cancel.
  virtual std::optional<WizardValues> RunSetupWizard(const WizardValues& start, const std::string& completionText) = 0;
};

class CLogonDialog {
 public:
  enum class Result { StayOpen, Ok };

  static constexpr const char* kCaption = "ユーザー名，パスワードを入力してください。";
  static constexpr const char* kNewUserLabel = "新しいユーザーを作成する";

  CLogonDialog(CMailApp& app, LogonHost& host) : app_(app), host_(host) {}

  // Pre-fills the user name from "past.fnl" of the logon directory.
  void OnInitDialog();
  Result OnOK();

  std::string userName;  // control 1001
  std::string password;  // control 1000, masked
  bool createNewUser = false;

 private:
  // Creates the ID file of a new user; false when the user cancelled or it failed.
  bool CreateUser(const std::string& dir);
  // A damaged ID file (or one the program did not write): the user may go
  // on from the previous generation, or (when it reads) from the file as it
  // is. False when the logon does not go on.
  bool ChooseGeneration(const std::string& idPath, IdLoad load, std::unique_ptr<CUserInfo>& record,
                        IdFileState& state);
  // Steps 3-10 with the user's store locked.
  Result LogOn(const std::string& dir, const std::string& profileDir);

  CMailApp& app_;
  LogonHost& host_;
};

}  // namespace fennel
