#include "gui/mailbox_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/artwork.h"
#include "gui/html_view.h"
#include "gui/qt_text.h"
#include "message/display.h"
#include "ui/mailbox/mail_views.h"

namespace fennel {
namespace {

// The mails a drag carries, beside the Message-IDs of the text form: the
// handles, so that mails without a Message-ID of their own move too.
const QString kMailsMime = QStringLiteral("application/x-fennel-mails");

// The selected folder row (Windows value 0xFFFFC8) and thread replies
// (0xFF9F8F): red, green, blue here.
const QColor kPaleCyan(0xC8, 0xFF, 0xFF);
const QColor kReplyBackground(0x8F, 0x9F, 0xFF);

QPixmap ChildImage(int index) {
  // A child row's image stands 32 pixels further right.
  QPixmap pm(64, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.drawPixmap(16, 0, FolderImage(index));
  return pm;
}

}  // namespace

// ---- RowDelegate

void RowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const QVariant fg = index.data(Qt::ForegroundRole);
  const QColor text = fg.isValid() ? fg.value<QColor>() : option->palette.color(QPalette::Text);
  option->palette.setColor(QPalette::Highlight, kPaleCyan);
  option->palette.setColor(QPalette::HighlightedText, text);
  // A selected mail shows the selected picture of its state (images 0-3
  // and 8-11; the model gives the others).
  if ((option->state & QStyle::State_Selected) && index.column() == 0 && index.data(kIsReplyRole).isValid()) {
    const int image = index.data(kImageIndexRole).toInt();
    if (image & 4) option->icon = QIcon(MailImage(image - 4));
  }
}

// ---- FolderModel

int FolderModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(pane_.rows().size());
}
int FolderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant FolderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(pane_.rows().size())) return {};
  const FolderRow& r = pane_.rows()[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return index.column() == 1 ? Qs(r.name) : QVariant();
    case Qt::DecorationRole:
      return index.column() == 0 ? QVariant(r.isChild() ? ChildImage(r.image) : FolderImage(r.image)) : QVariant();
    case Qt::ForegroundRole:
      return r.red() ? QColor(255, 0, 0) : QVariant();
    case Qt::BackgroundRole:
      return r.selected() ? kPaleCyan : QColor(Qt::white);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole: {
      std::string t = r.name + " " + std::to_string(r.mailCount) + "通";
      if (r.unread > 0) t += " 未読" + std::to_string(r.unread) + "通";
      return Qs(t);
    }
    case kImageIndexRole:
      return r.image;
    default:
      return {};
  }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 1 ? Qs("フォルダ") : QString();
}

void FolderModel::RowsReplaced() {
  beginResetModel();
  shown_ = static_cast<int>(pane_.rows().size());
  endResetModel();
}

void FolderModel::RowsChanged() {
  if (shown_ != static_cast<int>(pane_.rows().size())) return RowsReplaced();
  if (shown_ > 0) emit dataChanged(index(0, 0), index(shown_ - 1, 1));
}

// ---- MailModel

int MailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.rows().size());
}
int MailModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant MailModel::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  if (!index.isValid() || row >= static_cast<int>(list_.rows().size())) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return Qs(list_.Text(row, index.column()));
    case Qt::DecorationRole:
      return index.column() == 0 ? QVariant(MailImage(list_.Image(row, false))) : QVariant();
    case Qt::ForegroundRole:
      return list_.Unread(row) ? QColor(255, 0, 0) : QVariant();
    case Qt::BackgroundRole:
      return list_.rows()[static_cast<size_t>(row)].reply() ? kReplyBackground : QVariant();
    case Qt::TextAlignmentRole:
      return CMailList::kColumns[index.column()].centred ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    case kImageIndexRole:
      return list_.Image(row, false);
    case kIsReplyRole:
      return list_.rows()[static_cast<size_t>(row)].reply();
    default:
      return {};
  }
}

QVariant MailModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3) return {};
  return Qs(CMailList::kColumns[section].heading);
}

Qt::ItemFlags MailModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && list_.CanBeginDrag()) f |= Qt::ItemIsDragEnabled;
  return f;
}

QStringList MailModel::mimeTypes() const { return {QStringLiteral("text/plain"), kMailsMime}; }

