#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "gui/artwork.h"
#include "gui/qt_text.h"
#include "gui/splash.h"

namespace fennel {

MainWindow::MainWindow(CMailApp& app, QWidget* parent)
    : QMainWindow(parent), app_(app), frame_(app, shell_, *this) {
  setObjectName(QStringLiteral("mainFrame"));
  setWindowTitle(Qs(CMainFrame::kTitle));
  setWindowIcon(AppIcon());
  mdi_ = new QMdiArea;
  mdi_->setObjectName(QStringLiteral("mdiArea"));
  setCentralWidget(mdi_);
  toolBar_ = addToolBar(QStringLiteral("toolbar"));
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setMovable(false);
  BuildMenus();
  auto* ready = new QLabel(Qs(CMainFrame::kReady));
  ready->setObjectName(QStringLiteral("statusText"));
  statusBar()->addWidget(ready, 1);

  FrameLayout layout = frame_.OnCreate();
  toolBar_->setVisible(layout.toolBar);
  statusBar()->setVisible(layout.statusBar);
  if (layout.width > 0 && layout.height > 0)
    resize(layout.width, layout.height);
  else
    resize(1000, 700);
}

void MainWindow::BuildMenus() {
  for (const Menu& m : CMainFrame::Menus()) {
    QMenu* menu = menuBar()->addMenu(Qs(m.title));
    for (const MenuItem& item : m.items) {
      if (item.id == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(Qs(item.text));
      a->setObjectName(QStringLiteral("command%1").arg(item.id));
      if (*item.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
      const unsigned id = item.id;
      connect(a, &QAction::triggered, this, [this, id] { frame_.OnCommand(id); });
      actions_[id] = a;
    }
  }
  for (unsigned id : {ID_FILE_NEW_MAIL, ID_FILE_OPEN_MAILBOX, ID_MAIL_SETTINGS}) toolBar_->addAction(actions_[id]);
  UpdateActions();
}

void MainWindow::UpdateActions() {
  for (auto& [id, a] : actions_) a->setEnabled(frame_.IsEnabled(id));
}

QAction* MainWindow::action(unsigned id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::ShowSplash() { SplashWindow::ShowOver(this); }

void MainWindow::RaiseMainWindow() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void MainWindow::OpenComposeWindow() {}

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  box.setWindowTitle(Qs("ﾊﾞｰｼﾞｮﾝ情報"));
  box.setIconPixmap(AppIcon().pixmap(64, 64));
  box.setText(Qs("Fennel バージョン 0.4\r\n日本語の電子メールソフト"));
  box.exec();
}

void MainWindow::CloseMainWindow() { close(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    FrameLayout layout;
    layout.toolBar = toolBar_->isVisible();
    layout.statusBar = statusBar()->isVisible();
    layout.width = width();
    layout.height = height();
    frame_.OnClose(layout);
  }
  event->accept();
}

}  // namespace fennel
