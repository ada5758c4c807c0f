#include "ui/mailbox/folder_pane.h"

#include <algorithm>

#include "platform/messages.h"
#include "store/sorting.h"

namespace fennel {
namespace {

// The search's progress goes to the window's progress dialog.
class PaneSearchProgress : public SearchProgress {
 public:
  explicit PaneSearchProgress(FolderPaneHost& host) : host_(host) {}
  void Step() override {
    if (host_.StepProgress()) cancelled_ = true;
  }
  bool Cancelled() override { return cancelled_; }

 private:
  FolderPaneHost& host_;
  bool cancelled_ = false;
};

bool IsSpecial(const std::string& name) {
  const auto& s = CFolderPane::SpecialFolders();
  return std::find(s.begin(), s.end(), name) != s.end();
}

}  // namespace

const std::vector<std::string>& CFolderPane::SpecialFolders() {
  static const std::vector<std::string> names = {kInboxFolder, kSentFolder, kUnsentFolder, kTemplateFolder,
                                                 kSearchFolder};
  return names;
}

int CFolderPane::ImageIndex(const std::string& name, bool hasChildren, bool selected) {
  int kind = 0;
  if (name == kSearchFolder) kind = 4;
  else if (name == kSentFolder) kind = 8;
  else if (name == kUnsentFolder) kind = 12;
  else if (name == kInboxFolder) kind = 16;
  else if (name == kTemplateFolder) kind = 20;
  return kind + (hasChildren ? 2 : 0) + (selected ? 1 : 0);
}

CFolderPane::CFolderPane(CMailApp& app, CMailBoxDoc& doc, FolderPaneHost& host, EventLoop* loop,
                         TimerTarget* autoCheckOwner)
    : app_(app), doc_(doc), host_(host), loop_(loop), autoCheckOwner_(autoCheckOwner) {
  doc_.AddListener(this);
}

CFolderPane::~CFolderPane() { doc_.RemoveListener(this); }

void CFolderPane::CountRow(FolderRow& row) const {
  const CListInfo& store = app_.user().store;
  const CFolderDetail* f = store.FindFolder(row.name);
  row.mailCount = f ? f->MailCount() : 0;
  row.unread = f ? f->UnreadCount() : 0;
  row.childrenUnread = store.ChildrenUnread(row.name);
}

void CFolderPane::AppendRow(CFolderDetail& folder) {
  FolderRow row;
  row.name = folder.name;
  row.sortText = folder.sortText;
  row.parent = folder.parent;
  row.sortCondition = folder.sortCondition;
  row.threadView = folder.threadView;
  row.expanded = folder.expanded;
  row.listSortKey = folder.threadView == 1 ? 1000 : folder.listSortKey;
  CountRow(row);
  row.image = ImageIndex(row.name, app_.user().store.CountChildren(row.name) > 0, false);
  rows_.push_back(std::move(row));
}

void CFolderPane::AppendWithChildren(CFolderDetail& folder) {
  AppendRow(folder);
  if (folder.expanded != 1) return;
  for (auto& child : app_.user().store.folders) {
    if (child->state == CFolderDetail::kBeingDeleted || child->parent.empty() || child->parent != folder.name)
      continue;
    child->expanded = 0;  // a child is shown collapsed: its own children never show
    AppendRow(*child);
  }
}

void CFolderPane::Refill() {
  // 1.
  remembered_ = selected_;
  rows_.clear();
  selected_ = -1;
  CListInfo& store = app_.user().store;
  // 2-3. The special folders first, in their fixed order.
  std::vector<std::string> placed = SpecialFolders();
  for (const std::string& name : SpecialFolders())
    if (CFolderDetail* f = store.FindFolder(name)) AppendWithChildren(*f);
  // 4. Then the other top-level folders, in store order.
  for (auto& f : store.folders) {
    if (std::find(placed.begin(), placed.end(), f->name) != placed.end()) continue;
    placed.push_back(f->name);
    if (f->parent.empty() && f->state != CFolderDetail::kBeingDeleted) AppendWithChildren(*f);
  }
  // 6. The selection comes back by its index.
  if (remembered_ != -1 && remembered_ < static_cast<int>(rows_.size())) {
    selected_ = remembered_;
    remembered_ = -1;
  }
  MarkSelected();
  // 7. (The rows were counted as they were made: only the title is left.)
  if (selected_ != -1) AnnounceSelected();
  if (selectedRow()) host_.SetTitle(Title());
}

void CFolderPane::Recount() {
  for (FolderRow& row : rows_) CountRow(row);
  if (selectedRow()) host_.SetTitle(Title());
}

std::string CFolderPane::Title() const {
  const FolderRow* row = selectedRow();
  if (!row) return {};
  std::string t = row->name + std::string(10, ' ') + std::to_string(row->mailCount) + "通のメール";
  if (row->unread > 0) t += "(" + std::to_string(row->unread) + "通の未読メールがあります。)";
  return t;
}

void CFolderPane::MarkSelected() {
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    FolderRow& r = rows_[static_cast<size_t>(i)];
    r.image = ImageIndex(r.name, r.hasChildren(), i == selected_);
  }
}

