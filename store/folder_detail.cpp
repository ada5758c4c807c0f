#include "store/folder_detail.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/prompter.h"
#include "store/list_info.h"

namespace fennel {

const ClassInfo CFolderDetail::kClass{"CFolderDetail", 0, [] { return std::unique_ptr<CObject>(new CFolderDetail); }};

void CFolderDetail::SerializeHeader(CArchive& ar) {
  ar.Io(name);
  ar.Io(state);
  ar.Io(sortText);
  ar.Io(parent);
  for (std::string& v : spareStr) ar.Io(v);
  ar.Io(spare8);
  ar.Io(sortCondition);
  ar.Io(threadView);
  ar.Io(expanded);
  ar.Io(spare12);
  ar.Io(listSortKey);
  for (int32_t& v : spareInt) ar.Io(v);
}

void CFolderDetail::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    SerializeHeader(ar);
  } else {
    try {
      SerializeHeader(ar);
    } catch (const ArchiveError&) {
      // Reported here; the mail list is read next all the same, and a
      // damaged file normally fails again there and ends the load.
      if (ar.prompter()) ar.prompter()->Show("フォルダ読み込み失敗");
    }
  }
  ar.IoList(mails);
  if (ar.IsLoading())
    for (auto& m : mails) Adopt(m.get());
}

void CFolderDetail::Adopt(CMailDetail* mail) {
  mail->folder_ = this;
  mail->seq_ = nextSeq_++;
}

CMailDetail* CFolderDetail::AddMail(std::unique_ptr<CMailDetail> mail) {
  CMailDetail* m = mail.get();
  Adopt(m);
  mails.push_back(std::move(mail));
  if (store_) store_->IndexAdd(m);
  return m;
}

CMailDetail* CFolderDetail::AddCopy(const CMailDetail& mail) { return AddMail(CMailDetail::CopyOf(mail)); }

std::unique_ptr<CMailDetail> CFolderDetail::TakeMail(const CMailDetail* mail) {
  auto it = std::find_if(mails.begin(), mails.end(), [&](const auto& m) { return m.get() == mail; });
  if (it == mails.end()) return nullptr;
  std::unique_ptr<CMailDetail> taken = std::move(*it);
  mails.erase(it);
  if (store_) store_->IndexRemove(taken.get());
  taken->folder_ = nullptr;
  return taken;
}

void CFolderDetail::DeleteMail(const CMailDetail* mail, Prompter* prompter, bool keepFile) {
  std::unique_ptr<CMailDetail> m = TakeMail(mail);
  if (!m || keepFile || m->state == CMailDetail::kDeleted) return;
  if (!RemoveFile(m->filePath) && prompter) prompter->Show("File " + m->filePath + "は削除されませんでした。");
}

void CFolderDetail::DeleteMails(const std::string& selector, Prompter* prompter) {
  const bool all = selector == kSelectAll;
  const bool searchAll = selector == kSelectSearchAll;
  const bool afterAll = selector == kSelectAfterAll;
  std::vector<std::unique_ptr<CMailDetail>> kept;
  std::vector<std::unique_ptr<CMailDetail>> removed;
  for (auto& m : mails) {
    if (m->messageId != selector && !all && !searchAll) {
      if (afterAll) m->state = CMailDetail::kDeleted;
      kept.push_back(std::move(m));
    } else {
      removed.push_back(std::move(m));
    }
  }
  mails = std::move(kept);
  for (auto& m : removed) {
    if (store_) store_->IndexRemove(m.get());
    if (m->state != CMailDetail::kDeleted && !searchAll && !RemoveFile(m->filePath) && prompter)
      prompter->Show("File " + m->filePath + "は削除されませんでした。");
  }
}

CMailDetail* CFolderDetail::FindBySeq(uint64_t seq) const {
  // Records keep the order in which they were added, so their places rise.
  auto it = std::lower_bound(mails.begin(), mails.end(), seq,
                             [](const std::unique_ptr<CMailDetail>& m, uint64_t s) { return m->seq_ < s; });
  return it != mails.end() && (*it)->seq_ == seq ? it->get() : nullptr;
}

void CFolderDetail::Purge() {
  const bool unsent = name == kUnsentFolder;
  std::vector<std::unique_ptr<CMailDetail>> kept;
  for (auto& m : mails) {
    bool drop = unsent ? m->state == CMailDetail::kRead : m->state == CMailDetail::kDeleted;
    if (drop) {
      if (store_) store_->IndexRemove(m.get());
    } else {
      kept.push_back(std::move(m));
    }
  }
  mails = std::move(kept);
}

CMailDetail* CFolderDetail::FindMailByPath(const std::string& path) const {
  if (store_) return store_->FindMailByPathIn(this, path);
  for (const auto& m : mails)
    if (m->filePath == path) return m.get();
  return nullptr;
}

CMailDetail* CFolderDetail::FindLiveMailByPath(const std::string& path) const {
  if (store_) return store_->FindLiveMailByPath(path, this);
  for (const auto& m : mails)
    if (m->filePath == path && m->state != CMailDetail::kDeleted) return m.get();
  return nullptr;
}

CMailDetail* CFolderDetail::FindMailById(const std::string& messageId) const {
  if (store_) return store_->FindMailByIdIn(this, messageId);
  for (const auto& m : mails)
    if (m->messageId == messageId && m->state != CMailDetail::kDeleted) return m.get();
  return nullptr;
}

int CFolderDetail::MailCount() const {
  const bool special = IsUnsentOrTemplate();
  int n = 0;
  for (const auto& m : mails) {
    if (m->state == CMailDetail::kDeleted) continue;
    if (special && (m->state == CMailDetail::kRead || m->state == CMailDetail::kUnread)) continue;
    ++n;
  }
  return n;
}

int CFolderDetail::UnreadCount() const {
  if (IsUnsentOrTemplate()) return 0;
  int n = 0;
  for (const auto& m : mails)
    if (m->state == CMailDetail::kUnread) ++n;
  return n;
}

void CFolderDetail::Replies(const std::string& id, std::vector<CMailDetail*>& out) const {
  for (const auto& m : mails)
    if (m->state != CMailDetail::kDeleted &&
        (m->inReplyTo.find(id) != std::string::npos || m->references.find(id) != std::string::npos))
      out.push_back(m.get());
}

}  // namespace fennel
