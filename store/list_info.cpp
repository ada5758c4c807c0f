#include "store/list_info.h"

#include "platform/text.h"

#include <algorithm>

namespace fennel {
void CListInfo::Serialize(CArchive& ar) {
  ar.IoList(addresses);
  ar.IoList(folders);
  ar.IoList(subAccounts);
  ar.IoList(phrases);
  for (auto& list : spare) ar.IoList(list);
  if (ar.IsLoading()) {
    for (auto& f : folders) f->store_ = this;
    indexed_ = false;
  }
}

void CListInfo::Clear() {
  addresses.clear();
  folders.clear();
  subAccounts.clear();
  phrases.clear();
  for (auto& list : spare) list.clear();
  byId_.clear();
  byPath_.clear();
  indexed_ = false;
}

// ---- Index

namespace {

size_t Hash(const std::string& key) { return std::hash<std::string>{}(key); }

// Removes the entry of mail under key; false when it is not there.
bool Unindex(std::unordered_multimap<size_t, CMailDetail*>& index, const std::string& key, const CMailDetail* mail) {
  auto [first, last] = index.equal_range(Hash(key));
  for (auto it = first; it != last; ++it) {
    if (it->second == mail) {
      index.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace

void CListInfo::Attach(CFolderDetail* folder) {
  folder->store_ = this;
  if (indexed_)
    for (auto& m : folder->mails) IndexAdd(m.get());
}

void CListInfo::IndexAdd(CMailDetail* mail) {
  if (!indexed_) return;  // built whole on the next lookup
  byId_.emplace(Hash(mail->messageId), mail);
  byPath_.emplace(Hash(mail->filePath), mail);
}

void CListInfo::IndexRemove(const CMailDetail* mail) {
  if (!indexed_) return;
  // A record whose key changed since it was indexed is not found under it:
  // then the index is built anew on the next lookup.
  if (!Unindex(byId_, mail->messageId, mail) || !Unindex(byPath_, mail->filePath, mail)) indexed_ = false;
}

void CListInfo::BuildIndex() const {
  if (indexed_) return;
  byId_.clear();
  byPath_.clear();
  size_t n = 0;
  for (const auto& f : folders) n += f->mails.size();
  byId_.reserve(n);
  byPath_.reserve(n);
  for (const auto& f : folders) {
    f->store_ = const_cast<CListInfo*>(this);
    for (const auto& m : f->mails) {
      byId_.emplace(Hash(m->messageId), m.get());
      byPath_.emplace(Hash(m->filePath), m.get());
    }
  }
  indexed_ = true;
}

bool CListInfo::Before(const CMailDetail* a, const CMailDetail* b) const {
  if (a->folder_ != b->folder_) {
    for (const auto& f : folders) {
      if (f.get() == a->folder_) return true;
      if (f.get() == b->folder_) return false;
    }
  }
  return a->seq_ < b->seq_;
}

CMailDetail* CListInfo::FindMailById(const std::string& messageId) const {
  BuildIndex();
  CMailDetail* best = nullptr;
  auto [first, last] = byId_.equal_range(Hash(messageId));
  for (auto it = first; it != last; ++it) {
    CMailDetail* m = it->second;
    if (m->messageId != messageId || m->state == CMailDetail::kDeleted || !m->folder_ ||
        m->folder_->state == CFolderDetail::kBeingDeleted)
      continue;
    if (!best || Before(m, best)) best = m;
  }
  return best;
}

CMailDetail* CListInfo::FindMailByIdIn(const CFolderDetail* folder, const std::string& id) const {
  BuildIndex();
  CMailDetail* best = nullptr;
  auto [first, last] = byId_.equal_range(Hash(id));
  for (auto it = first; it != last; ++it) {
    CMailDetail* m = it->second;
    if (m->folder_ == folder && m->messageId == id && m->state != CMailDetail::kDeleted &&
        (!best || m->seq_ < best->seq_))
      best = m;
  }
  return best;
}

CMailDetail* CListInfo::FindMailByPathIn(const CFolderDetail* folder, const std::string& path) const {
  BuildIndex();
  CMailDetail* best = nullptr;
  auto [first, last] = byPath_.equal_range(Hash(path));
  for (auto it = first; it != last; ++it) {
    CMailDetail* m = it->second;
    if (m->folder_ == folder && m->filePath == path && (!best || m->seq_ < best->seq_)) best = m;
  }
  return best;
}

CMailDetail* CListInfo::FindLiveMailByPath(const std::string& path, const CFolderDetail* folder) const {
  BuildIndex();
  auto [first, last] = byPath_.equal_range(Hash(path));
  for (auto it = first; it != last; ++it) {
    CMailDetail* m = it->second;
    if ((!folder || m->folder_ == folder) && m->filePath == path && m->state != CMailDetail::kDeleted) return m;
  }
  return nullptr;
}

void CListInfo::SetFilePath(CMailDetail* mail, const std::string& path) {
  if (indexed_ && !Unindex(byPath_, mail->filePath, mail)) indexed_ = false;
  mail->filePath = path;
  if (indexed_) byPath_.emplace(Hash(path), mail);
}

void CListInfo::SetMessageId(CMailDetail* mail, const std::string& id) {
  if (indexed_ && !Unindex(byId_, mail->messageId, mail)) indexed_ = false;
  mail->messageId = id;
  if (indexed_) byId_.emplace(Hash(id), mail);
}

// ---- Folders

CFolderDetail* CListInfo::AddFolder(const std::string& name, int32_t sortCondition, int32_t threadView,
                                    const std::string& sortText, const std::string& parent) {
  auto f = std::make_unique<CFolderDetail>();
  f->name = name;
  f->sortCondition = sortCondition;
  f->threadView = threadView;
  f->sortText = sortText;
  f->parent = parent;
  CFolderDetail* raw = f.get();
  folders.push_back(std::move(f));
  Attach(raw);
  return raw;
}

CFolderDetail* CListInfo::FindFolder(const std::string& name) const {
  for (const auto& f : folders)
    if (f->name == name && f->state != CFolderDetail::kBeingDeleted) return f.get();
  return nullptr;
}

CFolderDetail* CListInfo::FolderOrCreate(const std::string& name) {
  if (CFolderDetail* f = FindFolder(name)) return f;
  return AddFolder(name);
}

void CListInfo::DeleteFolder(const std::string& name, Prompter* prompter) {
  for (size_t i = 0; i < folders.size();) {
    if (folders[i]->name != name) {
      ++i;
      continue;
    }
    folders[i]->DeleteMails(kSelectAll, prompter);
    folders.erase(folders.begin() + static_cast<long>(i));
  }
}

void CListInfo::DeleteFolderKeepingFiles(const std::string& name, Prompter* prompter) {
  // DeleteFolder takes every folder of the name, so every one of them has
  // its mails marked first: a file of a mail in state 2 is never deleted.
  for (auto& f : folders) {
    if (f->name != name) continue;
    f->DeleteMails(kSelectAfterAll, prompter);
    f->state = CFolderDetail::kBeingDeleted;
  }
  DeleteFolder(name, prompter);
}

void CListInfo::TopLevelFolders(std::vector<std::string>& out) const {
  for (const auto& f : folders)
    if (f->parent.empty()) out.push_back(f->name);
}

int CListInfo::CountChildren(const std::string& name) const {
  int n = 0;
  for (const auto& f : folders)
    if (f->parent == name) ++n;
  return n;
}

int CListInfo::ChildrenUnread(const std::string& name) const {
  int n = 0;
  for (const auto& f : folders)
    if (f->parent == name) n += f->UnreadCount();
  return n;
}

// ---- Mails across folders

void CListInfo::CollectMessageIds(std::vector<std::string>& out) const {
  for (const auto& f : folders) {
    if (f->state == CFolderDetail::kBeingDeleted) continue;
    for (const auto& m : f->mails)
      if (m->state != CMailDetail::kDeleted && !m->messageId.empty()) out.push_back(m->messageId);
  }
}

std::vector<CMailDetail*> CListInfo::CollectReplies(const std::string& id) const {
  std::vector<CMailDetail*> out;
  for (const auto& f : folders)
    if (f->state != CFolderDetail::kBeingDeleted && !f->IsUnsentOrTemplate()) f->Replies(id, out);
  return out;
}

void CListInfo::ReplaceInPaths(const std::string& oldText, const std::string& newText) {
  if (oldText.empty()) return;
  for (auto& f : folders)
    for (auto& m : f->mails) {
      ReplaceAll(m->filePath, oldText, newText);
      ReplaceAll(m->attachmentPaths, oldText, newText);
    }
  indexed_ = false;  // paths changed
}

CMailDetail* CListInfo::MoveMail(CMailDetail* mail, CFolderDetail* to) {
  if (!mail || !to || mail->folder_ == to) return mail;
  CMailDetail* copy = to->AddCopy(*mail);
  mail->state = CMailDetail::kDeleted;
  return copy;
}

// ---- Address book

CAddressDetail* CListInfo::AddAddress(const std::string& nickname, const std::string& mailAddress,
                                      const std::string& fullName, const std::string& memo, int32_t kind,
                                      const std::string& category) {
  auto a = std::make_unique<CAddressDetail>();
  a->nickname = nickname;
  a->mailAddress = mailAddress;
  a->fullName = fullName;
  a->memo = memo;
  a->kind = kind;
  a->category = category;
  addresses.push_back(std::move(a));
  return addresses.back().get();
}

CAddressDetail* CListInfo::FindByNickname(const std::string& nickname) const {
  for (const auto& a : addresses)
    if (a->nickname == nickname) return a.get();
  return nullptr;
}

CAddressDetail* CListInfo::FindByAddress(const std::string& mailAddress) const {
  for (const auto& a : addresses)
    if (a->mailAddress == mailAddress) return a.get();
  return nullptr;
}

int CListInfo::CountInCategory(const std::string& name) const {
  int n = 0;
  for (const auto& a : addresses)
    if (a->category == name) ++n;
  return n;
}

void CListInfo::AddressFolders(std::vector<std::string>& out) const {
  for (const auto& a : addresses)
    if (a->kind == CAddressDetail::kFolder) out.push_back(a->nickname);
}

std::string CListInfo::Members(const std::string& name) const {
  std::string out;
  for (const auto& a : addresses) {
    if (a->category != name) continue;
    if (!out.empty()) out += ",";
    out += a->nickname;
  }
  return out;
}

// ---- Sub-accounts and phrases

CCommonDetail* CListInfo::AddSubAccount(const std::string& server, const std::string& account,
                                        const std::string& password, int32_t port, int32_t deleteFromServer,
                                        int32_t disabled) {
  auto c = std::make_unique<CCommonDetail>();
  auto v = AsSubAccount(*c);
  v.server() = server;
  v.account() = account;
  v.password() = password;
  v.port() = port;
  v.deleteFromServer() = deleteFromServer;
  v.disabled() = disabled;
  subAccounts.push_back(std::move(c));
  return subAccounts.back().get();
}

CCommonDetail* CListInfo::AddPhrase(const std::string& title, const std::string& body, const std::string& category,
                                    int32_t categoryFlag) {
  auto c = std::make_unique<CCommonDetail>();
  auto v = AsPhrase(*c);
  v.title() = title;
  v.body() = body;
  v.category() = category;
  v.isCategory() = categoryFlag;
  phrases.push_back(std::move(c));
  return phrases.back().get();
}

CCommonDetail* CListInfo::FindPhrase(const std::string& title) const {
  for (const auto& p : phrases)
    if (AsPhrase(*p).title() == title) return p.get();
  return nullptr;
}

int CListInfo::CountPhrasesInCategory(const std::string& name) const {
  int n = 0;
  for (const auto& p : phrases)
    if (AsPhrase(*p).category() == name) ++n;
  return n;
}

void CListInfo::PhraseCategories(std::vector<std::string>& out) const {
  for (const auto& p : phrases)
    if (AsPhrase(*p).isCategory() == 1) out.push_back(AsPhrase(*p).title());
}

const ClassRegistry& ClassRegistry::Records() {
  static const ClassRegistry registry = [] {
    ClassRegistry r;
    r.Register(CAddressDetail::kClass);
    r.Register(CFolderDetail::kClass);
    r.Register(CMailDetail::kClass);
    r.Register(CCommonDetail::kClass);
    return r;
  }();
  return registry;
}

}  // namespace fennel
