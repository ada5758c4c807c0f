// The mail list of the mailbox window: the rows of the selected folder's
// mails (or its threads), their four column texts, sorting by column,
// selection, the per-mail commands with their questions, and dragging mails
// to the folder pane. Toolkit-free; a row names its mail by a MailHandle,
// so rows never dangle when mails move or go.
#pragma once

#include <string>
#include <vector>

#include "config/mail_app.h"
#include "ui/mailbox/mailbox_doc.h"

namespace fennel {

struct MailRow {
  MailHandle mail;
  // Thread replies: depth 1 for a direct reply; their column 0 is the
  // indent, "┗", the From text and the thread root's Message-ID.
  int depth = 0;
  std::string replyText;
  bool reply() const { return depth > 0; }
};

// What the mail list asks of the window layer.
class MailListHost {
 public:
  enum class Request { Open, Reply, Forward, Receipt };
  virtual ~MailListHost() = default;
  // Opens the mail window on the mail (and turns it into a reply, a
  // forward or a receipt notice).
  virtual void OpenMailWindow(const MailHandle& mail, Request request) = 0;
};

// Column texts and sort keys.
inline constexpr int kSortNone = 0;
inline constexpr int kSortThread = 1000;
inline constexpr int kSortDate = 1001;
inline constexpr int kSortSubject = 1010;
inline constexpr int kSortFrom = 1100;
inline constexpr int kSortPriority = 2010;

inline constexpr const char* kDeleteSelectedQuestion = "選択されたメールを本当に削除してもいいですか？";
inline constexpr const char* kReceiptQuestion = "受信確認要求が来ています。返信しますか。";

// "①" ... "⑩" for 1-10; " " otherwise.
std::string PriorityMark(int32_t priority);
// "m/dd/yy (h:mma)" in local time; -1 is now.
std::string MailDateText(int64_t date);

class CMailList : public MailboxListener {
 public:
  enum : unsigned {
    ID_MAIL_REPLY = 32784,
    ID_MAIL_FORWARD = 32774,
    ID_MAIL_DELETE = 32780,
    ID_MAIL_MARK_READ = 32813,
    ID_PRIORITY_1 = 32830,  // ... ID_PRIORITY_1 + 9 for priority 10
  };
  enum class Key { Return, Delete, Up, Down, Other };
  struct Column {
    const char* heading;
    int defaultWidth;
    bool centred;
  };
  static const Column kColumns[4];

  CMailList(CMailApp& app, CMailBoxDoc& doc, MailListHost& host);
  ~CMailList() override;

  // The folder shown (empty: none) and its rows.
  const std::string& folder() const { return folder_; }
  const std::vector<MailRow>& rows() const { return rows_; }
  // The record of a row, or null when it is gone.
  CMailDetail* Mail(int row) const;
  std::string Text(int row, int column) const;
  // The image: state + attachment flag, + 4 when the row is not selected.
  int Image(int row, bool selected) const;
  bool Unread(int row) const;

  // Rows as the user selected them (the window's selection, in row order).
  void SetSelection(std::vector<int> rows);
  const std::vector<int>& selection() const { return selection_; }
  // A click (and Up, Down): the first selected row is shown.
  void Click();
  void OnKey(Key key);
  // Double-click or Return: the first selected row, else the row under the
  // cursor (-1: none).
  void Open(int rowUnderCursor = -1);
  void ColumnClick(int column);

  bool IsEnabled(unsigned id) const;
  bool IsChecked(unsigned id) const;
  void OnCommand(unsigned id);

  // Dragging mails to the folder pane.
  bool CanBeginDrag() const;
  std::vector<MailHandle> DragMails() const;
  // The drag text: the Message-IDs joined with ",".
  std::string DragText() const;

  // Column widths: from the profile at creation (0: the default), back to it.
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  void SaveColumnWidths() const;

  // MailboxListener.
  void OnFolderSelected(const std::string& name) override { Rebuild(name); }

 private:
  void Rebuild(const std::string& name);
  void AppendReplies(const CMailDetail& parent, const std::string& root, int depth);
  void Sort(int key);
  void Announce(int row);
  void Delete();
  void MarkRead();
  void SetPriority(int k);
  // The selected rows that are not thread replies.
  std::vector<int> SelectedMails() const;
  bool InFolder(const char* name) const { return folder_ == name; }
  void FullRefresh() { doc_.FullRefresh(nullptr); }

  CMailApp& app_;
  CMailBoxDoc& doc_;
  MailListHost& host_;
  std::string folder_;
  int32_t threadView_ = 0;
  std::vector<MailRow> rows_;
  std::vector<int> selection_;
  int widths_[4] = {};
};

}  // namespace fennel
