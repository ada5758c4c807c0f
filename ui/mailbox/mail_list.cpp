#include "ui/mailbox/mail_list.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <unordered_map>

#include "message/decode_leaf.h"
#include "message/display.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace fennel {
namespace {

// Less-than of two CP932 texts, ASCII letters folded (never the second
// byte of a two-byte character).
bool LessNoCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  bool second = false;  // the byte is the second of a two-byte character
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (!second) {
      if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
      if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    }
    if (x != y) return x < y;
    second = !second && IsCp932LeadByte(static_cast<unsigned char>(a[i]));
  }
  return a.size() < b.size();
}

int32_t ShownPriority(int32_t p) { return p >= 0 && p <= 10 ? p : 0; }

// The Message-IDs ("<...>") named in a header value.
void IdsIn(const std::string& value, std::vector<std::string>& out) {
  size_t at = 0;
  while ((at = value.find('<', at)) != std::string::npos) {
    size_t end = value.find('>', at);
    if (end == std::string::npos) return;
    out.push_back(value.substr(at, end - at + 1));
    at = end + 1;
  }
}

constexpr int kMaxThreadDepth = 16;

}  // namespace

const CMailList::Column CMailList::kColumns[4] = {
    {"差出人(宛先)", 114, false},
    {"☆", 24, true},
    {"件名", 320, false},
    {"日付", 98, true},
};

std::string PriorityMark(int32_t priority) {
  static const char* const marks[] = {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧", "⑨", "⑩"};
  const int32_t p = ShownPriority(priority);
  return p == 0 ? " " : marks[p - 1];
}

std::string MailDateText(int64_t date) {
  const time_t t = static_cast<time_t>(date == -1 ? CurrentClock().Now() : date);
  struct tm lt {};
  localtime_r(&t, &lt);
  const int hour = lt.tm_hour % 12 == 0 ? 12 : lt.tm_hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%02d/%02d (%d:%02d%c)", lt.tm_mon + 1, lt.tm_mday, lt.tm_year % 100, hour,
                lt.tm_min, lt.tm_hour < 12 ? 'a' : 'p');
  return buf;
}

CMailList::CMailList(CMailApp& app, CMailBoxDoc& doc, MailListHost& host) : app_(app), doc_(doc), host_(host) {
  doc_.AddListener(this);
  const std::string& user = app_.user().userId;
  const ListColumn columns[] = {ListColumn::Sender, ListColumn::Priority, ListColumn::Subject, ListColumn::Date};
  for (int c = 0; c < 4; ++c) widths_[c] = app_.profile().ColumnWidth(columns[c], user);
}

CMailList::~CMailList() { doc_.RemoveListener(this); }

int CMailList::ColumnWidth(int column) const {
  if (column < 0 || column > 3) return 0;
  return widths_[column] > 0 ? widths_[column] : kColumns[column].defaultWidth;
}

void CMailList::SetColumnWidth(int column, int width) {
  if (column >= 0 && column <= 3 && width > 0) widths_[column] = width;
}

void CMailList::SaveColumnWidths() const {
  const std::string& user = app_.user().userId;
  const ListColumn columns[] = {ListColumn::Sender, ListColumn::Priority, ListColumn::Subject, ListColumn::Date};
  for (int c = 0; c < 4; ++c) app_.profile().SetColumnWidth(columns[c], user, ColumnWidth(c));
}

CMailDetail* CMailList::Mail(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return rows_[static_cast<size_t>(row)].mail.Resolve(app_.user().store);
}

std::string CMailList::Text(int row, int column) const {
  const CMailDetail* m = Mail(row);
  if (!m) return {};
  switch (column) {
    case 0: return rows_[static_cast<size_t>(row)].reply() ? rows_[static_cast<size_t>(row)].replyText
                                                         : TruncateCp932(m->from, 100);
    case 1: return PriorityMark(m->priority);
    case 2: return TruncateCp932(m->subject, 100);
    case 3: return MailDateText(m->date);
    default: return {};
  }
}

int CMailList::Image(int row, bool selected) const {
  const CMailDetail* m = Mail(row);
  if (!m) return 4;
  const int state = m->state >= 0 && m->state <= 3 ? m->state : 0;
  return state + (m->attachFlag == CMailDetail::kAttachmentMark ? 8 : 0) + (selected ? 0 : 4);
}

