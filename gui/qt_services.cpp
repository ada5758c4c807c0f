#include "gui/qt_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include "gui/qt_text.h"

namespace fennel {

MbAnswer QtPrompter::Show(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(Qs(caption));
  box.setText(Qs(text));
  switch (icon) {
    case MbIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MbIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MbIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MbIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MbIcon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (buttons) {
    case MbButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MbButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MbButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MbButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return MbAnswer::Ok;
    case QMessageBox::Yes: return MbAnswer::Yes;
    case QMessageBox::No: return MbAnswer::No;
    default: return MbAnswer::Cancel;
  }
}

std::optional<std::string> QtFilePicker::PickFolder(const std::string& title, const std::string& start) {
  QString dir = QFileDialog::getExistingDirectory(parent_, Qs(title), Qs(start));
  if (dir.isEmpty()) return std::nullopt;
  return Cp(dir);
}

std::optional<std::string> QtFilePicker::PickFile(bool save, const std::string& defaultName,
                                                  const std::string& defaultExt, const std::string& filter) {
  // "name|patterns|..." into Qt's "name (patterns);;...".
  QStringList parts = Qs(filter).split(u'|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString name = parts[i];
    int paren = name.indexOf(u'(');
    if (paren > 0) name = name.left(paren).trimmed();
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << name + QStringLiteral(" (") + patterns.simplified() + u')';
  }
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(Qs(defaultExt));
  dialog.selectFile(Qs(defaultName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return Cp(dialog.selectedFiles().first());
}

bool QtShell::Open(const std::string& target) {
  QString t = Qs(target);
  QUrl url = t.startsWith(u'/') ? QUrl::fromLocalFile(t) : QUrl(t);
  return QDesktopServices::openUrl(url);
}

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() {
  for (auto& [key, timer] : timers_) delete timer;
}

void QtEventLoop::SetTimer(TimerTarget* target, unsigned id, int64_t periodMs) {
  QTimer*& timer = timers_[{target, id}];
  if (!timer) {
    timer = new QTimer(this);
    QObject::connect(timer, &QTimer::timeout, this, [target, id] { target->OnTimer(id); });
  }
  timer->start(static_cast<int>(std::max<int64_t>(1, periodMs)));
}

void QtEventLoop::KillTimer(TimerTarget* target, unsigned id) {
  auto it = timers_.find({target, id});
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

void QtEventLoop::KillTimers(TimerTarget* target) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == target) {
      it->second->stop();
      it->second->deleteLater();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

void QtEventLoop::WatchFd(int fd, int events, IoCallback callback) {
  UnwatchFd(fd);
  Watch& w = watches_[fd];
  if (events & kReadable) {
    w.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(w.read.get(), &QSocketNotifier::activated, this, [callback] { callback(kReadable); });
  }
  if (events & kWritable) {
    w.write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(w.write.get(), &QSocketNotifier::activated, this, [callback] { callback(kWritable); });
  }
}

void QtEventLoop::UnwatchFd(int fd) {
  auto it = watches_.find(fd);
  if (it == watches_.end()) return;
  // The notifier may be the one whose signal is being delivered right now.
  for (auto* n : {&it->second.read, &it->second.write}) {
    if (!*n) continue;
    (*n)->setEnabled(false);
    n->release()->deleteLater();
  }
  watches_.erase(it);
}

void QtEventLoop::Post(std::function<void()> fn) { QTimer::singleShot(0, this, std::move(fn)); }

bool QtEventLoop::Wait(const std::function<bool()>& done, int64_t timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    int64_t left = timeoutMs - timer.elapsed();
    if (left <= 0) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, static_cast<int>(std::min<int64_t>(left, 50)));
  }
  return true;
}

}  // namespace fennel