QMimeData* MailModel::mimeData(const QModelIndexList&) const {
  // What is dragged is the list's selection, as the list tells it.
  auto* data = new QMimeData;
  data->setText(Qs(list_.DragText()));
  QStringList handles;
  for (const MailHandle& h : list_.DragMails()) handles << Qs(h.folder) + u'\n' + QString::number(h.seq);
  data->setData(kMailsMime, handles.join(u'\x1f').toUtf8());
  return data;
}

void MailModel::RowsReplaced() {
  beginResetModel();
  shown_ = static_cast<int>(list_.rows().size());
  endResetModel();
}

void MailModel::RowsChanged() {
  if (shown_ != static_cast<int>(list_.rows().size())) return RowsReplaced();
  if (shown_ > 0) emit dataChanged(index(0, 0), index(shown_ - 1, 3));
}

// ---- FolderDialogWindow

FolderDialogWindow::FolderDialogWindow(CFolderDialog& presenter, Prompter& prompter, QWidget* parent)
    : QDialog(parent), presenter_(presenter), prompter_(prompter) {
  setObjectName(QStringLiteral("folderDialog"));
  setWindowTitle(Qs(kFolderDialogCaption));
  const FolderValues& v = presenter.values;
  auto* form = new QFormLayout;
  name_ = new QLineEdit(Qs(v.name));
  name_->setObjectName(QStringLiteral("folderName"));
  name_->setAccessibleName(Qs("フォルダ名"));
  name_->setEnabled(presenter.nameEnabled());
  form->addRow(Qs("フォルダ名"), name_);
  sortText_ = new QLineEdit(Qs(v.sortText));
  sortText_->setObjectName(QStringLiteral("sortText"));
  sortText_->setAccessibleName(Qs("フィルタリング条件"));
  sortText_->setEnabled(presenter.sortTextEnabled());
  form->addRow(Qs("フィルタリング条件"), sortText_);
  auto* group = new QGroupBox(Qs("対象"));
  auto* radios = new QHBoxLayout(group);
  for (int i = 0; i < 4; ++i) {
    conditions_[i] = new QRadioButton(Qs(CFolderDialog::kConditionLabels[i]));
    conditions_[i]->setObjectName(QStringLiteral("condition%1").arg(i));
    conditions_[i]->setChecked(v.sortCondition == i);
    radios->addWidget(conditions_[i]);
  }
  form->addRow(group);
  thread_ = new QCheckBox(Qs("ｽﾚｯﾄﾞで表示"));
  thread_->setObjectName(QStringLiteral("threadView"));
  thread_->setChecked(v.threadView == 1);
  form->addRow(thread_);
  applyNow_ = new QCheckBox(Qs("受信ﾌｫﾙﾀﾞより即座に反映する"));
  applyNow_->setObjectName(QStringLiteral("applyNow"));
  applyNow_->setChecked(v.applyNow);
  applyNow_->setEnabled(presenter.applyNowEnabled());
  form->addRow(applyNow_);
  parent_ = new QComboBox;
  parent_->setObjectName(QStringLiteral("parentFolder"));
  parent_->setAccessibleName(Qs("親フォルダ"));
  for (const std::string& p : presenter.parentChoices()) parent_->addItem(Qs(p));
  parent_->setCurrentText(Qs(v.parent));
  parent_->setEnabled(presenter.parentEnabled());
  form->addRow(Qs("親フォルダ"), parent_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(buttons);
}

void FolderDialogWindow::accept() {
  FolderValues& v = presenter_.values;
  v.name = Cp(name_->text());
  v.sortText = Cp(sortText_->text());
  v.sortCondition = -1;
  for (int i = 0; i < 4; ++i)
    if (conditions_[i]->isChecked()) v.sortCondition = i;
  v.threadView = thread_->isChecked() ? 1 : 0;
  v.applyNow = applyNow_->isChecked();
  v.parent = Cp(parent_->currentText());
  if (presenter_.OnOK(prompter_) == CFolderDialog::Result::Ok) QDialog::accept();
}

// ---- MailTextView

namespace {

// The first piece shown of a long text, and the pieces that follow (bytes).
constexpr size_t kPiece = 128 * 1024;

}  // namespace

MailTextView::MailTextView(QWidget* parent) : QPlainTextEdit(parent), feeder_(new QTimer(this)) {
  feeder_->setInterval(0);
  connect(feeder_, &QTimer::timeout, this, [this] { AppendPiece(); });
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setUndoRedoEnabled(false);  // a shown mail is never edited: no history to keep
}

void MailTextView::ShowText(const std::string& cp932) {
  feeder_->stop();
  pending_ = cp932;
  pendingAt_ = 0;
  shownChars_ = 0;
  links_.clear();
  setPlainText(QString());
  AppendPiece();
  if (!complete()) feeder_->start();
}

void MailTextView::AppendPiece() {
  // A piece ends after a line break (a link never holds one), so no link is
  // cut between two pieces.
  size_t end = std::min(pending_.size(), pendingAt_ + static_cast<size_t>(kPiece));
  if (end < pending_.size()) {
    const size_t nl = pending_.rfind('\n', end);
    if (nl != std::string::npos && nl >= pendingAt_) end = nl + 1;
  }
  // The piece goes over in parts between its links, so the links' places
  // are known in characters without converting anything twice.
  QString text;
  // Line ends are one character in the view: CR LF becomes LF here, so the
  // places counted below are the view's.
  std::string piece;
  piece.reserve(end - pendingAt_);
  for (size_t i = pendingAt_; i < end; ++i)
    if (!(pending_[i] == '\r' && i + 1 < pending_.size() && pending_[i + 1] == '\n')) piece.push_back(pending_[i]);
  size_t at = 0;
  for (auto [b, e] : FindLinks(piece)) {
    text += Qs(piece.substr(at, b - at));
    const int start = shownChars_ + static_cast<int>(text.size());
    text += Qs(piece.substr(b, e - b));
    links_.emplace_back(start, shownChars_ + static_cast<int>(text.size()));
    at = e;
  }
  text += Qs(piece.substr(at));
  pendingAt_ = end;
  shownChars_ += static_cast<int>(text.size());
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  if (complete()) {
    feeder_->stop();
    pending_.clear();
    pending_.shrink_to_fit();
    pendingAt_ = 0;
  }
  MarkLinks();
}

void MailTextView::MarkLinks() {
  const int shown = document()->characterCount();
  QList<QTextEdit::ExtraSelection> marks;
  for (auto [b, e] : links_) {
    if (e >= shown) break;
    QTextEdit::ExtraSelection s;
    s.cursor = QTextCursor(document());
    s.cursor.setPosition(b);
    s.cursor.setPosition(e, QTextCursor::KeepAnchor);
    s.format.setForeground(QColor(0, 0, 200));
    s.format.setFontUnderline(true);
    marks << s;
  }
  setExtraSelections(marks);
}

void MailTextView::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || textCursor().hasSelection()) return;
  const int pos = cursorForPosition(event->pos()).position();
  for (auto [b, e] : links_) {
    if (pos < b || pos >= e) continue;
    QString link = toPlainText().mid(b, e - b);
    if (link.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) link.prepend(QStringLiteral("http://"));
    QDesktopServices::openUrl(QUrl(link));
    return;
  }
}