void CFolderPane::AnnounceSelected() {
  if (const FolderRow* row = selectedRow()) doc_.SelectFolder(row->name, this);
}

void CFolderPane::FullRefresh() {
  // Every pane, this one too, rebuilds from the store.
  doc_.FullRefresh(nullptr);
}

void CFolderPane::Click(int row, int column) {
  if (!RowAt(row)) {
    selected_ = -1;
    return;
  }
  selected_ = row;
  const FolderRow& r = rows_[static_cast<size_t>(row)];
  if (column == 0 && r.hasChildren()) {
    // The icon of a parent opens or closes it.
    if (CFolderDetail* f = app_.user().store.FindFolder(r.name)) f->expanded = f->expanded == 1 ? 0 : 1;
    FullRefresh();
  } else {
    AnnounceSelected();
  }
  MarkSelected();
  Recount();
}

void CFolderPane::OnKey(Key key) {
  switch (key) {
    case Key::Return:
      OnCommand(ID_FOLDER_PROPERTIES);
      return;
    case Key::Delete:
      if (IsEnabled(ID_FOLDER_DELETE)) DeleteFolder();
      break;
    case Key::Up:
      if (selected_ > 0) --selected_;
      else if (selected_ == -1 && !rows_.empty()) selected_ = 0;
      break;
    case Key::Down:
      if (selected_ + 1 < static_cast<int>(rows_.size())) ++selected_;
      break;
    case Key::Other:
      break;
  }
  if (selectedRow()) {
    AnnounceSelected();
    MarkSelected();
    Recount();
  }
}

bool CFolderPane::IsEnabled(unsigned id) const {
  switch (id) {
    case ID_FOLDER_ADD: return true;
    case ID_FOLDER_DELETE: return selectedRow() && !selectedRow()->hasChildren();
    case ID_FOLDER_PROPERTIES: return selectedRow() != nullptr;
    case ID_SEARCH: return bool(app_.transferIdle);
    default: return false;
  }
}

void CFolderPane::OnCommand(unsigned id) {
  if (!IsEnabled(id)) return;
  switch (id) {
    case ID_FOLDER_ADD: return AddFolder();
    case ID_FOLDER_DELETE: return DeleteFolder();
    case ID_FOLDER_PROPERTIES: return Properties();
    case ID_SEARCH: return Search();
    default: return;
  }
}

void CFolderPane::AddFolder() {
  std::optional<FolderValues> v = host_.RunFolderProperties(FolderValues{}, false);
  if (!v) return;
  CFolderDetail* folder = nullptr;
  if (NameTaken(v->name))
    app_.prompter().Show(kAddFolderFailed, MbIcon::Stop);
  else
    folder = app_.user().store.AddFolder(v->name, v->sortCondition, v->threadView, v->sortText, v->parent);
  AfterValues(folder, *v);
}

void CFolderPane::DeleteFolder() {
  const FolderRow* row = selectedRow();
  if (!row) return;
  const std::string name = row->name;
  if (app_.prompter().Show("メールボックス：" + name + "　を削除してもいいですか？" + std::to_string(row->mailCount) +
                               "　通のメールがあります。それらも削除されます。",
                           MbIcon::Exclamation, MbButtons::OkCancel) != MbAnswer::Ok)
    return;
  CListInfo& store = app_.user().store;
  if (CFolderDetail* f = store.FindFolder(name)) {
    // Its mails are marked deleted, so removing it keeps their files.
    f->DeleteMails(kSelectAfterAll, &app_.prompter());
    doc_.SelectFolder(name, this);  // the mail list empties
    f->state = CFolderDetail::kBeingDeleted;
  }
  store.DeleteFolderKeepingFiles(name, &app_.prompter());
  app_.SaveUserRecord();
  FullRefresh();
}

void CFolderPane::Properties() {
  const FolderRow* row = selectedRow();
  if (!row) return;
  const std::string oldName = row->name;
  const FolderValues start{row->name, row->sortCondition, row->threadView, row->sortText, row->parent, false};
  std::optional<FolderValues> v = host_.RunFolderProperties(start, IsSpecial(oldName) || row->hasChildren());
  if (!v) return;
  CFolderDetail* folder = app_.user().store.FindFolder(oldName);
  if (v->name != oldName && NameTaken(v->name)) {
    app_.prompter().Show(kChangeFolderFailed, MbIcon::Stop);
    return AfterValues(nullptr, *v);
  }
  if (folder) {
    folder->name = v->name;
    folder->sortCondition = v->sortCondition;
    folder->threadView = v->threadView;
    folder->sortText = v->sortText;
    folder->parent = v->parent;
  }
  AfterValues(folder, *v);
}

