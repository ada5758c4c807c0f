// The main frame window: an MDI frame with the menus, tool bar and status
// bar of the main frame presenter.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "gui/progress_window.h"
#include "gui/qt_services.h"
#include "ui/editor/mail_editor.h"
#include "ui/mailbox/main_frame.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QProgressDialog;
class QToolBar;

namespace fennel {
class MailboxWindow;
}

namespace fennel {

// The transfer animation: a small borderless window over the main frame.
class AnimationLabel : public AnimationView {
 public:
  explicit AnimationLabel(QWidget* owner) : owner_(owner) {}
  ~AnimationLabel() override;
  void Open(int mode) override;
  void ShowFrame(int frame) override;
  void Close() override;

 private:
  QWidget* owner_;
  QLabel* label_ = nullptr;
};

class MainWindow : public QMainWindow,
                   public MainFrameHost,
                   public ReceiveHost,
                   public SendHost,
                   public MaintenanceHost {
 public:
  // Without a loop the window has no receiving (tests of the menus).
  explicit MainWindow(CMailApp& app, EventLoop* loop = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  CMainFrame& frame() { return frame_; }
  QAction* action(unsigned id) const;
  // Shows the splash over this window.
  void ShowSplash();

  void RaiseMainWindow() override;
  void OpenComposeWindow() override;
  bool CanOpenMailbox() const override { return true; }
  void OpenMailbox() override;
  // The mailbox window, when open.
  MailboxWindow* mailbox() const;
  void ShowAbout() override;
  void CloseMainWindow() override;

  // ReceiveHost.
  void ActivateMainWindow() override { RaiseMainWindow(); }
  void SetStatusText(const std::string& text) override;
  void SetProgressRange(int max) override;
  void SetProgressPos(int pos) override;
  bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) override;
  void RefreshViews() override;

  // SendHost: a stored mail of the batch send. Until the mail window is
  // drawn, its presenter works without one (its boxes still show).
  Window* OpenStoredMail(const std::string& path) override;

  // MaintenanceHost: the progress dialog of an import phase.
  void OpenProgress(const std::string& text, int range) override;
  bool StepProgress() override;
  void CloseProgress() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void UpdateActions();

  CMailApp& app_;
  QtShell shell_;
  QtFilePicker picker_;
  CMainFrame frame_;
  QMdiArea* mdi_;
  QMdiSubWindow* mailboxFrame_ = nullptr;
  QToolBar* toolBar_;
  QLabel* status_;
  QProgressBar* progress_;
  AnimationLabel animationView_{this};
  std::unique_ptr<AnimationWindow> animation_;
  std::unique_ptr<CReceiveDriver> receive_;
  std::unique_ptr<CSendDriver> send_;
  std::unique_ptr<CMaintenance> maintenance_;
  ProgressWindow phase_{this, QStringLiteral("importProgress")};
  class EditorSlot;
  std::vector<std::unique_ptr<EditorSlot>> editors_;
  EventLoop* loop_ = nullptr;
  std::map<unsigned, QAction*> actions_;
  bool closed_ = false;
};

}  // namespace fennel
