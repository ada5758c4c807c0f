#include "store/composed_mail.h"

#include "platform/clock.h"
#include "platform/fs.h"
#include "store/archive.h"
#include "store/sorting.h"

namespace fennel {
namespace {

std::string JoinPaths(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& p : paths) {
    if (!joined.empty()) joined += ',';
    joined += p;
  }
  return joined;
}

std::vector<std::string> SplitPaths(const std::string& joined) {
  std::vector<std::string> paths = SplitKeywords(joined);
  std::erase(paths, std::string());
  return paths;
}

}  // namespace

std::string EncodeComposedMail(const ComposedMail& mail) {
  StringSink sink;
  {
    CArchive ar(sink);
    ar.WriteString(JoinPaths(mail.attachments));
    for (const std::string* s : {&mail.bcc, &mail.cc, &mail.subject, &mail.to, &mail.body, &mail.inReplyTo,
                                 &mail.references})
      ar.WriteString(*s);
    ar.WriteTime(mail.date);
    ar.WriteU32(static_cast<uint32_t>(mail.receiptRequest));
    ar.WriteU32(static_cast<uint32_t>(mail.templateFlag));
    ar.WriteString(mail.replyTo);
    ar.WriteU32(static_cast<uint32_t>(mail.scramble));
    ar.Flush();
  }
  return sink.bytes;
}

bool DecodeComposedMail(const std::string& bytes, ComposedMail& mail) {
  ComposedMail m;
  StringSource source(bytes);
  CArchive ar(source);
  try {
    m.attachments = SplitPaths(ar.ReadString());
    for (std::string* s : {&m.bcc, &m.cc, &m.subject, &m.to, &m.body, &m.inReplyTo, &m.references})
      *s = ar.ReadString();
  } catch (const ArchiveError&) {
    return false;
  }
  // The trailing fields came later: an older file simply ends before them.
  m.date = CurrentClock().Now();
  try {
    m.date = ar.ReadTime();
    m.receiptRequest = static_cast<int32_t>(ar.ReadU32());
    m.templateFlag = static_cast<int32_t>(ar.ReadU32());
    m.replyTo = ar.ReadString();
    m.scramble = static_cast<int32_t>(ar.ReadU32());
  } catch (const ArchiveError&) {
  }
  mail = std::move(m);
  return true;
}

bool SaveComposedMail(const std::string& path, const ComposedMail& mail) {
  return WriteFileAtomic(path, EncodeComposedMail(mail));
}

bool LoadComposedMail(const std::string& path, ComposedMail& mail) {
  std::string bytes;
  return ReadWholeFile(path, bytes) && DecodeComposedMail(bytes, mail);
}

}  // namespace fennel