bool CMailList::Unread(int row) const {
  const CMailDetail* m = Mail(row);
  return m && m->state == CMailDetail::kUnread;
}

void CMailList::Rebuild(const std::string& name) {
  // 1.
  rows_.clear();
  selection_.clear();
  folder_ = name;
  CListInfo& store = app_.user().store;
  CFolderDetail* f = store.FindFolder(name);
  if (!f) {
    folder_.clear();  // a folder that vanished is no folder: an empty list
    return;
  }
  threadView_ = f->threadView;
  // 2.
  f->Purge();
  // 3-4. Newest first.
  const bool composedOnly = f->IsUnsentOrTemplate();
  std::unordered_map<std::string, std::vector<CMailDetail*>> replies;
  if (threadView_ == 1) {
    // Who replies to whom, read once from every folder the threads draw on.
    for (const auto& other : store.folders) {
      if (other->state == CFolderDetail::kBeingDeleted || other->IsUnsentOrTemplate()) continue;
      for (const auto& m : other->mails) {
        if (m->state == CMailDetail::kDeleted) continue;
        std::vector<std::string> ids;
        IdsIn(m->inReplyTo, ids);
        IdsIn(m->references, ids);
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        for (const std::string& id : ids) replies[id].push_back(m.get());
      }
    }
  }
  for (auto it = f->mails.rbegin(); it != f->mails.rend(); ++it) {
    CMailDetail& m = **it;
    if (m.state == CMailDetail::kDeleted) continue;
    if (composedOnly && (m.state == CMailDetail::kRead || m.state == CMailDetail::kUnread)) continue;
    rows_.push_back(MailRow{MailHandle{f->name, m.seq()}, 0, {}});
    if (threadView_ != 1 || m.messageId.empty()) continue;
    // Depth first, each reply under the top-level row it belongs to, once
    // (a reply that names its root twice, or a ring of mails naming each
    // other, would come again).
    std::vector<MailHandle> underRoot;
    std::function<void(const CMailDetail&, int)> add = [&](const CMailDetail& parent, int depth) {
      if (depth > kMaxThreadDepth) return;
      std::vector<CMailDetail*> found;
      if (parent.messageId.front() == '<') {
        auto r = replies.find(parent.messageId);
        if (r != replies.end()) found = r->second;
      } else {
        found = store.CollectReplies(parent.messageId);  // an id without brackets: by substring
      }
      for (CMailDetail* reply : found) {
        const MailHandle h = MailHandle::Of(*reply, store);
        if (reply == &m || std::find(underRoot.begin(), underRoot.end(), h) != underRoot.end()) continue;
        underRoot.push_back(h);
        reply->threadRoot = m.messageId;
        // The indent doubles with each level; past the sixth it stays.
        const std::string indent(static_cast<size_t>(2) << std::min(depth, 6), ' ');
        rows_.push_back(MailRow{h, depth, indent + "┗" + TruncateCp932(reply->from, 100) + m.messageId});
        add(*reply, depth + 1);
      }
    };
    add(m, 1);
  }
  // 5.
  Sort(threadView_ == 1 ? kSortThread : f->listSortKey);
}

void CMailList::Sort(int key) {
  int column;
  switch (key) {
    case 1100: case 1200: column = 0; break;
    case 2010: case 2020: column = 1; break;
    case 1010: case 1020: column = 2; break;
    case 1001: case 1002: column = 3; break;
    default: return;  // unsorted (a thread folder keeps its order)
  }
  // Each record is looked up once, not at every comparison.
  CListInfo& store = app_.user().store;
  std::vector<std::pair<const CMailDetail*, MailRow>> keyed;
  keyed.reserve(rows_.size());
  for (MailRow& r : rows_) keyed.emplace_back(r.mail.Resolve(store), std::move(r));
  static const CMailDetail none;
  auto rec = [](const CMailDetail* m) -> const CMailDetail& { return m ? *m : none; };
  auto less = [&](const auto& a, const auto& b) {
    const CMailDetail& x = rec(a.first);
    const CMailDetail& y = rec(b.first);
    switch (column) {
      case 0: return LessNoCase(x.from, y.from);
      case 1: return ShownPriority(x.priority) > ShownPriority(y.priority);
      case 2: return LessNoCase(x.subject, y.subject);
      default: return x.date > y.date;
    }
  };
  std::stable_sort(keyed.begin(), keyed.end(), less);
  rows_.clear();
  for (auto& k : keyed) rows_.push_back(std::move(k.second));
}