// ---- MailboxWindow

MailboxWindow::MailboxWindow(CMailApp& app, EventLoop* loop, TimerTarget* autoCheckOwner, QWidget* parent)
    : QWidget(parent),
      app_(app),
      doc_(app.user().store),
      folders_(app, doc_, *this, loop, autoCheckOwner),
      mails_(app, doc_, *this),
      folderModel_(folders_),
      mailModel_(mails_) {
  setObjectName(QStringLiteral("mailboxWindow"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  doc_.AddListener(this);  // after the presenters: they have changed when the models hear

  folderView_ = new QTableView;
  folderView_->setObjectName(QStringLiteral("folderPane"));
  folderView_->setAccessibleName(Qs("フォルダ"));
  folderView_->setModel(&folderModel_);
  folderView_->setItemDelegate(&delegate_);
  folderView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  folderView_->setSelectionMode(QAbstractItemView::SingleSelection);
  folderView_->setIconSize(QSize(64, 32));
  folderView_->verticalHeader()->hide();
  folderView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  folderView_->verticalHeader()->setDefaultSectionSize(34);
  folderView_->horizontalHeader()->resizeSection(0, 64 + 8);
  folderView_->horizontalHeader()->resizeSection(1, 112);
  folderView_->horizontalHeader()->setStretchLastSection(true);
  folderView_->setShowGrid(true);
  folderView_->setContextMenuPolicy(Qt::CustomContextMenu);
  folderView_->setAcceptDrops(true);
  folderView_->viewport()->setAcceptDrops(true);
  folderView_->setDropIndicatorShown(true);
  folderView_->installEventFilter(this);
  folderView_->viewport()->installEventFilter(this);

  mailView_ = new QTableView;
  mailView_->setObjectName(QStringLiteral("mailList"));
  mailView_->setAccessibleName(Qs("メール一覧"));
  mailView_->setModel(&mailModel_);
  mailView_->setItemDelegate(&delegate_);
  mailView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  mailView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  mailView_->verticalHeader()->hide();
  mailView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  mailView_->verticalHeader()->setDefaultSectionSize(20);
  mailView_->setTextElideMode(Qt::ElideRight);
  mailView_->setWordWrap(false);
  mailView_->setShowGrid(true);
  mailView_->setDragEnabled(true);
  mailView_->setDragDropMode(QAbstractItemView::DragOnly);
  mailView_->setContextMenuPolicy(Qt::CustomContextMenu);
  for (int c = 0; c < 4; ++c) mailView_->horizontalHeader()->resizeSection(c, mails_.ColumnWidth(c));
  mailView_->horizontalHeader()->setSectionsClickable(true);
  mailView_->installEventFilter(this);

  header_ = new QTextEdit;
  header_->setObjectName(QStringLiteral("headerView"));
  header_->setAccessibleName(Qs("ヘッダー"));
  header_->setReadOnly(true);
  QFont bold = header_->font();
  bold.setBold(true);
  bold.setPointSize(10);
  header_->setFont(bold);
  text_ = new MailTextView;
  text_->setObjectName(QStringLiteral("textView"));
  text_->setAccessibleName(Qs("本文"));

  inner_ = new QSplitter(Qt::Vertical);
  inner_->setObjectName(QStringLiteral("innerSplitter"));
  inner_->addWidget(mailView_);
  inner_->addWidget(header_);
  body_ = new QStackedWidget;
  body_->setObjectName(QStringLiteral("bodyPane"));
  body_->addWidget(text_);
  // The HTML view (and the browser engine behind it) comes with the first
  // HTML mail, or at once when the setting says always HTML (1).
  html_ = nullptr;
  if (app_.user().htmlMode == 1) body_->setCurrentWidget(EnsureHtmlView());
  inner_->addWidget(body_);
  outer_ = new QSplitter(Qt::Horizontal);
  outer_->setObjectName(QStringLiteral("outerSplitter"));
  outer_->addWidget(folderView_);
  outer_->addWidget(inner_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(outer_);

  const CUserInfo& u = app_.user();
  const int height = u.mailboxHeight > 0 ? u.mailboxHeight : 490;
  const int width = u.mailboxHeight > 0 && u.mailboxWidth > 0 ? u.mailboxWidth : 790;
  resize(width, height);
  outer_->setStretchFactor(0, 0);
  outer_->setStretchFactor(1, 1);
  outer_->setSizes({194, std::max(width - 194, 200)});
  folderView_->setMinimumWidth(80);
  inner_->setSizes({128, 54, std::max(height - 182, 100)});

  connect(folderView_, &QTableView::clicked, this,
          [this](const QModelIndex& i) { folders_.Click(i.row(), i.column()); });
  connect(folderView_, &QTableView::doubleClicked, this, [this] { folders_.DoubleClick(); });
  connect(folderView_, &QWidget::customContextMenuRequested, this, &MailboxWindow::FolderMenu);
  connect(mailView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (syncing_) return;
    std::vector<int> rows;
    for (const QModelIndex& i : mailView_->selectionModel()->selectedRows()) rows.push_back(i.row());
    mails_.SetSelection(rows);
    mails_.Click();
  });
  connect(mailView_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { mails_.Open(i.row()); });
  connect(mailView_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
    mails_.ColumnClick(section);
    mailModel_.RowsReplaced();
  });
  connect(mailView_, &QWidget::customContextMenuRequested, this, &MailboxWindow::MailMenu);

  folders_.Refill();
  folderModel_.RowsReplaced();
}

MailboxWindow::~MailboxWindow() {
  progress_.Close();
  doc_.RemoveListener(this);
}

std::optional<FolderValues> MailboxWindow::RunFolderProperties(const FolderValues& start, bool) {
  CFolderDialog presenter(app_.user().store, start);
  FolderDialogWindow dlg(presenter, app_.prompter(), this);
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return presenter.values;
}

void MailboxWindow::OpenProgress(const std::string& text, int range) { progress_.Open(text, range); }
// The search keeps the window alive: it repaints and takes the cancel
// button at once, while the search goes on at nearly full speed.
bool MailboxWindow::StepProgress() { return progress_.Step(); }
void MailboxWindow::CloseProgress() { progress_.Close(); }

void MailboxWindow::SetTitle(const std::string& title) { setWindowTitle(Qs(title)); }

void MailboxWindow::OnFullRefresh() {
  folderModel_.RowsReplaced();
  mailModel_.RowsChanged();
  if (const FolderRow* r = folders_.selectedRow()) {
    (void)r;
    folderView_->selectRow(folders_.selected());
  }
}

void MailboxWindow::OnFolderSelected(const std::string&) {
  syncing_ = true;
  mailModel_.RowsReplaced();
  folderModel_.RowsChanged();
  syncing_ = false;
  header_->clear();
  text_->ShowText("");
  if (showingHtml()) html_->Clear();
}

bool MailboxWindow::showingHtml() const { return html_ && body_->currentWidget() == html_; }

MailHtmlView* MailboxWindow::EnsureHtmlView() {
  if (!html_) {
    html_ = new MailHtmlView;
    html_->setMinimumWidth(100);  // the page does not push the folder pane aside
    body_->addWidget(html_);
  }
  return html_;
}

void MailboxWindow::OnMailSelected(const MailHandle* handle) {
  const CMailDetail* m = handle ? handle->Resolve(app_.user().store) : nullptr;
  if (!m) {
    header_->clear();
    text_->ShowText("");
    return;
  }
  const ShownMail shown = ShownOf(*m);
  header_->setPlainText(Qs(HeaderViewText(shown)));
  // The body pane follows the setting: always HTML, never, or (0) what
  // the mail list found in the mail.
  const int32_t mode = app_.user().htmlMode;
  const bool html = mode == 1 || (mode == 0 && doc_.bodyPane == BodyPane::Html);
  if (html) {
    EnsureHtmlView()->ShowPage(HtmlPage(shown, app_.user().mailDir), app_.user().mailDir);
    body_->setCurrentWidget(html_);
  } else {
    text_->ShowText(TextViewText(shown, app_.user().mailDir));
    body_->setCurrentWidget(text_);
  }
  mailModel_.RowsChanged();
  folderModel_.RowsChanged();
}

void MailboxWindow::SyncMailSelection() {
  syncing_ = true;
  mailView_->clearSelection();
  for (int r : mails_.selection()) mailView_->selectRow(r);
  syncing_ = false;
}

bool MailboxWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == folderView_) {
      CFolderPane::Key k = CFolderPane::Key::Other;
      if (key == Qt::Key_Return || key == Qt::Key_Enter) k = CFolderPane::Key::Return;
      else if (key == Qt::Key_Delete) k = CFolderPane::Key::Delete;
      else if (key == Qt::Key_Up) k = CFolderPane::Key::Up;
      else if (key == Qt::Key_Down) k = CFolderPane::Key::Down;
      if (k != CFolderPane::Key::Other) {
        folders_.OnKey(k);
        if (folders_.selected() >= 0) folderView_->selectRow(folders_.selected());
        return true;
      }
    } else if (watched == mailView_) {
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        mails_.OnKey(CMailList::Key::Return);
        return true;
      }
      if (key == Qt::Key_Delete) {
        mails_.OnKey(CMailList::Key::Delete);
        return true;
      }
    }
  }
  if (watched == folderView_->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* e = static_cast<QDragMoveEvent*>(event);
      const int row = folderView_->indexAt(e->position().toPoint()).row();
      if (e->mimeData()->hasFormat(kMailsMime) || e->mimeData()->hasText()) {
        if (folders_.CanDropOnRow(row)) {
          folderView_->selectionModel()->setCurrentIndex(folderModel_.index(row, 1),
                                                         QItemSelectionModel::NoUpdate);
          e->acceptProposedAction();
        } else {
          e->ignore();
        }
        return true;
      }
    } else if (event->type() == QEvent::Drop) {
      auto* e = static_cast<QDropEvent*>(event);
      const int row = folderView_->indexAt(e->position().toPoint()).row();
      if (e->mimeData()->hasFormat(kMailsMime)) {
        std::vector<MailHandle> mails;
        for (const QString& item : QString::fromUtf8(e->mimeData()->data(kMailsMime)).split(u'\x1f')) {
          const qsizetype nl = item.indexOf(u'\n');
          if (nl > 0) mails.push_back(MailHandle{Cp(item.left(nl)), item.mid(nl + 1).toULongLong()});
        }
        folders_.DropMails(mails, row);
      } else if (e->mimeData()->hasText()) {
        folders_.DropMessageIds(Cp(e->mimeData()->text()), row);
      }
      e->acceptProposedAction();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

namespace {

struct MenuCommand {
  unsigned id;
  const char* text;
};

// The commands as menu items, enabled by the presenter's rules.
template <typename Presenter>
void AddCommands(QMenu& menu, QObject* context, Presenter& presenter, std::initializer_list<MenuCommand> items) {
  for (const MenuCommand& item : items) {
    QAction* a = menu.addAction(Qs(item.text));
    a->setEnabled(presenter.IsEnabled(item.id));
    const unsigned id = item.id;
    QObject::connect(a, &QAction::triggered, context, [&presenter, id] { presenter.OnCommand(id); });
  }
}

}  // namespace

void MailboxWindow::FolderMenu(const QPoint& at) {
  QMenu menu(this);
  AddCommands(menu, this, folders_, {{CFolderPane::ID_FOLDER_ADD, "ﾌｫﾙﾀﾞを追加する(&A)"},
               {CFolderPane::ID_FOLDER_DELETE, "ﾌｫﾙﾀﾞを削除する(&D)"},
               {CFolderPane::ID_FOLDER_PROPERTIES, "ﾌｫﾙﾀﾞのﾌﾟﾛﾊﾟﾃｨ...(&P)"},
               {CFolderPane::ID_SEARCH, "検索(&S)"}});
  menu.exec(folderView_->viewport()->mapToGlobal(at));
}

void MailboxWindow::MailMenu(const QPoint& at) {
  QMenu menu(this);
  AddCommands(menu, this, mails_, {{CMailList::ID_MAIL_REPLY, "ﾒｰﾙを返送する(&R)"},
               {CMailList::ID_MAIL_FORWARD, "ﾒｰﾙを転送する(&F)"},
               {CMailList::ID_MAIL_DELETE, "ﾒｰﾙを削除する(&D)"},
               {CMailList::ID_MAIL_MARK_READ, "ﾒｰﾙを開封する(&O)"}});
  QMenu* priority = menu.addMenu(Qs("優先度設定(&P)"));
  for (int k = 1; k <= 10; ++k) {
    const unsigned id = CMailList::ID_PRIORITY_1 + static_cast<unsigned>(k - 1);
    QAction* a = priority->addAction(QString::number(k));
    a->setCheckable(true);
    a->setChecked(mails_.IsChecked(id));
    connect(a, &QAction::triggered, this, [this, id] {
      mails_.OnCommand(id);
      mailModel_.RowsChanged();
    });
  }
  menu.exec(mailView_->viewport()->mapToGlobal(at));
}

void MailboxWindow::closeEvent(QCloseEvent* event) {
  CUserInfo& u = app_.user();
  u.mailboxHeight = height();
  u.mailboxWidth = width();
  for (int c = 0; c < 4; ++c) mails_.SetColumnWidth(c, mailView_->horizontalHeader()->sectionSize(c));
  mails_.SaveColumnWidths();
  QWidget::closeEvent(event);
}

}  // namespace fennel
