// A folder of the store with its mail records, in the order they were added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/archive.h"
#include "store/mail_detail.h"

namespace fennel {

class CListInfo;
class Prompter;

// Special folders, recognised by exact name.
inline constexpr const char* kInboxFolder = "受信フォルダ";
inline constexpr const char* kSentFolder = "送信フォルダ";
inline constexpr const char* kUnsentFolder = "未送信フォルダ";
inline constexpr const char* kTemplateFolder = "テンプレート";
inline constexpr const char* kSearchFolder = "検索フォルダ";

// Selectors of DeleteMails besides a Message-ID.
inline constexpr const char* kSelectAll = "ALL";
inline constexpr const char* kSelectSearchAll = "KENSAKU_ALL";
inline constexpr const char* kSelectAfterAll = "AFTER_ALL";

class CFolderDetail : public CObject {
 public:
  enum State : int32_t { kNormal = 0, kBeingDeleted = 2 };
  enum SortCondition : int32_t { kByFrom = 0, kBySubject = 1, kByTo = 2, kByBody = 3 };
  static const ClassInfo kClass;

  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(CArchive& ar) override;

  // Appends a record (the folder takes it) and returns it.
  CMailDetail* AddMail(std::unique_ptr<CMailDetail> mail);
  // Appends a copy of mail (copy rule of CMailDetail::CopyOf).
  CMailDetail* AddCopy(const CMailDetail& mail);
  // Takes one record out of the folder and hands it to the caller.
  std::unique_ptr<CMailDetail> TakeMail(const CMailDetail* mail);
  // Removes one record and, unless it is in state 2 or keepFile is set,
  // deletes its message file (a failure is reported and the record goes all
  // the same).
  void DeleteMail(const CMailDetail* mail, Prompter* prompter, bool keepFile = false);
  // By Message-ID, or every mail with "ALL", "KENSAKU_ALL" (records only) or
  // "AFTER_ALL" (marks all mails deleted, keeps records and files).
  void DeleteMails(const std::string& selector, Prompter* prompter);
  // Drops the records in state 2 (in "未送信フォルダ": those in state 0).
  void Purge();

  CMailDetail* FindMailByPath(const std::string& path) const;
  // The record of that file whose state is not 2.
  CMailDetail* FindLiveMailByPath(const std::string& path) const;
  CMailDetail* FindMailById(const std::string& messageId) const;
  // The record with that place (CMailDetail::seq), or null when it is gone.
  CMailDetail* FindBySeq(uint64_t seq) const;
  int MailCount() const;
  int UnreadCount() const;
  // Mails (not in state 2) whose In-Reply-To or References holds id.
  void Replies(const std::string& id, std::vector<CMailDetail*>& out) const;

  bool IsUnsentOrTemplate() const { return name == kUnsentFolder || name == kTemplateFolder; }
  CListInfo* store() const { return store_; }

  std::string name;
  int32_t state = kNormal;
  std::string sortText;
  std::string parent;
  std::string spareStr[3];
  int32_t spare8 = 0;
  int32_t sortCondition = kByFrom;
  int32_t threadView = 0;
  int32_t expanded = 0;
  int32_t spare12 = 0;
  int32_t listSortKey = 0;
  int32_t spareInt[4] = {};
  // Read freely; change only through the operations above, which keep the
  // store's index in step.
  std::vector<std::unique_ptr<CMailDetail>> mails;

 private:
  friend class CListInfo;
  void SerializeHeader(CArchive& ar);
  void Adopt(CMailDetail* mail);
  CListInfo* store_ = nullptr;
  uint64_t nextSeq_ = 1;
};

}  // namespace fennel