void CMailList::ColumnClick(int column) {
  static const int keys[4] = {kSortFrom, kSortPriority, kSortSubject, kSortDate};
  if (column < 0 || column > 3) return;
  selection_.clear();
  Sort(keys[column]);
  if (threadView_ == 1) return;  // threads break up for now; the folder keeps its order
  if (CFolderDetail* f = app_.user().store.FindFolder(folder_)) f->listSortKey = keys[column];
}

void CMailList::SetSelection(std::vector<int> rows) {
  rows.erase(std::remove_if(rows.begin(), rows.end(),
                            [this](int r) { return r < 0 || r >= static_cast<int>(rows_.size()); }),
             rows.end());
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  selection_ = std::move(rows);
}

void CMailList::Announce(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return doc_.SelectMail(nullptr, this);
  const MailHandle h = rows_[static_cast<size_t>(row)].mail;
  doc_.SelectMail(&h, this);
}

void CMailList::Click() {
  if (selection_.empty()) return;
  const CMailDetail* m = Mail(selection_.front());
  if (!m) return;
  if (app_.user().htmlMode == 0) {
    // Automatic: the body pane follows what the mail holds.
    std::string text = m->bodyText;
    if (m->IsReceived()) text = DecodeMessageFile(m->filePath, app_.user().mailDir, false, false).text;
    bool html = text.find(kHtmlNotice) != std::string::npos;
    for (const char* tag : {"<HTML", "<Html", "<html", "<body", "<Body", "<BODY"})
      html = html || text.find(tag) != std::string::npos;
    doc_.bodyPane = html ? BodyPane::Html : BodyPane::Text;
  }
  Announce(selection_.front());
}

void CMailList::OnKey(Key key) {
  if (rows_.empty()) return;
  const int last = static_cast<int>(rows_.size()) - 1;
  const int current = selection_.empty() ? -1 : selection_.front();
  switch (key) {
    case Key::Return:
      if (current >= 0) Open();
      return;
    case Key::Delete:
      if (current >= 0) OnCommand(ID_MAIL_DELETE);
      return;
    case Key::Up:
      if (current < 0) return;
      SetSelection({std::max(current - 1, 0)});
      return Click();
    case Key::Down:
      if (current < 0) return;
      SetSelection({std::min(current + 1, last)});
      return Click();
    case Key::Other:
      return;
  }
}

void CMailList::Open(int rowUnderCursor) {
  const int row = !selection_.empty() ? selection_.front() : rowUnderCursor;
  CMailDetail* m = Mail(row);
  if (!m) return;
  bool receipt = false;
  if (!InFolder(kUnsentFolder) && !InFolder(kTemplateFolder)) {
    receipt = m->state == CMailDetail::kUnread && m->receiptRequest == 1;
    m->state = CMailDetail::kRead;
  }
  const MailHandle h = rows_[static_cast<size_t>(row)].mail;
  host_.OpenMailWindow(h, MailListHost::Request::Open);
  if (receipt && app_.prompter().Show(kReceiptQuestion, MbIcon::Question, MbButtons::OkCancel) == MbAnswer::Ok)
    host_.OpenMailWindow(h, MailListHost::Request::Receipt);
  Announce(row);
}

std::vector<int> CMailList::SelectedMails() const {
  std::vector<int> out;
  for (int r : selection_)
    if (!rows_[static_cast<size_t>(r)].reply()) out.push_back(r);
  return out;
}

bool CMailList::IsEnabled(unsigned id) const {
  switch (id) {
    case ID_MAIL_REPLY:
    case ID_MAIL_FORWARD:
    case ID_MAIL_DELETE:
    case ID_MAIL_MARK_READ:
      return !selection_.empty();
    default:
      return id >= ID_PRIORITY_1 && id < ID_PRIORITY_1 + 10;
  }
}

