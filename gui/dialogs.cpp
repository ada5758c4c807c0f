#include "gui/dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/artwork.h"
#include "gui/qt_text.h"

namespace fennel {

RuntimeDirWindow::RuntimeDirWindow(const Profile& profile, QWidget* parent)
    : QDialog(parent), presenter_(profile, picker_) {
  setWindowTitle(Qs(CRuntimeDirDialog::kCaption));
  setObjectName(QStringLiteral("runtimeDirDialog"));
  picker_.setParent(this);
  presenter_.OnInitDialog();

  dir_ = new QLineEdit(Qs(presenter_.directory));
  dir_->setObjectName(QStringLiteral("directory"));
  dir_->setReadOnly(true);  // the value shown, or the folder chosen with "..."
  dir_->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("..."));
  browse->setObjectName(QStringLiteral("browse"));
  connect(browse, &QPushButton::clicked, this, [this] {
    presenter_.OnBrowse();
    dir_->setText(Qs(presenter_.directory));
  });
  auto* row = new QHBoxLayout;
  row->addWidget(dir_);
  row->addWidget(browse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

void RuntimeDirWindow::accept() {
  presenter_.OnOK();
  QDialog::accept();
}

WizardStandIn::WizardStandIn(const std::string& completionText, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Qs("メールの設定ｳｲｻﾞｰﾄﾞ"));
  setObjectName(QStringLiteral("wizardStandIn"));
  auto* text = new QPlainTextEdit(Qs(completionText));
  text->setReadOnly(true);
  text->setMinimumSize(520, 200);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(Qs("完了"));
  buttons->button(QDialogButtonBox::Cancel)->setText(Qs("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
}

LogonWindow::LogonWindow(CMailApp& app, QWidget* parent) : QDialog(parent), app_(app), presenter_(app, *this) {
  setWindowTitle(Qs(CLogonDialog::kCaption));
  setObjectName(QStringLiteral("logonDialog"));
  setWindowIcon(AppIcon());
  presenter_.OnInitDialog();

  user_ = new QLineEdit(Qs(presenter_.userName));
  user_->setObjectName(QStringLiteral("userName"));
  password_ = new QLineEdit;
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  newUser_ = new QCheckBox(Qs(CLogonDialog::kNewUserLabel));
  newUser_->setObjectName(QStringLiteral("newUser"));

  auto* form = new QFormLayout;
  form->addRow(Qs("ユーザー名"), user_);
  form->addRow(Qs("パスワード"), password_);
  form->addRow(QString(), newUser_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText(Qs("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(420);
  (presenter_.userName.empty() ? user_ : password_)->setFocus();
}

void LogonWindow::accept() {
  presenter_.userName = Cp(user_->text());
  presenter_.password = Cp(password_->text());
  presenter_.createNewUser = newUser_->isChecked();
  if (presenter_.OnOK() == CLogonDialog::Result::Ok) {
    QDialog::accept();
  } else {
    password_->clear();
  }
}

void LogonWindow::RunRuntimeDirDialog() {
  RuntimeDirWindow dlg(app_.services().profile, this);
  dlg.exec();
}

std::optional<WizardValues> LogonWindow::RunSetupWizard(const WizardValues& start, const std::string& completionText) {
  WizardStandIn dlg(completionText, this);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return start;
}

}  // namespace fennel
