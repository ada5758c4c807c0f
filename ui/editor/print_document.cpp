#include "ui/editor/print_document.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/text.h"

namespace fennel {

PrintDocument::PrintDocument(PrintFields fields) : f_(std::move(fields)) {
  // The lines of the body as its edit control shows them; tabs become four
  // blanks on paper.
  std::string body = f_.body;
  ReplaceAll(body, "\t", "    ");
  size_t start = 0;
  for (;;) {
    size_t end = body.find("\r\n", start);
    bodyLines_.push_back(body.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
}

int PrintDocument::LineCount() const {
  return 5 + bodyLineCount() + std::max<int>(1, static_cast<int>(f_.attachmentNames.size()));
}

std::string PrintDocument::PrintLine(int index) const {
  const int b = bodyLineCount();
  if (index < 0 || index >= LineCount()) return {};
  switch (index) {
    case 0: return "宛先(TO)：" + (f_.recipientText.empty() ? std::string("    ") : f_.recipientText);
    case 1: return f_.toCaption + f_.to;
    case 2: return f_.ccCaption + f_.cc;
    case 3: return f_.bccCaption + f_.bcc;
    case 4: return "件名(Subject):" + f_.subject;
    case 5: return "本文(Body):" + bodyLines_[0];
    default: break;
  }
  if (index <= b + 4) return "     " + bodyLines_[static_cast<size_t>(index - 5)];
  const size_t a = static_cast<size_t>(index - b - 5);
  const std::string name = a < f_.attachmentNames.size() ? f_.attachmentNames[a] : std::string();
  return (a == 0 ? "添付ファイル:" : "           ") + name;
}

int PrintDocument::LinesPerPage(int pageHeight, int topMargin, int bottomMargin, int lineHeight) {
  if (lineHeight <= 0) return 1;
  return std::max(1, (pageHeight - topMargin - bottomMargin + lineHeight) / lineHeight - 2);
}

int PrintDocument::PageCount(int lineCount, int linesPerPage) {
  if (linesPerPage <= 0) linesPerPage = 1;
  return (lineCount + linesPerPage - 1) / linesPerPage;
}

std::pair<int, int> PrintDocument::PageLines(int page, int linesPerPage) const {
  const int first = (page - 1) * linesPerPage;
  const int last = std::min(page * linesPerPage - 1, LineCount() - 1);
  return {first, last};
}

std::string PrintDocument::PageHeader(int64_t time, const std::string& title, int page, int pages) {
  const std::string h = "[送受信時刻：" + FormatLocalTime(time, "%Y/%m/%d %H:%M:%S") + "]";
  const std::string p = "Page " + std::to_string(page) + "/" + std::to_string(pages);
  const long f = 73 - static_cast<long>(p.size()) - static_cast<long>(h.size()) - static_cast<long>(title.size());
  if (f >= 0) return h + title + std::string(static_cast<size_t>(f + 2), ' ') + p;
  const long keep = static_cast<long>(title.size()) + f - 3;
  return h + TruncateCp932(title, static_cast<size_t>(std::max<long>(0, keep))) + "...  " + p;
}

}  // namespace fennel