bool CMailList::IsChecked(unsigned id) const {
  if (id < ID_PRIORITY_1 || id >= ID_PRIORITY_1 + 10) return false;
  const std::vector<int> mails = SelectedMails();
  const CMailDetail* m = mails.empty() ? nullptr : Mail(mails.front());
  return m && ShownPriority(m->priority) == static_cast<int32_t>(id - ID_PRIORITY_1 + 1);
}

void CMailList::OnCommand(unsigned id) {
  if (!IsEnabled(id)) return;
  switch (id) {
    case ID_MAIL_REPLY:
    case ID_MAIL_FORWARD:
      if (Mail(selection_.front()))
        host_.OpenMailWindow(rows_[static_cast<size_t>(selection_.front())].mail,
                             id == ID_MAIL_REPLY ? MailListHost::Request::Reply : MailListHost::Request::Forward);
      return;
    case ID_MAIL_DELETE: return Delete();
    case ID_MAIL_MARK_READ: return MarkRead();
    default: return SetPriority(static_cast<int>(id - ID_PRIORITY_1) + 1);
  }
}

void CMailList::Delete() {
  if (selection_.size() > 1 &&
      app_.prompter().Show(kDeleteSelectedQuestion, MbIcon::Exclamation, MbButtons::OkCancel) != MbAnswer::Ok)
    return;
  CListInfo& store = app_.user().store;
  std::vector<MailHandle> doomed;
  for (int r : SelectedMails()) doomed.push_back(rows_[static_cast<size_t>(r)].mail);
  const bool one = selection_.size() == 1;
  bool changed = false;
  for (const MailHandle& h : doomed) {
    CMailDetail* m = h.Resolve(store);
    if (!m) continue;
    if (one && app_.prompter().Show("件名：" + m->subject + "を本当に削除してもいいですか？", MbIcon::Exclamation,
                                    MbButtons::OkCancel) != MbAnswer::Ok)
      return;
    // The row goes, and every other row of the same mail (shown again as a
    // reply); other mails that share its Message-ID stay.
    std::erase_if(rows_, [&](const MailRow& r) { return r.mail == h; });
    changed = true;
    CFolderDetail* f = store.FolderOf(m);
    if (m->state == CMailDetail::kComposed)
      m->state = CMailDetail::kRead;  // hidden in the unsent folder and the templates
    else if (f && f->name == kSearchFolder)
      m->state = CMailDetail::kDeleted;  // only the search result goes
    else if (f)
      f->DeleteMail(m, &app_.prompter());
  }
  selection_.clear();
  if (!changed) return;
  app_.SaveUserRecord();  // the files are gone: the index on disk says so too
  FullRefresh();
}

void CMailList::MarkRead() {
  const std::vector<int> mails = SelectedMails();
  for (int r : mails)
    if (CMailDetail* m = Mail(r)) m->state = CMailDetail::kRead;
  if (selection_.size() == 1) Announce(selection_.front());
  else FullRefresh();
}

void CMailList::SetPriority(int k) {
  const std::vector<int> mails = SelectedMails();
  const CMailDetail* first = mails.empty() ? nullptr : Mail(mails.front());
  const int32_t current = first ? ShownPriority(first->priority) : 0;
  const int32_t next = current == k ? 0 : k;
  for (int r : mails)
    if (CMailDetail* m = Mail(r)) m->priority = next;
  if (selection_.size() == 1) Announce(selection_.front());
  else if (!selection_.empty()) FullRefresh();
}

bool CMailList::CanBeginDrag() const {
  if (InFolder(kSearchFolder) || InFolder(kUnsentFolder) || InFolder(kTemplateFolder)) return false;
  return !SelectedMails().empty();
}

std::vector<MailHandle> CMailList::DragMails() const {
  std::vector<MailHandle> out;
  if (!CanBeginDrag()) return out;
  for (int r : SelectedMails()) out.push_back(rows_[static_cast<size_t>(r)].mail);
  return out;
}

std::string CMailList::DragText() const {
  std::string text;
  for (const MailHandle& h : DragMails()) {
    const CMailDetail* m = h.Resolve(app_.user().store);
    if (!m) continue;
    if (!text.empty()) text += ",";
    text += m->messageId;
  }
  return text;
}

}  // namespace fennel
