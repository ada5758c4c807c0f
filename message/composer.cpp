#include "message/composer.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string_view>

#include "message/base64.h"
#include "message/header_words.h"
#include "message/jis.h"
#include "message/scramble_text.h"
#include "platform/clock.h"
#include "platform/crand.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

uint32_t g_messageIdCounter = 0;

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr std::string_view kBoundaryPrefix = "=_ Boundary ";
constexpr std::string_view kBoundaryChars =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'()+_,-./:=?";

// Attachments are read this many bytes at a time: whole 51-byte groups, so
// every block but the last encodes to whole 68-character lines.
constexpr size_t kGroupBytes = 51;
constexpr size_t kReadBlock = kGroupBytes * 1024;
constexpr size_t kLineChars = 68;
constexpr size_t kFileBuffer = 256 * 1024;

struct TypeEntry {
  const char* extension;
  const char* type;
};
constexpr TypeEntry kContentTypes[] = {
    {"jar", "application/java-archive"},
    {"hqx", "application/mac-binhex40"},
    {"doc", "application/msword"},
    {"pdf", "application/pdf"},
    {"ai", "application/postscript"},
    {"eps", "application/postscript"},
    {"ps", "application/postscript"},
    {"rtf", "application/rtf"},
    {"tbt", "application/timbuktu"},
    {"toc", "application/toc"},
    {"hlp", "application/winhlp"},
    {"zip", "application/zip"},
    {"nar", "application/zip"},
    {"au", "audio/basic"},
    {"snd", "audio/basic"},
    {"mid", "audio/midi"},
    {"midi", "audio/midi"},
    {"bmp", "image/bmp"},
    {"gif", "image/gif"},
    {"jpg", "image/jpeg"},
    {"jpe", "image/jpeg"},
    {"jpz", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"png", "image/png"},
    {"pnz", "image/png"},
    {"tiff", "image/tiff"},
    {"tif", "image/tiff"},
    {"dwg", "image/vnd"},
    {"svf", "image/vnd"},
    {"css", "text/css"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"txt", "text/plain"},
    {"rtx", "text/richtext"},
    {"tsv", "text/tab-separated-values"},
    {"xml", "text/xml"},
    {"mpeg", "video/mpeg"},
    {"mpg", "video/mpeg"},
    {"mpe", "video/mpeg"},
    {"avi", "video/msvideo"},
    {"qt", "video/quicktime"},
    {"mov", "video/quicktime"},
    {"vdo", "video/vdo"},
};

struct tm LocalTime(int64_t t) {
  time_t tt = static_cast<time_t>(t);
  struct tm tm {};
  localtime_r(&tt, &tm);
  return tm;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t") == std::string_view::npos; }

// The envelope address of an item that is not a nickname.
std::string BareAddress(const std::string& item) {
  size_t open = item.find('<');
  if (open != std::string::npos) {
    size_t close = item.find('>', open + 1);
    // An unclosed "<" takes the rest of the item.
    return item.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
  }
  size_t paren = item.find('(');
  if (paren != std::string::npos) return item.substr(0, paren);
  return item;
}

// The body as its lines: CR LF, a lone CR and a lone LF each end a line.
std::vector<std::string_view> BodyLines(std::string_view body) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\r' && body[i] != '\n') continue;
    lines.push_back(body.substr(start, i - start));
    if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(body.substr(start));
  return lines;
}

// The message file. Every write is checked; after the first failure the
// rest is skipped and the composition reports the file as not written.
class MessageWriter {
 public:
  explicit MessageWriter(const std::string& path) : buffer_(new char[kFileBuffer]) {
    file_ = std::fopen(ToFsPath(path).c_str(), "wb");
    if (file_) std::setvbuf(file_, buffer_.get(), _IOFBF, kFileBuffer);
  }
  ~MessageWriter() {
    if (file_) std::fclose(file_);
  }
  MessageWriter(const MessageWriter&) = delete;
  MessageWriter& operator=(const MessageWriter&) = delete;

  bool opened() const { return file_ != nullptr; }

