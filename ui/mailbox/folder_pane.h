// The folder pane of the mailbox window: the rows of the folders with their
// counts and images, the refill and recount rules, clicks and keys, the
// folder commands (add, delete, properties, search) with their texts, and
// the dropping of mails onto folders. Toolkit-free: the window layer draws
// the rows and forwards the events.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "ui/mailbox/mailbox_doc.h"
#include "ui/progress_host.h"

namespace fennel {

// One row: a copy of a store folder's fields with the display fields.
struct FolderRow {
  std::string name;
  int mailCount = 0;
  int image = 0;  // see CFolderPane::ImageIndex
  std::string sortText;
  std::string parent;
  int unread = 0;
  int32_t sortCondition = 0;
  int32_t threadView = 0;
  int32_t expanded = 0;
  int childrenUnread = 0;
  int32_t listSortKey = 0;  // 1000 for a thread folder

  bool selected() const { return image & 1; }
  bool hasChildren() const { return image & 2; }
  bool isChild() const { return !parent.empty(); }
  // Drawn in red: unread mail here or in a child.
  bool red() const { return unread > 0 || childrenUnread > 0; }
};

// The values of the folder properties dialog.
struct FolderValues {
  std::string name;
  int32_t sortCondition = 0;
  int32_t threadView = 0;
  std::string sortText;
  std::string parent;
  bool applyNow = false;
  bool operator==(const FolderValues&) const = default;
};

// What the folder pane asks of the window layer.
// The progress window steps once per mail a search looks at.
class FolderPaneHost : public ProgressHost {
 public:
  // The folder properties dialog, modal: the values on OK, nullopt on
  // Cancel. nameFixed: the name may not be changed (a special folder, or one
  // with children).
  virtual std::optional<FolderValues> RunFolderProperties(const FolderValues& start, bool nameFixed) = 0;
  // The caption of the mailbox window.
  virtual void SetTitle(const std::string& title) = 0;
};

inline constexpr const char* kAddFolderFailed = "フォルダの追加に失敗しました。同一名のフォルダは追加できません。";
inline constexpr const char* kChangeFolderFailed = "フォルダの変更に失敗しました。同一名のフォルダへの追加できません。";
inline constexpr const char* kApplyNowStart = "受信フォルダより即座に反映させます";
inline constexpr const char* kApplyNowEnd = "反映終了";
inline constexpr const char* kSearchBusy = "メールを受信中か送信中です。しばらくしてからやり直してください。";
inline constexpr const char* kSearchStart =
    "検索を開始します。本文検索の場合は、長時間が予想され、画面が固まったようになりますが、エラーではありません。"
    "検索が完了しますと、元の画面に戻ります。";
inline constexpr const char* kSearchProgress = "検索中です。しばらくお待ち下さい。";
inline constexpr const char* kSearchEnd = "検索終了です。検索フォルダを御覧下さい。";

class CFolderPane : public MailboxListener {
 public:
  enum : unsigned {
    ID_FOLDER_ADD = 32791,
    ID_FOLDER_DELETE = 32792,
    ID_FOLDER_PROPERTIES = 32800,
    ID_SEARCH = 32814,
  };
  enum class Key { Return, Delete, Up, Down, Other };

  // The five special folders, in the order the pane shows them.
  static const std::vector<std::string>& SpecialFolders();
  // The image of a row: 1 selected, + 2 with children, + 4 search, 8 sent,
  // 12 unsent, 16 inbox, 20 templates (24 images).
  static int ImageIndex(const std::string& name, bool hasChildren, bool selected);

  // autoCheckOwner is the window whose TIMER_AUTOCHECK a search stops and
  // starts again (may be null).
  CFolderPane(CMailApp& app, CMailBoxDoc& doc, FolderPaneHost& host, EventLoop* loop = nullptr,
              TimerTarget* autoCheckOwner = nullptr);
  ~CFolderPane() override;

  // The initial update and a full refresh: rows anew, the selection kept by
  // its index, the selected folder announced.
  void Refill();
  // Counts and title anew (any update that is not a full refresh).
  void Recount();

  const std::vector<FolderRow>& rows() const { return rows_; }
  int selected() const { return selected_; }
  const FolderRow* selectedRow() const { return RowAt(selected_); }
  // "name          N通のメール(M通の未読メールがあります。)".
  std::string Title() const;

  // A click on a row (-1: on no row) and column (0: the icon).
  void Click(int row, int column);
  void DoubleClick() { OnCommand(ID_FOLDER_PROPERTIES); }
  void OnKey(Key key);

  bool IsEnabled(unsigned id) const;
  void OnCommand(unsigned id);

  // Dropping mails: the rows that take them, and the drop itself (the mails
  // move into the row's folder). Returns how many moved.
  bool CanDropOnRow(int row) const;
  int DropMails(const std::vector<MailHandle>& mails, int row);
  // The same for a drag text of Message-IDs joined with ",".
  int DropMessageIds(const std::string& ids, int row);

  // MailboxListener.
  void OnFullRefresh() override { Refill(); }
  void OnFolderSelected(const std::string&) override { Recount(); }
  void OnMailSelected(const MailHandle*) override { Recount(); }

 private:
  const FolderRow* RowAt(int i) const {
    return i >= 0 && i < static_cast<int>(rows_.size()) ? &rows_[static_cast<size_t>(i)] : nullptr;
  }
  void AppendRow(CFolderDetail& folder);
  void AppendWithChildren(CFolderDetail& folder);
  void CountRow(FolderRow& row) const;
  void MarkSelected();
  void AnnounceSelected();
  void AddFolder();
  void DeleteFolder();
  void Properties();
  void Search();
  // Add, properties and search end alike: the search run for the search
  // folder, the rule applied at once when asked, a full refresh.
  void AfterValues(CFolderDetail* folder, const FolderValues& values);
  void SearchRun(CFolderDetail& folder);
  void FullRefresh();
  bool NameTaken(const std::string& name) const { return app_.user().store.FindFolder(name) != nullptr; }

  CMailApp& app_;
  CMailBoxDoc& doc_;
  FolderPaneHost& host_;
  EventLoop* loop_;
  TimerTarget* autoCheckOwner_;
  std::vector<FolderRow> rows_;
  int selected_ = -1;
  int remembered_ = -1;
};

}  // namespace fennel
