#include "message/composer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "message/base64.h"
#include "message/header_words.h"
#include "message/jis.h"
#include "message/scramble_text.h"
#include "platform/clock.h"
#include "platform/crand.h"
#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Saturday 2026-03-07 09:05:03 in Tokyo.
constexpr int64_t kNow = 1772841903;
const std::string kMessageIdStem = "0307126090503.";
const std::string kDomain = "taro.smtp.example.jp";

// TZ for the lifetime of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (old) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

std::optional<std::string> BookAddress(const std::string& nickname) {
  static const std::map<std::string, std::string> book = {
      {"hanako", "hanako@example.com"},
      {"keitai", "k@docomo.ne.jp"},
  };
  auto it = book.find(nickname);
  if (it == book.end()) return std::nullopt;
  return it->second;
}

// The lines of a CR LF text; a final CR LF ends the last line.
std::vector<std::string> CrlfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The value of the first header line that starts with name (": " included).
std::string HeaderValue(const std::string& file, const std::string& name) {
  for (const std::string& line : CrlfLines(file.substr(0, file.find("\r\n\r\n") + 2)))
    if (line.rfind(name + ": ", 0) == 0) return line.substr(name.size() + 2);
  return "<absent>";
}

struct Part {
  std::string headers;  // without the blank line
  std::string body;     // up to the CR LF of the next delimiter
};

// The parts of a multipart message; fails the test when the delimiters are
// not where they belong.
std::vector<Part> SplitMultipart(const std::string& file, const std::string& boundary) {
  std::vector<Part> parts;
  const std::string delimiter = "\r\n--" + boundary;
  size_t pos = file.find(delimiter + "\r\n");
  EXPECT_NE(pos, std::string::npos);
  if (pos == std::string::npos) return parts;
  for (;;) {
    size_t start = pos + delimiter.size() + 2;
    size_t next = file.find(delimiter, start);
    EXPECT_NE(next, std::string::npos);
    if (next == std::string::npos) return parts;
    std::string segment = file.substr(start, next - start);
    size_t blank = segment.find("\r\n\r\n");
    EXPECT_NE(blank, std::string::npos) << segment;
    parts.push_back({segment.substr(0, blank), segment.substr(blank + 4)});
    if (file.compare(next + delimiter.size(), 2, "--") == 0) {
      EXPECT_EQ(file.substr(next), delimiter + "--\r\n");
      return parts;
    }
    pos = next;
  }
}

// Base64 lines of 68 characters, padding only on the last, decoding to bytes.
void ExpectBase64Lines(const std::string& body, const std::string& bytes, const std::string& what) {
  std::vector<std::string> lines = CrlfLines(body);
  ASSERT_EQ(lines.size(), (bytes.size() + 50) / 51) << what;
  ASSERT_EQ(body.substr(body.size() - 2), "\r\n") << what;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 68u) << what << " line " << i;
    ASSERT_EQ(lines[i].find('='), std::string::npos) << what << " line " << i;
  }
  ASSERT_LE(lines.back().size(), 68u) << what;
  std::string decoded;
  Base64Decoder().DecodeAppend(body, decoded);
  EXPECT_TRUE(decoded == bytes) << what << ": decoded " << decoded.size() << " bytes of " << bytes.size();
}

std::string PatternBytes(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>(x >> 23);
  }
  return s;
}

class ComposerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentClock(&clock_);
    ResetMessageIdCounter();
  }
  void TearDown() override { SetCurrentClock(nullptr); }

  ComposeInput Input() const {
    ComposeInput in;
    in.userId = "user01";
    in.userName = "Taro Yamada";
    in.mailAddress = "taro@example.jp";
    in.popAccount = "taro";
    in.smtpServer = "smtp.example.jp";
    in.mailDir = dir_.path();
    in.nicknameAddress = BookAddress;
    return in;
  }

  // Composes and returns the file, which must have been written.
  std::string Compose(const ComposeInput& in, ComposedMessage* message = nullptr) {
    ComposedMessage m = ComposeMessage(in);
    EXPECT_TRUE(m.ok);
    EXPECT_EQ(m.path, dir_ / "sending.tmp");
    if (message) *message = m;
    return ReadFile(dir_ / "sending.tmp");
  }

  ScopedTimeZone tz_{"Asia/Tokyo"};
  ManualClock clock_{kNow};
  TempDir dir_;
};

