// The mailbox window: folder pane, mail list, header and body panes in two
// splitters, as an MDI child of the main frame. The lists are item models
// over the presenters of ui/mailbox (no widget per row); the window only
// draws what they say and forwards the user's events to them.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QWidget>

#include "config/mail_app.h"
#include "gui/progress_window.h"
#include "ui/dialogs/folder_dialog.h"
#include "ui/mailbox/folder_pane.h"
#include "ui/mailbox/mail_list.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSplitter;
class QStackedWidget;
class QTableView;
class QTextEdit;

namespace fennel {

// The roles a test or a screen reader asks the lists for beyond the
// standard ones.
enum ItemRole : int {
  kImageIndexRole = Qt::UserRole + 1,  // the presenter's image index
  kIsReplyRole,                        // a thread reply row (mail list)
};

class FolderModel : public QAbstractTableModel {
 public:
  explicit FolderModel(CFolderPane& pane, QObject* parent = nullptr) : QAbstractTableModel(parent), pane_(pane) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The rows came anew (a refill), or only their counts and images changed.
  void RowsReplaced();
  void RowsChanged();

 private:
  CFolderPane& pane_;
  int shown_ = 0;
};

class MailModel : public QAbstractTableModel {
 public:
  explicit MailModel(CMailList& list, QObject* parent = nullptr) : QAbstractTableModel(parent), list_(list) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
  void RowsReplaced();
  void RowsChanged();

 private:
  CMailList& list_;
  int shown_ = 0;
};

// Draws a row as the lists are drawn: a selected row pale cyan, its text
// keeping its own colour (an unread mail stays red).
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The folder properties dialog over its presenter.
class FolderDialogWindow : public QDialog {
 public:
  FolderDialogWindow(CFolderDialog& presenter, Prompter& prompter, QWidget* parent = nullptr);
  void accept() override;

 private:
  CFolderDialog& presenter_;
  Prompter& prompter_;
  QLineEdit* name_;
  QLineEdit* sortText_;
  QRadioButton* conditions_[4];
  QCheckBox* thread_;
  QCheckBox* applyNow_;
  QComboBox* parent_;
};

// The text view: read-only text whose links open in the desktop's program.
// A long mail is shown at once from its beginning; the rest follows in
// pieces while the window stays free to use.
class MailTextView : public QPlainTextEdit {
 public:
  explicit MailTextView(QWidget* parent = nullptr);
  void ShowText(const std::string& cp932);
  // Whether all of the text is in the view (a long one comes in pieces).
  bool complete() const { return pendingAt_ >= pending_.size(); }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Converts the next piece of the CP932 text (up to a line end) and adds
  // it to the view.
  void AppendPiece();
  void MarkLinks();

  std::string pending_;                           // the whole text, CP932
  size_t pendingAt_ = 0;                          // how much of it is in the view
  int shownChars_ = 0;
  std::vector<std::pair<int, int>> links_;  // the links in the view, in characters
  class QTimer* feeder_;
};

class MailboxWindow : public QWidget, public FolderPaneHost, public MailListHost, public MailboxListener {
 public:
  // loop and autoCheckOwner: the automatic check a search stops (may be null).
  MailboxWindow(CMailApp& app, EventLoop* loop, TimerTarget* autoCheckOwner, QWidget* parent = nullptr);
  ~MailboxWindow() override;

  CMailBoxDoc& doc() { return doc_; }
  CFolderPane& folderPane() { return folders_; }
  CMailList& mailList() { return mails_; }
  QTableView* folderView() const { return folderView_; }
  QTableView* mailView() const { return mailView_; }
  QTextEdit* headerView() const { return header_; }
  MailTextView* textView() const { return text_; }
  // The HTML view, made when first needed.
  class MailHtmlView* EnsureHtmlView();
  // Whether the body pane shows the HTML view now.
  bool showingHtml() const;

  // FolderPaneHost.
  std::optional<FolderValues> RunFolderProperties(const FolderValues& start, bool nameFixed) override;
  void OpenProgress(const std::string& text, int range) override;
  bool StepProgress() override;
  void CloseProgress() override;
  void SetTitle(const std::string& title) override;

  // MailListHost.
  void OpenMailWindow(const MailHandle& mail, Request request) override {}

  // MailboxListener: the models follow the presenters.
  void OnFullRefresh() override;
  void OnFolderSelected(const std::string& name) override;
  void OnMailSelected(const MailHandle* mail) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FolderMenu(const QPoint& at);
  void MailMenu(const QPoint& at);
  void SyncMailSelection();

  CMailApp& app_;
  CMailBoxDoc doc_;
  CFolderPane folders_;
  CMailList mails_;
  FolderModel folderModel_;
  MailModel mailModel_;
  RowDelegate delegate_;
  QSplitter* outer_;
  QSplitter* inner_;
  QTableView* folderView_;
  QTableView* mailView_;
  QTextEdit* header_;
  MailTextView* text_;
  class MailHtmlView* html_;
  QStackedWidget* body_;
  ProgressWindow progress_{this, QStringLiteral("searchProgress")};
  bool syncing_ = false;
};

}  // namespace fennel
