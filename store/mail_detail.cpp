#include "store/mail_detail.h"

#include <ctime>

#include "message/header_field.h"
#include "message/header_words.h"
#include "message/mail_date.h"
#include "platform/clock.h"

namespace fennel {

const ClassInfo CMailDetail::kClass{"CMailDetail", 0, [] { return std::unique_ptr<CObject>(new CMailDetail); }};

CMailDetail::CMailDetail() : date(CurrentClock().Now()) {}

std::string MadeUpMessageId(const std::string& from, const std::string& subject, int64_t date) {
  static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
  time_t t = static_cast<time_t>(date);
  struct tm tm {};
  localtime_r(&t, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s, %s %02d, %d, %02d, %02d, %02d", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                tm.tm_mday, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return from + subject + buf;
}

std::unique_ptr<CMailDetail> CMailDetail::FromFile(const std::string& path) {
  auto m = std::make_unique<CMailDetail>();
  m->filePath = path;
  const std::vector<std::string> f =
      ReadHeaderFields(path, {"From:", "Subject:", "To:", "Message-ID:", "In-Reply-To:", "References:", "Date:",
                              "Content-Disposition:", "Disposition-Notification-To:"});
  JisConverter jis;
  auto decode = [&](const std::string& v) {
    std::string d = DecodeHeaderWords(v, jis);
    jis.Reset();
    return d;
  };
  m->from = decode(f[0]);
  for (char c : decode(f[1]))
    if (c != '\t') m->subject.push_back(c);
  m->to = decode(f[2]);
  m->messageId = f[3];
  m->inReplyTo = f[4];
  m->references = f[5];
  if (!f[6].empty()) {
    int64_t t = ParseMailDate(f[6]);
    if (t >= 0) m->date = t;
  }
  // Any part of the message typed as an application counts as an attachment.
  m->attachFlag = (!ReadHeaderFieldLong(path, "Content-Type: application").empty() || !f[7].empty()) ? kAttachmentMark : 0;
  m->receiptRequest = f[8].empty() ? 0 : 1;
  m->state = kUnread;
  if (m->messageId.empty()) m->messageId = MadeUpMessageId(m->from, m->subject, m->date);
  return m;
}

std::unique_ptr<CMailDetail> CMailDetail::CopyOf(const CMailDetail& o) {
  auto m = std::make_unique<CMailDetail>();
  m->filePath = o.filePath;
  m->from = o.from;
  m->subject = o.subject;
  m->date = o.date;
  m->messageId = o.messageId;
  m->state = o.state;
  m->inReplyTo = o.inReplyTo;
  m->references = o.references;
  m->bodyText = o.bodyText;
  m->attachmentPaths = o.attachmentPaths;
  m->to = o.to;
  m->attachFlag = o.attachFlag;
  return m;
}

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
