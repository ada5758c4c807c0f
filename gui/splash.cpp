#include "gui/splash.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include "gui/artwork.h"

namespace fennel {

QPointer<SplashWindow> SplashWindow::current_;

SplashWindow::SplashWindow(QWidget* owner)
    : QLabel(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("splash"));
  setAttribute(Qt::WA_DeleteOnClose);
  QPixmap pm = SplashPixmap();
  setPixmap(pm);
  setFixedSize(pm.size());
  QRect area = owner ? owner->frameGeometry() : QRect(QPoint(0, 0), pm.size());
  move(area.center() - rect().center());
  qApp->installEventFilter(this);
  QTimer::singleShot(750, this, &QWidget::close);
}

SplashWindow::~SplashWindow() { qApp->removeEventFilter(this); }

void SplashWindow::ShowOver(QWidget* owner) {
  if (current_) return;
  current_ = new SplashWindow(owner);
  current_->show();
}

SplashWindow* SplashWindow::Current() { return current_.data(); }

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
      QTimer::singleShot(0, this, &QWidget::close);
      break;
    default:
      break;
  }
  return QLabel::eventFilter(watched, event);
}

}  // namespace fennel
