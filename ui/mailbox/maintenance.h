// The maintenance commands of the main frame's "特別(&S)" menu: the
// settings report, backups and restores of the sub-accounts and folders,
// rebuilding the mailbox from the message files of the mail directory, and
// importing .eml files. No current directory is ever changed: every file is
// named by its full path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "ui/progress_host.h"
#include "platform/prompter.h"
#include "store/text_files.h"

namespace fennel {

// Command ids of the menu.
enum : unsigned {
  ID_REBUILD = 32803,
  ID_WRITE_REPORT = 32819,
  ID_BACKUP_SUBACCOUNTS = 32820,
  ID_BACKUP_FOLDERS = 32821,
  ID_RESTORE_SUBACCOUNTS = 32823,
  ID_RESTORE_FOLDERS = 32824,
  ID_IMPORT_EML = 32828,
};

// The progress dialog of one phase, and what else the commands ask of the
// window layer.
class MaintenanceHost : public ProgressHost {
 public:
  // The progress steps once before each file.
  virtual void RaiseMainWindow() = 0;
  virtual void RefreshViews() = 0;
};

// Without a window (the command line, benchmarks): no progress shown, never
// cancelled.
class NullMaintenanceHost : public MaintenanceHost {
 public:
  void OpenProgress(const std::string&, int) override {}
  bool StepProgress() override { return false; }
  void CloseProgress() override {}
  void RaiseMainWindow() override {}
  void RefreshViews() override {}
};

inline constexpr const char* kPhase1Text = "メッセージ取り込み中です(1/2)。しばらくお待ち下さい。";
inline constexpr const char* kPhase2Text = "メッセージ取り込み中です(2/2)。しばらくお待ち下さい。";
inline constexpr const char* kNothingImported = "新たにメッセージは取り込んでいません。";
inline constexpr const char* kImportFailed = "メッセージは取り込みに失敗しました。";
inline constexpr const char* kRebuildQuestion =
    "メールの設定をするダイアログで設定をしたメールディレクトリからメールボックスを作り直しますか？"
    "既読文書として取り込む場合はYES、未読文書として取り込む場合はNO";
inline constexpr const char* kTextFileFilter = "ﾃｷｽﾄﾌｧｲﾙ (*.txt;*.csv)|*.txt; *.csv|全て (*.*)|*.*||";

class CMaintenance {
 public:
  CMaintenance(CMailApp& app, FilePicker& picker, MaintenanceHost& host) : app_(app), picker_(picker), host_(host) {}

  static bool IsCommand(unsigned id);
  bool IsEnabled(unsigned id) const;
  // The menu commands, with their questions and file dialogs.
  void OnCommand(unsigned id);

  // The work itself (also for the command line). Each returns the number
  // of messages filed, or -1 when nothing could be done (a box was shown).
  int Rebuild(int32_t status);
  int ImportEml(const std::string& directory);
  bool WriteReport(const std::string& path);
  bool Backup(TextFileKind kind, const std::string& path);
  // The number of records read, or -1.
  int Restore(TextFileKind kind, const std::string& path);
  // Whether the last Rebuild or ImportEml failed on the way (a copy or the
  // index could not be written), whatever it filed before.
  bool failed() const { return failed_; }

 private:
  void AnnounceCount(int count);
  void AfterFiling(int count);
  std::optional<std::string> PickTextFile(bool save, const char* defaultName);

  CMailApp& app_;
  FilePicker& picker_;
  MaintenanceHost& host_;
  bool failed_ = false;
};

// The files of directory whose names pass the test and which hold more
// than 10 bytes, sorted by name (CP932 names, full paths).
std::vector<std::string> ListMessageFiles(const std::string& directory, bool (*accept)(const std::string& name));
// "メッセージを１通取り込みました。" and "メッセージを%d通取り込みました。".
std::string ImportedCountText(int count);

}  // namespace fennel