  void Write(std::string_view bytes) {
    if (!file_ || failed_ || bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  }
  void Line(std::string_view text) {
    Write(text);
    Write("\r\n");
  }

  // Closes the file; true when every byte reached it.
  bool Close() {
    if (!file_) return false;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
  }

 private:
  std::unique_ptr<char[]> buffer_;  // must outlive file_
  FILE* file_ = nullptr;
  bool failed_ = false;
};

// The file's bytes as base64 lines of 68 characters. A file that cannot be
// opened (or read) gives no lines.
void WriteBase64File(MessageWriter& out, const std::string& path) {
  FILE* in = std::fopen(ToFsPath(path).c_str(), "rb");
  if (!in) return;
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  std::string text;
  for (;;) {
    // Fill the whole block unless the file ends: only the last block may
    // hold a partial group, so only the last line carries "=" padding.
    size_t got = 0;
    while (got < kReadBlock) {
      size_t n = std::fread(block.get() + got, 1, kReadBlock - got, in);
      if (n == 0) break;
      got += n;
    }
    if (got == 0) break;
    std::string encoded = Base64Encode(std::string_view(block.get(), got));
    text.clear();
    text.reserve(encoded.size() + encoded.size() / kLineChars * 2 + 2);
    for (size_t i = 0; i < encoded.size(); i += kLineChars) {
      text.append(encoded, i, kLineChars);
      text += "\r\n";
    }
    out.Write(text);
    if (got < kReadBlock) break;
  }
  std::fclose(in);
}

void WriteTextPart(MessageWriter& out, const std::string& body, bool scramble) {
  out.Line(BodyLooksHtml(body) ? "Content-Type: text/html; charset=ISO-2022-JP"
                               : "Content-Type: text/plain; charset=ISO-2022-JP");
  out.Line("Content-Transfer-Encoding: 7bit");
  out.Line("");
  // A line that starts with "." goes as it is: the SMTP session doubles the
  // dot when it sends the file.
  for (std::string_view line : BodyLines(body)) {
    std::string jis = SjisToJis(line);
    out.Line(scramble ? ScrambleText(jis) : jis);
  }
}

// An attachment part; an empty content ID makes it "attachment" rather than
// "inline".
void WriteAttachmentPart(MessageWriter& out, const std::string& path, const std::string& contentId) {
  // The blank an encoded word ends with would become part of the name.
  std::string name = EncodeHeaderWords(FileNameOfPath(path));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  out.Line("Content-Type: " + ContentTypeForFile(path) + ";");
  out.Line("\tname=\"" + name + "\"");
  if (!contentId.empty()) {
    out.Line("Content-Disposition: inline;");
    out.Line("\tfilename=\"" + name + "\"");
    out.Line("Content-ID: <" + contentId + ">");
  } else {
    out.Line("Content-Disposition: attachment;");
    out.Line("\tfilename=\"" + name + "\"");
  }
  out.Line("Content-Transfer-Encoding: base64");
  out.Line("");
  WriteBase64File(out, path);
}

}  // namespace

RecipientField ParseRecipients(const std::string& field,
                               const std::function<std::optional<std::string>(const std::string&)>& nicknameAddress) {
  RecipientField result;
  if (field.empty()) return result;
  size_t start = 0;
  for (bool first = true;; first = false) {
    size_t comma = field.find(',', start);
    std::string item = field.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!first) result.header += ",";
    std::optional<std::string> address;
    if (nicknameAddress) address = nicknameAddress(item);
    if (address) {
      result.header += "\"" + item + "\"<" + *address + ">";
    } else {
      result.header += item;
      address = BareAddress(item);
    }
    // An empty item ("a,,b", a trailing ",") keeps its place in the header
    // but sends to nobody.
    if (!IsBlank(*address)) result.addresses.push_back(*address);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return result;
}

std::string FormatDate() { return FormatDate(CurrentClock().Now()); }

std::string FormatDate(int64_t t) {
  struct tm tm = LocalTime(t);
  long offset = tm.tm_gmtoff / 60;  // minutes east of UTC
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kWeekdays[tm.tm_wday % 7],
                tm.tm_mday, kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, sign,
                offset / 60, offset % 60);
  return buf;
}

std::string MakeMessageId(const std::string& domain) {
  struct tm tm = LocalTime(CurrentClock().Now());
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d%02d%02d.%lu@", tm.tm_mon + 1, tm.tm_mday, tm.tm_year, tm.tm_hour,
                tm.tm_min, tm.tm_sec, static_cast<unsigned long>(g_messageIdCounter));
  ++g_messageIdCounter;
  return buf + domain;
}

void ResetMessageIdCounter(uint32_t value) { g_messageIdCounter = value; }

std::string MakeBoundary(int length) {
  std::string boundary(kBoundaryPrefix);
  for (int i = static_cast<int>(kBoundaryPrefix.size()); i < length - 1; ++i)
    boundary += kBoundaryChars[static_cast<size_t>(CrtRand()) % kBoundaryChars.size()];
  return boundary;
}

