// The start-up dialogs: logon, run-time directory and the stand-in of the
// setup wizard. Each draws its presenter and forwards the buttons to it.
#pragma once

#include <QDialog>

#include "gui/qt_services.h"
#include "ui/dialogs/logon_dialog.h"
#include "ui/dialogs/runtime_dir_dialog.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace fennel {

class RuntimeDirWindow : public QDialog {
 public:
  RuntimeDirWindow(const Profile& profile, QWidget* parent = nullptr);
  void accept() override;

 private:
  QtFilePicker picker_;
  CRuntimeDirDialog presenter_;
  QLineEdit* dir_;
};

// Until the wizard pages exist, the new user sees the wizard's last page:
// what will be set, with Finish (OK) and Cancel.
class WizardStandIn : public QDialog {
 public:
  WizardStandIn(const std::string& completionText, QWidget* parent = nullptr);
};

class LogonWindow : public QDialog, public LogonHost {
 public:
  explicit LogonWindow(CMailApp& app, QWidget* parent = nullptr);
  void accept() override;

  void RunRuntimeDirDialog() override;
  std::optional<WizardValues> RunSetupWizard(const WizardValues& start, const std::string& completionText) override;

 private:
  CMailApp& app_;
  CLogonDialog presenter_;
  QLineEdit* user_;
  QLineEdit* password_;
  QCheckBox* newUser_;
};

}  // namespace fennel
