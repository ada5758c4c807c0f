// The main frame: the program's top window with its menus and status bar.
// Holds the command table, the enable rules and the commands' logic; the
// window layer draws it.
#pragma once

#include <string>
#include <vector>

#include "config/mail_app.h"
#include "platform/prompter.h"
#include "platform/window.h"
#include "transport/receive_driver.h"
#include "transport/send_driver.h"
#include "ui/mailbox/maintenance.h"

namespace fennel {

// Command ids of the menus.
enum : unsigned {
  ID_FILE_NEW_MAIL = 32771,
  ID_FILE_OPEN_MAILBOX = 32772,
  ID_RECEIVE = 32776,
  ID_RECEIVE_LIST = 32825,
  ID_SEND_UNSENT = 32804,
  ID_MAIL_SETTINGS = 32773,
  ID_MAIL_WIZARD = 32806,
  ID_SUPPORT_PAGE = 32807,
  ID_ONLINE_HELP = 32808,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
};

struct MenuItem {
  unsigned id;           // 0 = separator
  const char* text;      // CP932, "&" marks the access key
  const char* shortcut;  // e.g. "Ctrl+N", or empty
};

struct Menu {
  const char* title;
  std::vector<MenuItem> items;
};

// What the main frame asks of the window layer.
class MainFrameHost {
 public:
  virtual ~MainFrameHost() = default;
  // Restores a minimised main window and brings it to the front.
  virtual void RaiseMainWindow() = 0;
  virtual void OpenComposeWindow() = 0;
  // The mailbox window: activated when open, else opened. Hosts without
  // one (the command line) say so.
  virtual bool CanOpenMailbox() const { return false; }
  virtual void OpenMailbox() {}
  virtual void ShowAbout() = 0;
  virtual void CloseMainWindow() = 0;
};

// What the main frame remembers between runs.
struct FrameLayout {
  bool toolBar = true;
  bool statusBar = true;
  int width = 0;  // 0: the window system's choice
  int height = 0;
};

class CMainFrame : public Window {
 public:
  static constexpr const char* kTitle = "Fennel";
  static constexpr const char* kReady = "レディ";

  CMainFrame(CMailApp& app, Shell& shell, MainFrameHost& host) : app_(app), shell_(shell), host_(host) {}

  // Receiving, when the window layer provides it.
  void SetReceiveDriver(CReceiveDriver* driver) { receive_ = driver; }
  // Sending, likewise.
  void SetSendDriver(CSendDriver* driver) { send_ = driver; }
  // The maintenance menu, likewise.
  void SetMaintenance(CMaintenance* maintenance) { maintenance_ = maintenance; }

  static const std::vector<Menu>& Menus();
  // At creation: bars and size from the profile and the record; the
  // POP-authentication flag of the application from the profile.
  FrameLayout OnCreate();
  // At close: the same written back.
  void OnClose(const FrameLayout& layout);
  bool IsEnabled(unsigned id) const;
  void OnCommand(unsigned id);
  // WM_OPEN_PARAMETER from a second instance.
  intptr_t SendMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

 private:
  void OnOnlineHelp();

  CMailApp& app_;
  Shell& shell_;
  MainFrameHost& host_;
  CReceiveDriver* receive_ = nullptr;
  CSendDriver* send_ = nullptr;
  CMaintenance* maintenance_ = nullptr;
};

}  // namespace fennel
