#include "store/mail_detail.h"

#include "platform/clock.h"

namespace fennel {

const ClassInfo CMailDetail::kClass{"CMailDetail", 0, [] { return std::unique_ptr<CObject>(new CMailDetail); }};

CMailDetail::CMailDetail() : date(CurrentClock().Now()) {}

bool CMailDetail::IsReceived() const {
  if (filePath.size() < 12) return false;
  return filePath.compare(filePath.size() - 12, 3, "RCV") == 0;
}

void CMailDetail::Serialize(CArchive& ar) {
  // The body of a received mail is read from its file, never kept here.
  if (ar.IsStoring() && IsReceived()) bodyText.clear();
  ar.Io(filePath);
  ar.Io(from);
  ar.Io(subject);
  ar.IoTime(date);
  ar.Io(messageId);
  ar.Io(state);
  ar.Io(inReplyTo);
  ar.Io(references);
  ar.Io(bodyText);
  ar.Io(attachmentPaths);
  ar.Io(to);
  ar.Io(attachFlag);
  ar.Io(receiptRequest);
  ar.Io(templateFlag);
  ar.Io(scrambleFlag);
  ar.Io(priority);
  for (int32_t& v : spare) ar.Io(v);
}

}  // namespace fennel
