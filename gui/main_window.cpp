#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>
#include <QStatusBar>
#include <QToolBar>

#include "gui/artwork.h"
#include "gui/mailbox_window.h"
#include "gui/server_list_window.h"
#include "gui/qt_text.h"
#include "gui/splash.h"

namespace fennel {

// A mail presenter and what it asks of its window.
class MainWindow::EditorSlot : public EditorHost {
 public:
  EditorSlot(MainWindow& owner, CMailApp& app, EventLoop& loop)
      : owner_(owner), editor(app, loop, *owner.send_, *this) {}
  void CloseEditor() override {
    // Not at once: the presenter is still on the stack.
    QTimer::singleShot(0, &owner_, [o = &owner_, self = this] {
      std::erase_if(o->editors_, [self](const auto& e) { return e.get() == self; });
    });
  }
  void RefreshMailboxes() override { owner_.RefreshViews(); }
  AnimationView* animationView() override { return &owner_.animationView_; }

 private:
  MainWindow& owner_;

 public:
  CMailEditor editor;
};

void MainWindow::OpenProgress(const std::string& text, int range) { phase_.Open(text, range); }
bool MainWindow::StepProgress() { return phase_.Step(); }
void MainWindow::CloseProgress() { phase_.Close(); }

Window* MainWindow::OpenStoredMail(const std::string& path) {
  if (!loop_ || !send_) return nullptr;
  auto slot = std::make_unique<EditorSlot>(*this, app_, *loop_);
  if (!slot->editor.OpenComposed(path)) return nullptr;
  editors_.push_back(std::move(slot));
  return &editors_.back()->editor;
}

MainWindow::MainWindow(CMailApp& app, EventLoop* loop, QWidget* parent)
    : QMainWindow(parent), app_(app), frame_(app, shell_, *this) {
  if (loop) {
    animation_ = std::make_unique<AnimationWindow>(*loop, app.prompter(), &animationView_);
    receive_ = std::make_unique<CReceiveDriver>(app, *loop, *this, *animation_);
    frame_.SetReceiveDriver(receive_.get());
    send_ = std::make_unique<CSendDriver>(app, *receive_, *this);
    frame_.SetSendDriver(send_.get());
    loop_ = loop;
  }
  picker_.setParent(this);
  maintenance_ = std::make_unique<CMaintenance>(app, picker_, *this);
  frame_.SetMaintenance(maintenance_.get());
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
  status_ = new QLabel(Qs(CMainFrame::kReady));
  status_->setObjectName(QStringLiteral("statusText"));
  statusBar()->addWidget(status_, 1);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 10);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setMaximumWidth(200);
  statusBar()->addPermanentWidget(progress_);
  // The enable rules follow the state of the transfer when it changes, and
  // are asked again whenever a menu opens; nothing polls.
  app_.transferIdle.onChange = [this] { UpdateActions(); };
  if (receive_) receive_->OnCreate();

  FrameLayout layout = frame_.OnCreate();
  toolBar_->setVisible(layout.toolBar);
  statusBar()->setVisible(layout.statusBar);
  if (layout.width > 0 && layout.height > 0)
    resize(layout.width, layout.height);
  else
    resize(1000, 700);
}

MainWindow::~MainWindow() {
  app_.transferIdle.onChange = nullptr;
  // The drivers and the animation go before the window they report to.
  phase_.Close();
  delete mailboxFrame_;  // its presenters use the drivers' store
  editors_.clear();
  maintenance_.reset();
  send_.reset();
  receive_.reset();
  animation_.reset();
}

void MainWindow::SetStatusText(const std::string& text) {
  status_->setText(text.empty() ? Qs(CMainFrame::kReady) : Qs(text));
}

void MainWindow::SetProgressRange(int max) { progress_->setRange(0, std::max(1, max)); }

void MainWindow::SetProgressPos(int pos) { progress_->setValue(std::min(pos, progress_->maximum())); }

bool MainWindow::RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) {
  ServerListWindow dlg(entries, app_.prompter(), this);
  return dlg.exec() == QDialog::Accepted;
}

AnimationLabel::~AnimationLabel() { Close(); }

void AnimationLabel::Open(int mode) {
  Close();
  label_ = new QLabel(owner_, Qt::Tool | Qt::FramelessWindowHint);
  label_->setObjectName(QStringLiteral("animation"));
  label_->setFixedSize(120, 60);
  label_->setAlignment(Qt::AlignCenter);
  QRect area = owner_->frameGeometry();
  label_->move(area.center() - label_->rect().center());
  label_->setProperty("mode", mode);
  label_->show();
}

void AnimationLabel::ShowFrame(int frame) {
  if (!label_) return;
  // An envelope moving across: left to right while sending, back while receiving.
  QPixmap pm(120, 60);
  pm.fill(QColor(236, 244, 232));
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  int step = frame <= 30 ? frame : 61 - frame;
  int x = 10 + step * 3;
  p.setPen(QPen(QColor(40, 70, 40), 1.5));
  p.setBrush(QColor(250, 250, 240));
  p.drawRect(x, 18, 24, 16);
  p.drawLine(x, 18, x + 12, 27);
  p.drawLine(x + 24, 18, x + 12, 27);
  p.setPen(QColor(90, 120, 90));
  p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
  label_->setPixmap(pm);
}

void AnimationLabel::Close() {
  if (label_) label_->deleteLater();
  label_ = nullptr;
}

void MainWindow::BuildMenus() {
  for (const Menu& m : CMainFrame::Menus()) {
    QMenu* menu = menuBar()->addMenu(Qs(m.title));
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
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

MailboxWindow* MainWindow::mailbox() const {
  return mailboxFrame_ ? static_cast<MailboxWindow*>(mailboxFrame_->widget()) : nullptr;
}

void MainWindow::OpenMailbox() {
  if (!mailboxFrame_) {
    auto* box = new MailboxWindow(app_, loop_, receive_.get());
    mailboxFrame_ = mdi_->addSubWindow(box);
    mailboxFrame_->setObjectName(QStringLiteral("mailboxFrame"));
    mailboxFrame_->setWindowTitle(box->windowTitle().isEmpty() ? Qs("メールボックス") : box->windowTitle());
    connect(box, &QWidget::windowTitleChanged, mailboxFrame_, &QWidget::setWindowTitle);
    connect(mailboxFrame_, &QObject::destroyed, this, [this] { mailboxFrame_ = nullptr; });
    mailboxFrame_->setAttribute(Qt::WA_DeleteOnClose);
    mailboxFrame_->resize(box->size());
  }
  mailboxFrame_->show();
  mdi_->setActiveSubWindow(mailboxFrame_);
}

void MainWindow::RefreshViews() {
  UpdateActions();
  if (MailboxWindow* box = mailbox()) box->doc().FullRefresh(nullptr);
}

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
    // The mailbox window keeps its size and column widths for next time.
    if (mailboxFrame_) mailboxFrame_->close();
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