TEST_F(ComposerTest, WholeMessageWithoutAttachments) {
  ComposeInput in = Input();
  in.to = "hanako,Jiro <jiro@example.net>";
  in.cc = "saburo@example.org (Saburo)";
  in.bcc = "boss@example.com,hanako";
  in.subject = "Meeting";
  in.replyTo = "reply@example.jp";
  in.inReplyTo = "<abc@x.example>";
  in.references = "<r1@x.example> <abc@x.example>";
  in.receiptRequest = true;
  in.body = "Hello\r\n.dot line\r\n";
  ComposedMessage m;
  std::string file = Compose(in, &m);

  EXPECT_EQ(file,
            "Date: Sat, 07 Mar 2026 09:05:03 +0900\r\n"
            "From: Taro Yamada <taro@example.jp>\r\n"
            "To: \"hanako\"<hanako@example.com>,Jiro <jiro@example.net>\r\n"
            "Cc: saburo@example.org (Saburo)\r\n"
            "Subject: Meeting\r\n"
            "Disposition-Notification-To: taro@example.jp\r\n"
            "Reply-To: Taro Yamada <reply@example.jp>\r\n"
            "Message-ID: <0307126090503.0@taro.smtp.example.jp>\r\n"
            "In-Reply-To: <abc@x.example>\r\n"
            "References: <r1@x.example> <abc@x.example>\r\n"
            "MIME-Version: 1.0\r\n"
            "X-Mail-Agent: Fennel\r\n"
            "X-Mail-Agent: By Quillon\r\n"
            "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "Hello\r\n"
            ".dot line\r\n"
            "\r\n");

  // Bcc reaches the envelope (first) but never the transmitted file.
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"boss@example.com", "hanako@example.com", "saburo@example.org ",
                                                     "hanako@example.com", "jiro@example.net"}));
  EXPECT_EQ(m.bccHeader, "boss@example.com,\"hanako\"<hanako@example.com>");
  EXPECT_EQ(m.toHeader, "\"hanako\"<hanako@example.com>,Jiro <jiro@example.net>");
  EXPECT_EQ(m.ccHeader, "saburo@example.org (Saburo)");
  EXPECT_EQ(file.find("boss@"), std::string::npos);
  EXPECT_EQ(m.messageId, "0307126090503.0@taro.smtp.example.jp");
}

TEST_F(ComposerTest, OptionalHeadersLeftOutAndCounterAdvances) {
  ComposeInput in = Input();
  in.to = "a@example.com";
  in.bcc = "hidden@example.com";
  in.body = "x";
  ComposedMessage first;
  std::string file = Compose(in, &first);
  std::vector<std::string> names;
  for (const std::string& line : CrlfLines(file.substr(0, file.find("\r\n\r\n"))))
    names.push_back(line.substr(0, line.find(':')));
  EXPECT_EQ(names, (std::vector<std::string>{"Date", "From", "To", "Reply-To", "Message-ID", "MIME-Version",
                                              "X-Mail-Agent", "X-Mail-Agent", "Content-Type",
                                              "Content-Transfer-Encoding"}));
  EXPECT_EQ(HeaderValue(file, "Reply-To"), "Taro Yamada <taro@example.jp>");
  EXPECT_EQ(file.substr(file.find("\r\n\r\n")), "\r\n\r\nx\r\n");
  EXPECT_EQ(first.recipients, (std::vector<std::string>{"hidden@example.com", "a@example.com"}));

  ComposedMessage second;
  Compose(in, &second);
  EXPECT_EQ(first.messageId, kMessageIdStem + "0@" + kDomain);
  EXPECT_EQ(second.messageId, kMessageIdStem + "1@" + kDomain);
}

