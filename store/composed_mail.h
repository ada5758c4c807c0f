// The file of a mail written here: what the mail window holds, so a mail
// kept for later (or as a template, or sent) opens again ready to be edited
// and sent. Stored in the record archive encoding under the "SND" file name
// of its mail record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fennel {

struct ComposedMail {
  std::vector<std::string> attachments;  // full paths
  std::string bcc;
  std::string cc;
  std::string subject;
  std::string to;
  std::string body;
  std::string inReplyTo;
  std::string references;
  int64_t date = 0;
  int32_t receiptRequest = 0;
  int32_t templateFlag = 0;
  std::string replyTo;
  int32_t scramble = 0;
};

// The bytes of the file. The attachment paths are joined with ",".
std::string EncodeComposedMail(const ComposedMail& mail);
// False when the bytes end before the References field. A file of an older
// layout that ends after it takes defaults for the rest (date = now).
bool DecodeComposedMail(const std::string& bytes, ComposedMail& mail);

// Written atomically: a failed write leaves the old file as it was.
bool SaveComposedMail(const std::string& path, const ComposedMail& mail);
bool LoadComposedMail(const std::string& path, ComposedMail& mail);

}  // namespace fennel
