// The index entry of one stored mail. The message itself stays in its file
// in the mail directory; the record names that file and keeps what the mail
// list shows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/archive.h"

namespace fennel {

class CMailDetail : public CObject {
 public:
  enum State : int32_t { kRead = 0, kComposed = 1, kDeleted = 2, kUnread = 3 };
  // attachFlag of a mail with attachments.
  static constexpr int32_t kAttachmentMark = 8;

  static const ClassInfo kClass;

  CMailDetail();  // date = now
  // The record of a message file: header fields decoded, state unread.
  static std::unique_ptr<CMailDetail> FromFile(const std::string& path);
  // A copy as a folder takes it (search results, moves): receipt request,
  // priority and the other numbers start at 0.
  static std::unique_ptr<CMailDetail> CopyOf(const CMailDetail& other);

  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(CArchive& ar) override;

  // True when the file name (the last 12 characters of the path) begins
  // with "RCV": a received message.
  bool IsReceived() const;

  std::string filePath;
  std::string from;
  std::string subject;
  int64_t date = 0;
  std::string messageId;
  int32_t state = kRead;
  std::string inReplyTo;
  std::string references;
  std::string bodyText;
  std::string attachmentPaths;
  std::string to;
  int32_t attachFlag = 0;
  int32_t receiptRequest = 0;
  int32_t templateFlag = 0;
  int32_t scrambleFlag = 0;
  int32_t priority = 0;
  int32_t spare[5] = {};

  // Held in memory only: the Message-ID at the root of the mail's thread.
  std::string threadRoot;

  // The record's place in its folder: given when the folder takes it,
  // rising in list order, never given twice by one folder. With the
  // folder's name it names the record across moves, deletes and refills
  // (CFolderDetail::FindBySeq), where a pointer would dangle.
  uint64_t seq() const { return seq_; }

 private:
  friend class CFolderDetail;
  friend class CListInfo;
  class CFolderDetail* folder_ = nullptr;  // the folder that holds it
  uint64_t seq_ = 0;                      // order within that folder
};

// The key of a message without Message-ID: From, Subject and the date
// written "%A, %B %d, %Y, %H, %M, %S" with English names.
std::string MadeUpMessageId(const std::string& from, const std::string& subject, int64_t date);

}  // namespace fennel