void CFolderPane::Search() {
  CListInfo& store = app_.user().store;
  CFolderDetail* folder = store.FindFolder(kSearchFolder);
  FolderValues start;
  if (folder) {
    start = FolderValues{folder->name, folder->sortCondition, folder->threadView, folder->sortText, folder->parent, false};
  } else {
    start.name = kSearchFolder;
  }
  std::optional<FolderValues> v = host_.RunFolderProperties(start, true);
  if (!v) return;
  if (folder) {
    folder->sortCondition = v->sortCondition;
    folder->threadView = v->threadView;
    folder->sortText = v->sortText;
  } else if (NameTaken(v->name)) {
    app_.prompter().Show(kAddFolderFailed, MbIcon::Stop);
  } else {
    folder = store.AddFolder(v->name, v->sortCondition, v->threadView, v->sortText, "");
  }
  AfterValues(folder, *v);
}

void CFolderPane::AfterValues(CFolderDetail* folder, const FolderValues& v) {
  if (folder && folder->name == kSearchFolder && !folder->sortText.empty()) SearchRun(*folder);
  if (folder && v.applyNow && !folder->sortText.empty()) {
    app_.prompter().Show(kApplyNowStart);
    ApplyRule(app_.user().store, *folder);
    app_.prompter().Show(kApplyNowEnd);
  }
  app_.SaveUserRecord();
  FullRefresh();
}

void CFolderPane::SearchRun(CFolderDetail& folder) {
  // 1.
  if (!app_.transferIdle) {
    app_.prompter().Show(kSearchBusy);
    return;
  }
  // 2.
  if (loop_ && autoCheckOwner_) loop_->KillTimer(autoCheckOwner_, TIMER_AUTOCHECK);
  // 3.
  app_.prompter().Show(kSearchStart);
  // 4. A first pass with the criteria emptied clears the folder and counts
  // the mails: the range of the progress window.
  CListInfo& store = app_.user().store;
  const std::string name = folder.name;
  const int32_t condition = folder.sortCondition;
  const std::string text = folder.sortText;
  folder.sortCondition = 0;
  folder.sortText.clear();
  const int range = fennel::Search(store, folder);
  FullRefresh();
  // The refresh does not touch the folder list, but find it again all the same.
  CFolderDetail* f = store.FindFolder(name);
  if (f) {
    f->sortCondition = condition;
    f->sortText = text;
    host_.OpenProgress(kSearchProgress, range);
    // 5. The window stays alive all along: every step of the progress
    // window lets it repaint and take the cancel button.
    PaneSearchProgress progress(host_);
    fennel::Search(store, *f, &progress);
    host_.CloseProgress();
  }
  // 6.
  app_.prompter().Show(kSearchEnd);
  // 7.
  if (loop_ && autoCheckOwner_ && app_.user().checkInterval != 0)
    loop_->SetTimer(autoCheckOwner_, TIMER_AUTOCHECK, int64_t{app_.user().checkInterval} * 60000);
}

bool CFolderPane::CanDropOnRow(int row) const {
  const FolderRow* r = RowAt(row);
  return r && r->name != kUnsentFolder && r->name != kTemplateFolder && r->name != kSearchFolder;
}

int CFolderPane::DropMails(const std::vector<MailHandle>& mails, int row) {
  if (!CanDropOnRow(row)) return 0;
  CListInfo& store = app_.user().store;
  CFolderDetail* target = store.FindFolder(rows_[static_cast<size_t>(row)].name);
  if (!target) return 0;
  int moved = 0;
  for (const MailHandle& h : mails) {
    CMailDetail* mail = h.Resolve(store);
    // Gone meanwhile, already dropped, or already there: passed over.
    if (!mail || mail->state == CMailDetail::kDeleted || store.FolderOf(mail) == target) continue;
    store.MoveMail(mail, target);
    ++moved;
  }
  if (moved > 0) {
    app_.SaveUserRecord();
    FullRefresh();
  }
  return moved;
}

int CFolderPane::DropMessageIds(const std::string& ids, int row) {
  std::vector<MailHandle> mails;
  const CListInfo& store = app_.user().store;
  for (const std::string& id : SplitKeywords(ids))
    if (const CMailDetail* m = store.FindMailById(id)) mails.push_back(MailHandle::Of(*m, store));
  return DropMails(mails, row);
}

}  // namespace fennel
