// The main frame window: an MDI frame with the menus, tool bar and status
// bar of the main frame presenter.
#pragma once

#include <QMainWindow>
#include <map>

#include "gui/qt_services.h"
#include "ui/mailbox/main_frame.h"

class QAction;
class QMdiArea;
class QToolBar;

namespace fennel {

class MainWindow : public QMainWindow, public MainFrameHost {
 public:
  explicit MainWindow(CMailApp& app, QWidget* parent = nullptr);

  CMainFrame& frame() { return frame_; }
  QAction* action(unsigned id) const;
  // Shows the splash over this window.
  void ShowSplash();

  void RaiseMainWindow() override;
  void OpenComposeWindow() override;
  void ShowAbout() override;
  void CloseMainWindow() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void UpdateActions();

  CMailApp& app_;
  QtShell shell_;
  CMainFrame frame_;
  QMdiArea* mdi_;
  QToolBar* toolBar_;
  std::map<unsigned, QAction*> actions_;
  bool closed_ = false;
};

}  // namespace fennel
