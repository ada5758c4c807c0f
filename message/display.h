// What the three views of a mail show: the header strip, the text view and
// the HTML page. Received mail is decoded from its file; mail written here
// is shown from its record.
#pragma once

#include <string>

#include <cstdint>

namespace fennel {

inline constexpr const char* kCannotDisplay = "このメールは表示することができません。";
inline constexpr const char* kMailViewFile = "MailView.html";

// The decoded body of a message file: text, attachment names (each ended by
// CR LF) and whether the whole file could be parsed.
struct DecodedMessage {
  std::string text;
  std::string attachments;
  bool parsed = false;
};

// Parses the file and decodes every leaf; named attachments are written
// into saveDir.
DecodedMessage DecodeMessageFile(const std::string& path, const std::string& saveDir, bool includeHtml,
                                 bool saveAttachments = true);

// What the views need of a mail's index record.
struct ShownMail {
  std::string filePath;
  std::string from;  // for mail written here: its recipients
  std::string to;
  std::string subject;
  int64_t date = 0;
  std::string bodyText;         // mail written here
  std::string attachmentPaths;  // mail written here, each ended by CR LF
};

// A received message: the file name (the last 12 characters of the path)
// begins with "RCV".
bool IsReceivedPath(const std::string& path);

// The header view: sender, recipients, subject and time of a record.
std::string HeaderViewText(const ShownMail& mail);

// The text view of a received message file.
std::string TextViewOfFile(const std::string& path, const std::string& saveDir);
// The text view of a record: received mail from its file, written mail
// from the record.
std::string TextViewText(const ShownMail& mail, const std::string& saveDir);
// Text and attachments as the text view lays them out.
std::string TextViewLayout(const std::string& text, const std::string& attachments);

// The HTML page of a received message file.
std::string HtmlPageOfFile(const std::string& path, const std::string& saveDir);
std::string HtmlPage(const ShownMail& mail, const std::string& saveDir);
// The HTML page of an already decoded received message.
std::string HtmlPageOfText(const DecodedMessage& m);

// Writes the page as "MailView.html" in dir; returns its path.
std::string WriteMailView(const std::string& dir, const std::string& page);

}  // namespace fennel
