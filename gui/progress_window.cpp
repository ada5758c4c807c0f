#include "gui/progress_window.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "gui/qt_text.h"

namespace fennel {

void ProgressWindow::Open(const std::string& text, int range) {
  Close();
  dialog_ = new QProgressDialog(Qs(text), Qs("ｷｬﾝｾﾙ"), 0, std::max(range, 1), owner_);
  dialog_->setObjectName(objectName_);
  dialog_->setWindowModality(Qt::WindowModal);  // the owner waits meanwhile
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setValue(0);
  dialog_->show();
  sinceEvents_.invalidate();
}

bool ProgressWindow::Step() {
  if (!dialog_) return false;
  dialog_->setValue(std::min(dialog_->value() + 1, dialog_->maximum()));
  if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= 30) {
    QCoreApplication::processEvents();
    sinceEvents_.restart();
  }
  return dialog_->wasCanceled();
}

void ProgressWindow::Close() {
  delete dialog_;
  dialog_ = nullptr;
}

}  // namespace fennel
