// The application object: owns the logged-in user's record from logon to
// exit, the single-instance guard, the run-time directory and the flags the
// transport shares. Start-up, hand-off, the wizard and settings commands
// and shut-down live here; the dialogs that drive them are in ui/.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/id_file.h"
#include "config/profile_keys.h"
#include "config/user_info.h"
#include "platform/event_loop.h"
#include "platform/file_lock.h"
#include "platform/prompter.h"
#include "platform/single_instance.h"
#include "store/common_detail.h"
#include "store/receive_journal.h"

namespace fennel {

// The product's start page (also the support page).
inline constexpr const char* kDefaultStartPage = "https://fennel-mail.example/";
// The help page, below the logon directory.
inline constexpr const char* kHelpPage = "/FennelHP/index.htm";
inline constexpr const char* kReceiptReplyText = "確かに受信しました。";
// Another process has the user's store open.
std::string StoreInUseText(const std::string& userId);

// The six fields the setup wizard edits.
struct WizardValues {
  std::string fullName;
  std::string mailAddress;
  std::string popServer;
  std::string smtpServer;
  std::string account;
  std::string mailPassword;
};

// What the settings sheet hands back on OK.
struct SettingsValues {
  std::string smtpServer;
  int32_t smtpPort = 25;
  std::string popServer;
  int32_t popPort = 110;
  std::string fullName;
  std::string mailAddress;
  std::string account;
  std::string mailPassword;
  bool leaveOnServer = true;
  bool popAuth = false;
  int32_t checkInterval = 0;
  int32_t serverTimeout = 1;
  bool headerListMode = false;
  bool animation = true;
  std::string mailDir;
  std::string runtimeDir;
  bool saveLogon = true;
  std::string defaultPage;
  std::string receiptText;
  std::string quoteHeader;
  int32_t htmlMode = 0;
};

// A flag whose changes are told to whoever listens (the window layer's
// enable rules), so nothing has to poll it.
class ObservedFlag {
 public:
  explicit ObservedFlag(bool value) : value_(value) {}
  ObservedFlag(const ObservedFlag&) = delete;
  ObservedFlag& operator=(const ObservedFlag&) = delete;
  ObservedFlag& operator=(bool value) {
    if (value == value_) return *this;
    value_ = value;
    if (onChange) onChange();
    return *this;
  }
  operator bool() const { return value_; }
  std::function<void()> onChange;

 private:
  bool value_;
};

class CMailApp {
 public:
  struct Services {
    const Profile& profile;
    Prompter& prompter;
    // The directory that stands for "where the executable is": the user ID
    // files and "past.fnl" live there unless the profile names another.
    std::string appDir;
  };

  enum class StartResult { Owner, HandedOver, GuardFailed };

  explicit CMailApp(Services services);
  ~CMailApp();

  // Start-up steps 1-4: records the command-line parameter, creates the
  // empty user record and takes the single-instance guard. HandedOver: a
  // running instance was told (WM_OPEN_PARAMETER) and this one must end.
  // The guard lives next to the profile (guardDir).
  StartResult Start(const std::string& fileArgument, const std::string& guardDir);
  // The guard alone, for front ends that hand nothing over (the command line).
  SingleInstanceGuard::Result AcquireGuard(const std::string& guardDir) { return guard_.Acquire(guardDir); }
  // Step 6: the socket layer. Shows the failure and returns false when the
  // system gives no sockets.
  bool InitSocketLayer();
  // Step 9: the main window exists; returns the socket on which a second
  // instance's messages arrive (-1 when none).
  int PublishMainWindow();
  // Messages that arrived from a second instance: how many asked to open.
  int TakeOpenParameterMessages() { return guard_.TakeOpenParameterMessages(); }

  // WM_OPEN_PARAMETER: takes over a changed parameter from the profile.
  // True when a compose window should open for it.
  bool HandOff();

  // "where the executable is" or the profile's run-time directory.
  std::string LogonDirectory() const;
  // The ID file of a user: directory + "/" + user name + ".id".
  static std::string IdFilePath(const std::string& dir, const std::string& userName);

  // One process at a time works on a user's store, whichever profile it
  // started from: a lock beside the ID file, held until exit.
  FileLock::Result LockUserStore(const std::string& dir, const std::string& userName);
  void UnlockUserStore() { storeLock_.Release(); }

  // Wizard (command 32806 and the new user's wizard).
  WizardValues WizardStartValues() const;
  std::string WizardCompletionText() const;
  void ApplyWizardFinish(const WizardValues& values);
  // Asks whether to create a missing mail directory and creates it.
  void EnsureMailDirectory(const std::string& dir);

  // Settings command (32773) on OK. The main frame's automatic-check timer
  // is stopped and, when an interval is set, started again.
  void ApplySettings(const SettingsValues& values, EventLoop* loop, TimerTarget* mainFrame);
  SettingsValues CurrentSettings() const;

  // Shut-down: writes the record back (when a logon took place) and frees it.
  void ExitInstance();

  // Writes the record to the ID file it was loaded from, at once (after mail
  // was filed, stored or sent), so a crash cannot lose the index. Nothing
  // is written when nothing changed. Shows a box and returns false when the
  // file cannot be written; true without a logon (nothing to write).
  bool SaveUserRecord();
  // Whether the last write of the ID file at exit failed.
  bool exitWriteFailed() const { return exitWriteFailed_; }

  // The journal of received files not in the ID file yet (see
  // ReceiveJournal); it keeps nothing before a logon.
  ReceiveJournal& journal();
  // At logon: files the received messages that a crash or a full disk kept
  // out of the index. Returns how many were filed.
  int FileJournaledMail();

  CUserInfo& user() { return *user_; }
  const CUserInfo& user() const { return *user_; }
  // Replaces the user record by an empty one.
  void ResetUser() { user_ = std::make_unique<CUserInfo>(); }
  void SetUser(std::unique_ptr<CUserInfo> user, const IdFileState& idFile = {}) {
    user_ = std::move(user);
    idFile_ = idFile;
  }
  const IdFileState& idFileState() const { return idFile_; }

  const Services& services() const { return services_; }
  Prompter& prompter() { return services_.prompter; }
  AppProfile profile() const { return AppProfile(services_.profile); }

  std::string runtimeDir;            // empty when the profile names none
  std::string commandLineParameter;
  bool popAuth = false;
  // Clear while a POP3 or SMTP session runs.
  ObservedFlag transferIdle{true};
  bool autoCheck = false;
  bool batchSend = false;
  // The length of a minute of the server time-out (tests shorten it).
  int64_t timeoutMinuteMs = 60000;
  int progressTotal = 0;  // messages of the running receive
  int progressPos = 0;
  // The server mail list of header-list receiving; it exists from a list
  // run until the receive that follows it (or a plain receive) deletes it.
  std::vector<std::unique_ptr<CCommonDetail>> pendingServerList;
  bool serverListExists = false;

 private:
  Services services_;
  std::unique_ptr<CUserInfo> user_;
  IdFileState idFile_;
  SingleInstanceGuard guard_;
  FileLock storeLock_;
  std::unique_ptr<ReceiveJournal> journal_;
  bool exitWriteFailed_ = false;
};

}  // namespace fennel
