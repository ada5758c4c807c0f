// The text of a printed mail: its lines (recipients, subject, body,
// attachments), how many fit a page, and the page header. The window layer
// measures the page and draws; the words and the arithmetic are here.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fennel {

struct PrintFields {
  std::string recipientText;  // the window's recipient text (may be empty)
  std::string toCaption;      // the captions of the address buttons
  std::string ccCaption;
  std::string bccCaption;
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string body;  // CR LF line ends
  std::vector<std::string> attachmentNames;
};

class PrintDocument {
 public:
  explicit PrintDocument(PrintFields fields);

  // The text of print line index (from 0); empty past the last line.
  std::string PrintLine(int index) const;
  // Lines to print: the five header lines, the body's lines, then one line
  // per attachment (one "添付ファイル:" line when there is none).
  int LineCount() const;
  int bodyLineCount() const { return static_cast<int>(bodyLines_.size()); }

  // Lines per page: (page height - margins + line height) / line height,
  // less 2 for the header, at least 1. All heights in one unit (twips).
  static int LinesPerPage(int pageHeight, int topMargin, int bottomMargin, int lineHeight);
  static int PageCount(int lineCount, int linesPerPage);
  // The first and last line of page (from 1).
  std::pair<int, int> PageLines(int page, int linesPerPage) const;
  // "[送受信時刻：YYYY/MM/DD hh:mm:ss]" + title + blanks + "Page n/m", the
  // title cut with "...  " when the line would pass 75 characters.
  static std::string PageHeader(int64_t time, const std::string& title, int page, int pages);

 private:
  PrintFields f_;
  std::vector<std::string> bodyLines_;
};

}  // namespace fennel