TEST_F(ComposerTest, CarrierRecipientsSeeTheReplyToAddressInFrom) {
  struct Case {
    const char* to;
    const char* replyTo;
    const char* from;
  };
  const Case cases[] = {
      {"x@docomo.ne.jp", "reply@example.jp", "Taro Yamada <reply@example.jp>"},
      {"a@example.com,x@docomo.ne.jp", "reply@example.jp", "Taro Yamada <reply@example.jp>"},
      // The nickname's address counts: the header form carries it.
      {"keitai", "reply@example.jp", "Taro Yamada <reply@example.jp>"},
      {"x@docomo.ne.jp", "", "Taro Yamada <taro@example.jp>"},
      {"x@example.com", "reply@example.jp", "Taro Yamada <taro@example.jp>"},
  };
  for (const Case& c : cases) {
    ComposeInput in = Input();
    in.to = c.to;
    in.cc = "y@docomo.ne.jp";  // only To decides
    in.replyTo = c.replyTo;
    std::string file = Compose(in);
    EXPECT_EQ(HeaderValue(file, "From"), c.from) << c.to << " / " << c.replyTo;
  }
}

TEST(ParseRecipientsTest, Items) {
  struct Case {
    std::string field;
    std::string header;
    std::vector<std::string> addresses;
  };
  const Case cases[] = {
      {"hanako", "\"hanako\"<hanako@example.com>", {"hanako@example.com"}},
      {"a@example.com", "a@example.com", {"a@example.com"}},
      {"Jiro <jiro@example.net>", "Jiro <jiro@example.net>", {"jiro@example.net"}},
      {"山田 <yamada@example.jp>", "山田 <yamada@example.jp>", {"yamada@example.jp"}},
      {"saburo@example.org (Saburo)", "saburo@example.org (Saburo)", {"saburo@example.org "}},
      {"Name <a@x.example> (note)", "Name <a@x.example> (note)", {"a@x.example"}},
      {"Broken <a@x.example", "Broken <a@x.example", {"a@x.example"}},
      // Nicknames compare exactly: the space after a comma keeps the item
      // from matching, and the SMTP session trims the address later.
      {"hanako,b@x.example, c@y.example, hanako,Hanako",
       "\"hanako\"<hanako@example.com>,b@x.example, c@y.example, hanako,Hanako",
       {"hanako@example.com", "b@x.example", " c@y.example", " hanako", "Hanako"}},
      // Empty items stay in the header form and send to nobody.
      {"a@x.example,,b@y.example,", "a@x.example,,b@y.example,", {"a@x.example", "b@y.example"}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    RecipientField f = ParseRecipients(c.field, BookAddress);
    EXPECT_EQ(f.header, c.header) << c.field;
    EXPECT_EQ(f.addresses, c.addresses) << c.field;
  }
  // Without an address book every item is taken as written.
  EXPECT_EQ(ParseRecipients("hanako", nullptr).header, "hanako");
}

TEST_F(ComposerTest, JapaneseTextIsIso2022Jp) {
  ComposeInput in = Input();
  in.userName = "山田太郎";
  in.to = "花子 <hanako@example.com>";
  in.subject = "日本語の件名";
  // A lone CR breaks a line too; half-width katakana is carried as well.
  in.body = "こんにちは\r\nabc\rｶﾀｶﾅです\r\n";
  std::string file = Compose(in);

  for (unsigned char c : file) ASSERT_LT(c, 0x80) << "8-bit byte in the file";
  EXPECT_EQ(HeaderValue(file, "Subject"), "=?ISO-2022-JP?B?" + Base64Encode(SjisToJis("日本語の件名")) + "?= ");
  EXPECT_EQ(HeaderValue(file, "From"), EncodeHeaderWords("山田太郎 <taro@example.jp>"));
  EXPECT_EQ(HeaderValue(file, "To"), EncodeHeaderWords("花子 <hanako@example.com>"));
  EXPECT_EQ(file.substr(file.find("\r\n\r\n") + 4),
            SjisToJis("こんにちは") + "\r\nabc\r\n" + SjisToJis("ｶﾀｶﾅです") + "\r\n\r\n");
}

TEST_F(ComposerTest, ScrambleMarksTheMessageIdAndScramblesTheBodyOnly) {
  const std::string picture = dir_ / "pic.png";
  WriteFile(picture, "PNG");
  ComposeInput in = Input();
  in.to = "a@example.com";
  in.subject = "Hello";
  in.scramble = true;
  in.body = "Secret ABC xyz\r\n秘密 " + picture;
  in.attachments = {picture};
  ComposedMessage m;
  std::string file = Compose(in, &m);

  EXPECT_EQ(m.messageId, kMessageIdStem + "0@taroECRuser01.smtp.example.jp");
  EXPECT_EQ(HeaderValue(file, "Message-ID"), "<" + m.messageId + ">");
  EXPECT_EQ(HeaderValue(file, "Subject"), "Hello");

  ASSERT_EQ(HeaderValue(file, "Content-Type"), "multipart/mixed;");
  std::vector<Part> parts = SplitMultipart(file, file.substr(file.find("boundary=\"") + 10, 29));
  ASSERT_EQ(parts.size(), 2u);
  // The content ID never carries the marker; the body refers to it before
  // being scrambled.
  const std::string cid = kMessageIdStem + "1@" + kDomain;
  EXPECT_NE(parts[1].headers.find("Content-ID: <" + cid + ">"), std::string::npos);
  EXPECT_EQ(parts[0].body, ScrambleText(SjisToJis("Secret ABC xyz")) + "\r\n" +
                               ScrambleText(SjisToJis("秘密 cid:" + cid)) + "\r\n");
}

TEST(BodyLooksHtmlTest, Tags) {
  struct Case {
    const char* body;
    bool html;
  };
  const Case cases[] = {
      {"<HTML><BODY>x", true}, {"text\r\n<html>", true}, {"<Html>", true},  {"<body bgcolor=white>", true},
      {"<Body>", true},        {"<BODY>", true},         {"<hTML>", false}, {"a < html", false},
      {"<head>", false},       {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(BodyLooksHtml(c.body), c.html) << c.body;
}

TEST_F(ComposerTest, HtmlBodyGetsOneHtmlContentType) {
  ComposeInput in = Input();
  in.to = "a@example.com";
  in.body = "<html><body>hi</body></html>";
  std::string file = Compose(in);
  EXPECT_EQ(HeaderValue(file, "Content-Type"), "text/html; charset=ISO-2022-JP");
  EXPECT_EQ(file.find("Content-Type:"), file.rfind("Content-Type:"));
}

TEST_F(ComposerTest, AttachmentsAreBase64PartsWithContentIdsForReferencedFiles) {
  // Two read blocks and a few bytes more; exactly two lines; unreadable;
  // referenced by the body; a name whose second byte of "表" is "\".
  const std::string big = PatternBytes(2 * 51 * 1024 + 7);
  const std::string even = PatternBytes(102);
  const std::string picture = "\x89PNG\r\n\x1A\n picture";
  const std::string japanese = "表計算";
  WriteFile(dir_ / "big.bin", big);
  WriteFile(dir_ / "even.dat", even);
  WriteFile(dir_ / "pic.png", picture);
  WriteFile(ToFsPath(dir_ / "表.txt"), japanese);

  ComposeInput in = Input();
  in.to = "a@example.com";
  const std::string pic = dir_ / "pic.png";
  in.body = "<html><body><img src=\"" + pic + "\"><a href=\"" + pic + "\">x</a></body></html>\r\n";
  in.attachments = {dir_ / "big.bin", dir_ / "even.dat", dir_ / "missing.gif", pic, dir_ / "表.txt"};
  std::string file = Compose(in);

  // The multipart header closes the message header.
  const std::string mailAgent = "X-Mail-Agent: By Quillon\r\nContent-Type: multipart/mixed;\r\n    boundary=\"";
  size_t at = file.find(mailAgent);
  ASSERT_NE(at, std::string::npos);
  const std::string boundary = file.substr(at + mailAgent.size(), 29);
  EXPECT_EQ(boundary.substr(0, 12), "=_ Boundary ");
  EXPECT_EQ(file.substr(at + mailAgent.size() + 29, 11 + boundary.size()), "\"\r\n\r\n\r\n--" + boundary + "\r\n");

  std::vector<Part> parts = SplitMultipart(file, boundary);
  ASSERT_EQ(parts.size(), 6u);

  const std::string picId = kMessageIdStem + "4@" + kDomain;
  EXPECT_EQ(parts[0].headers, "Content-Type: text/html; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit");
  EXPECT_EQ(parts[0].body, "<html><body><img src=\"cid:" + picId + "\"><a href=\"cid:" + picId +
                               "\">x</a></body></html>\r\n\r\n");

  auto attachmentHeaders = [](const std::string& type, const std::string& name) {
    return "Content-Type: " + type + ";\r\n\tname=\"" + name + "\"\r\nContent-Disposition: attachment;\r\n" +
           "\tfilename=\"" + name + "\"\r\nContent-Transfer-Encoding: base64";
  };
  EXPECT_EQ(parts[1].headers, attachmentHeaders("application/octet-stream", "big.bin"));
  ExpectBase64Lines(parts[1].body, big, "big.bin");
  EXPECT_EQ(parts[1].body.substr(parts[1].body.size() - 4), "==\r\n");
  EXPECT_EQ(parts[2].headers, attachmentHeaders("application/octet-stream", "even.dat"));
  ExpectBase64Lines(parts[2].body, even, "even.dat");
  EXPECT_EQ(parts[3].headers, attachmentHeaders("image/gif", "missing.gif"));
  EXPECT_EQ(parts[3].body, "");
  EXPECT_EQ(parts[4].headers,
            "Content-Type: image/png;\r\n\tname=\"pic.png\"\r\nContent-Disposition: inline;\r\n"
            "\tfilename=\"pic.png\"\r\nContent-ID: <" + picId + ">\r\nContent-Transfer-Encoding: base64");
  ExpectBase64Lines(parts[4].body, picture, "pic.png");
  // One word for the whole name, and no blank after it inside the quotes:
  // the name decodes to exactly "表.txt".
  const std::string encodedName = "=?ISO-2022-JP?B?" + Base64Encode(SjisToJis("表.txt")) + "?=";
  EXPECT_EQ(parts[5].headers, attachmentHeaders("text/plain", encodedName));
  ExpectBase64Lines(parts[5].body, japanese, "表.txt");
}

TEST_F(ComposerTest, CommaInTheDomainLeavesContentIdAndReferenceAlike) {
  const std::string pic = dir_ / "a.gif";
  WriteFile(pic, "GIF89a");
  ComposeInput in = Input();
  in.to = "a@example.com";
  in.popAccount = "ta,ro";
  in.body = "<img src=\"" + pic + "\">";
  in.attachments = {pic};
  std::string file = Compose(in);
  const std::string id = kMessageIdStem + "1@" + kDomain;
  EXPECT_NE(file.find("<img src=\"cid:" + id + "\">"), std::string::npos);
  EXPECT_NE(file.find("Content-ID: <" + id + ">\r\n"), std::string::npos);
}

TEST_F(ComposerTest, UnwritableFileIsReported) {
  ComposeInput in = Input();
  in.to = "a@example.com";
  in.bcc = "b@example.com";
  in.body = "x";
  in.mailDir = dir_ / "missing";
  ComposedMessage m = ComposeMessage(in);
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.path, dir_ / "missing/sending.tmp");
  EXPECT_EQ(m.recipients, (std::vector<std::string>{"b@example.com", "a@example.com"}));

  // A full disk: the bytes are lost when the buffer is flushed.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(symlink("/dev/full", (dir_ / "sending.tmp").c_str()), 0);
  in.mailDir = dir_.path();
  EXPECT_FALSE(ComposeMessage(in).ok);
}

TEST(FormatDateTest, RealLocalOffset) {
  struct Case {
    const char* tz;
    int64_t t;
    const char* date;
  };
  const int64_t january = 1768507200;  // 2026-01-15 20:00:00 UTC
  const int64_t july = 1782907200;     // 2026-07-01 12:00:00 UTC
  const Case cases[] = {
      {"Asia/Tokyo", january, "Fri, 16 Jan 2026 05:00:00 +0900"},
      {"UTC", january, "Thu, 15 Jan 2026 20:00:00 +0000"},
      {"America/New_York", january, "Thu, 15 Jan 2026 15:00:00 -0500"},
      {"America/New_York", july, "Wed, 01 Jul 2026 08:00:00 -0400"},
      {"Asia/Kolkata", january, "Fri, 16 Jan 2026 01:30:00 +0530"},
      {"America/St_Johns", january, "Thu, 15 Jan 2026 16:30:00 -0330"},
      {"Australia/Adelaide", july, "Wed, 01 Jul 2026 21:30:00 +0930"},
  };
  for (const Case& c : cases) {
    ScopedTimeZone tz(c.tz);
    EXPECT_EQ(FormatDate(c.t), c.date) << c.tz;
  }
}

TEST(MakeBoundaryTest, LengthAndAlphabet) {
  const std::string alphabet = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'()+_,-./:=?";
  CrtSrand(1);
  std::set<char> seen;
  std::set<std::string> boundaries;
  for (int i = 0; i < 500; ++i) {
    std::string b = MakeBoundary(30);
    ASSERT_EQ(b.size(), 29u);
    ASSERT_EQ(b.substr(0, 12), "=_ Boundary ");
    for (char c : b.substr(12)) {
      ASSERT_NE(alphabet.find(c), std::string::npos) << b;
      seen.insert(c);
    }
    boundaries.insert(b);
  }
  EXPECT_EQ(seen.size(), alphabet.size());  // every character is drawn
  EXPECT_EQ(boundaries.size(), 500u);
  EXPECT_EQ(MakeBoundary(20).size(), 19u);
}

TEST(ContentTypeForFileTest, ByExtension) {
  struct Case {
    const char* path;
    const char* type;
  };
  const Case cases[] = {
      {"/home/u/photo.JPG", "image/jpeg"},
      {"/home/u/data.bin", "application/octet-stream"},
      {"a.jpeg", "image/jpeg"},
      {"a.Pnz", "image/png"},
      {"archive.ZIP", "application/zip"},
      {"old.nar", "application/zip"},
      {"fig.eps", "application/postscript"},
      {"song.midi", "audio/midi"},
      {"scan.tif", "image/tiff"},
      {"page.Htm", "text/html"},
      {"list.tsv", "text/tab-separated-values"},
      {"clip.QT", "video/quicktime"},
      {"C:\\docs\\report.doc", "application/msword"},
      {"/home/u/表.txt", "text/plain"},
      {"backup.tar.gz", "application/octet-stream"},
      {"/home/u/dir.jpg/noext", "application/octet-stream"},
      {"README", "application/octet-stream"},
      {"trailing.", "application/octet-stream"},
  };
  for (const Case& c : cases) EXPECT_EQ(ContentTypeForFile(c.path), c.type) << c.path;
}

}  // namespace
}  // namespace fennel
