// The progress window of ProgressHost, window-modal over its owner: the
// owner waits, repaints, and the cancel button answers at once.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <string>

class QProgressDialog;
class QWidget;

namespace fennel {

class ProgressWindow {
 public:
  ProgressWindow(QWidget* owner, QString objectName) : owner_(owner), objectName_(std::move(objectName)) {}
  ~ProgressWindow() { Close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Open(const std::string& text, int range);
  // Events are handled at most every 30 ms, so a step costs nearly nothing.
  bool Step();
  void Close();

 private:
  QWidget* owner_;
  QString objectName_;
  QProgressDialog* dialog_ = nullptr;
  QElapsedTimer sinceEvents_;
};

}  // namespace fennel