std::string ContentTypeForFile(const std::string& path) {
  size_t dot = path.rfind('.');
  if (dot != std::string::npos) {
    std::string_view extension = std::string_view(path).substr(dot + 1);
    for (const TypeEntry& e : kContentTypes)
      if (EqualsNoCaseCp932(extension, e.extension)) return e.type;
  }
  return "application/octet-stream";
}

bool BodyLooksHtml(const std::string& body) {
  for (const char* tag : {"<HTML", "<Html", "<html", "<body", "<Body", "<BODY"})
    if (body.find(tag) != std::string::npos) return true;
  return false;
}

ComposedMessage ComposeMessage(const ComposeInput& input) {
  ComposedMessage result;
  result.path = JoinPath(input.mailDir, kSendingFileName);

  RecipientField to = ParseRecipients(input.to, input.nicknameAddress);
  RecipientField cc = ParseRecipients(input.cc, input.nicknameAddress);
  RecipientField bcc = ParseRecipients(input.bcc, input.nicknameAddress);
  result.toHeader = to.header;
  result.ccHeader = cc.header;
  result.bccHeader = bcc.header;
  for (const RecipientField* f : {&bcc, &cc, &to})
    result.recipients.insert(result.recipients.end(), f->addresses.begin(), f->addresses.end());

  MessageWriter out(result.path);
  if (!out.opened()) return result;

  // Phones of the carrier answer to the From address, so the reply-to
  // address stands there for them.
  const bool toCarrier = to.header.find(kMobileCarrierDomain) != std::string::npos;
  const std::string& fromAddress = toCarrier && !input.replyTo.empty() ? input.replyTo : input.mailAddress;
  const std::string& replyAddress = input.replyTo.empty() ? input.mailAddress : input.replyTo;

  out.Line("Date: " + FormatDate());
  out.Line("From: " + EncodeHeaderWords(input.userName + " <" + fromAddress + ">"));
  if (!input.to.empty()) out.Line("To: " + EncodeHeaderWords(to.header));
  if (!input.cc.empty()) out.Line("Cc: " + EncodeHeaderWords(cc.header));
  // No Bcc line: every recipient would read it.
  if (!input.subject.empty()) out.Line("Subject: " + EncodeHeaderWords(input.subject));
  if (input.receiptRequest) out.Line("Disposition-Notification-To: " + input.mailAddress);
  out.Line("Reply-To: " + EncodeHeaderWords(input.userName + " <" + replyAddress + ">"));
  std::string domain = input.popAccount;
  if (input.scramble) domain += "ECR" + input.userId;
  domain += "." + input.smtpServer;
  result.messageId = MakeMessageId(domain);
  out.Line("Message-ID: <" + result.messageId + ">");
  if (!input.inReplyTo.empty()) out.Line("In-Reply-To: " + input.inReplyTo);
  if (!input.references.empty()) out.Line("References: " + input.references);
  out.Line("MIME-Version: 1.0");
  out.Line("X-Mail-Agent: Fennel");
  out.Line("X-Mail-Agent: By Quillon");

  // Empty entries (from "a,,b" in the stored list) are no attachments.
  std::vector<std::string> attachments;
  for (const std::string& a : input.attachments)
    if (!a.empty()) attachments.push_back(a);

  if (attachments.empty()) {
    WriteTextPart(out, input.body, input.scramble);
  } else {
    const std::string boundary = MakeBoundary(30);
    out.Line("Content-Type: multipart/mixed;");
    out.Line("    boundary=\"" + boundary + "\"");
    out.Line("");
    out.Line("");
    out.Line("--" + boundary);

    // An HTML body that shows local files shows the attached copies instead.
    std::string body = input.body;
    std::vector<std::string> contentIds;
    const std::string idDomain = input.popAccount + "." + input.smtpServer;
    for (const std::string& path : attachments) {
      // A comma may not stand in a Content-ID; the body refers to the same
      // identifier, so it goes from both.
      std::string id = MakeMessageId(idDomain);
      ReplaceAll(id, ",", "");
      if (body.find(path) != std::string::npos) {
        ReplaceAll(body, path, "cid:" + id);
        contentIds.push_back(id);
      } else {
        contentIds.emplace_back();
      }
    }

    WriteTextPart(out, body, input.scramble);
    for (size_t i = 0; i < attachments.size(); ++i) {
      out.Line("");
      out.Line("--" + boundary);
      WriteAttachmentPart(out, attachments[i], contentIds[i]);
    }
    out.Line("");
    out.Line("--" + boundary + "--");
  }

  result.ok = out.Close();
  return result;
}

}  // namespace fennel
