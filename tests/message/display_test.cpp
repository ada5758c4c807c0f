// Real-looking messages through the parser and the display texts.
#include "message/display.h"

#include <gtest/gtest.h>

#include <filesystem>


#include "message/decode_leaf.h"
#include "message/mime_part.h"
#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

std::string Fixture(const std::string& name) { return std::string(FENNEL_FIXTURES_DIR) + "/" + name; }

class DisplayTest : public testing::Test {
 protected:
  std::string TextView(const std::string& name) { return TextViewOfFile(Fixture(name), dir.path()); }
  test::TempDir dir;
};

TEST_F(DisplayTest, IsoTwoThousandTwentyTwoText) {
  EXPECT_EQ(TextView("jis_plain.eml"), "こんにちは。\r\n来週の会議は①番会議室です。\r\n\r\n\r\n");
}

TEST_F(DisplayTest, AttachmentWithJapaneseNameIsSavedByteForByte) {
  std::string shown = TextView("mixed_attachment.eml");
  EXPECT_EQ(shown.rfind("資料を添付します。\r\n", 0), 0u) << shown;
  EXPECT_NE(shown.find("\r\n\r\n--添付ファイル--\r\n見積書.pdf\r\n\r\n"), std::string::npos) << shown;
  std::string pdf = test::ReadFile(ToFsPath(dir / "見積書.pdf"));
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 8), "%PDF-1.4");
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  EXPECT_EQ(static_cast<unsigned char>(pdf[9 + 255]), 255);
}

// A saved attachment never replaces a file it did not write for this mail:
// a name taken by other bytes gets " (2)", " (3)" before its extension,
// also for two attachments of one mail, and names that are no names ("",
// ".", "..") each get a file of their own. Showing the mail again makes no
// new files.
TEST_F(DisplayTest, SavedAttachmentsNeverReplaceOtherFiles) {
  auto part = [](const std::string& name, const std::string& body) {
    return "--b\r\nContent-Type: application/octet-stream; name=\"" + name +
           "\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" + body + "\r\n";
  };
  const std::string mail = "Message-ID: <a@x>\r\nSubject: s\r\nMIME-Version: 1.0\r\n"
                           "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                           "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n" +
                           part("keep.txt", "first") + part("keep.txt", "second") + part("", "empty name") +
                           part(".", "dot") + part("..", "dot dot") + "--b--\r\n";
  const std::string file = dir / "RCVaaaaa.tmp";
  test::WriteFile(file, mail);
  test::TempDir out;
  test::WriteFile(out / "keep.txt", "the user's own file");
  const std::string shown = TextViewOfFile(file, out.path());
  EXPECT_EQ(test::ReadFile(out / "keep.txt"), "the user's own file");
  EXPECT_EQ(test::ReadFile(out / "keep (2).txt"), "first\r\n");
  EXPECT_EQ(test::ReadFile(out / "keep (3).txt"), "second\r\n");
  EXPECT_EQ(test::ReadFile(out / "attachment"), "empty name\r\n");
  EXPECT_EQ(test::ReadFile(out / "attachment (2)"), "dot\r\n");
  EXPECT_EQ(test::ReadFile(out / "attachment (3)"), "dot dot\r\n");
  EXPECT_NE(shown.find("keep (2).txt\r\nkeep (3).txt\r\nattachment\r\n"), std::string::npos)
      << "the list names the files as saved: " << shown;
  auto count = [&] {
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(out.path()); it != std::filesystem::directory_iterator(); ++it) ++n;
    return n;
  };
  EXPECT_EQ(count(), 6u);
  EXPECT_EQ(TextViewOfFile(file, out.path()), shown) << "shown again: the same files";
  EXPECT_EQ(count(), 6u);
}

TEST_F(DisplayTest, HtmlAlternativeInTextAndHtmlViews) {
  std::string text = TextView("alternative_html.eml");
  EXPECT_NE(text.find("お知らせです。PLAIN-END\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(kHtmlNotice), std::string::npos);
  EXPECT_EQ(text.find("<html>"), std::string::npos) << "the HTML source stays out of the text view";

  std::string page = HtmlPageOfFile(Fixture("alternative_html.eml"), dir.path());
  EXPECT_EQ(page.rfind("<p>\r\n<html>", 0), 0u) << "the plain alternative before the notice is dropped: " << page;
  // The image after the HTML part is saved and the page points at it.
  EXPECT_NE(page.find("<img src=\"" + dir.path() + "/logo.png\">"), std::string::npos) << page;
  EXPECT_NE(page.find("<b>--Attachment File--</b><BR>\r\nlogo.png\r\n<BR>\r\n"), std::string::npos);
  EXPECT_TRUE(FileExists(dir / "logo.png"));
}

TEST_F(DisplayTest, ForwardedMessageShowsItsHeadersIndented) {
  EXPECT_EQ(TextView("rfc822.eml"),
            "転送します。\r\n"
            "\t-----Attachment Message-----\r\n"
            "\tDate: Tue, 08 Dec 2026 08:00:00 +0900\r\n"
            "\tFrom: 佐藤 <sato@example.jp>\r\n"
            "\tTo: jiro@example.jp\r\n"
            "\tSubject: 元の件名\r\n"
            "\t----------------------------\r\n"
            "\t元の本文です。\r\n"
            "\r\n\r\n");
}

TEST_F(DisplayTest, BrokenStructures) {
  EXPECT_EQ(TextView("no_closing.eml"), "first\r\nsecond and last\r\n\r\n\r\n");
  EXPECT_EQ(TextView("no_boundary.eml").rfind("このメールは表示することができません。\r\n", 0), 0u);
  // Two hundred levels of nesting: no crash; below the limit the content is a leaf.
  MimeTree tree;
  EXPECT_TRUE(tree.Parse(Fixture("deep_nesting.eml")));
  MimePart* leaf = tree.FirstLeaf();
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->depth, MimeTree::kMaxDepth);
  EXPECT_EQ(TextView("deep_nesting.eml"), "\r\n\r\n");
}

TEST_F(DisplayTest, CharsetsOtherThanIsoTwoThousandTwentyTwo) {
  EXPECT_EQ(TextView("base64_text.eml"), "ベース64の本文です。\r\n二行目。\r\n\r\n\r\n");
  EXPECT_EQ(TextView("sjis.eml"), "シフトJISの本文①です。\r\n\r\n\r\n");
  EXPECT_EQ(TextView("eucjp.eml"), "EUCの本文です。\r\n\r\n\r\n");
  std::string utf8 = TextView("utf8.eml");
  EXPECT_EQ(utf8.rfind("日本語の本文です。絵文字〓も。\r\n", 0), 0u) << utf8;
  EXPECT_NE(utf8.find("--添付ファイル--\r\n表.txt\r\n"), std::string::npos) << utf8;
  EXPECT_EQ(test::ReadFile(ToFsPath(dir / "表.txt")), "\xE8\xA1\xA8\xE3\x81\xAE\xE4\xB8\xAD\xE8\xBA\xAB");
}

TEST_F(DisplayTest, HostileNameStaysInTheDirectory) {
  test::TempDir outside;
  std::string nested = outside / "a/b";
  MakeDirs(nested);
  std::string shown = TextViewOfFile(Fixture("hostile_name.eml"), nested);
  EXPECT_NE(shown.find("evil.txt"), std::string::npos);
  EXPECT_TRUE(FileExists(nested + "/evil.txt"));
  EXPECT_FALSE(FileExists(outside / "evil.txt"));
  struct Case {
    std::string in, out;
  };
  for (const Case& c : std::vector<Case>{{"../../x", "x"},
                                          {"/etc/passwd", "passwd"},
                                          {"..", "attachment"},
                                          {"", "attachment"},
                                          {"a\tb\r\n.txt", "ab.txt"},
                                          {"C:\\dir\\f.doc", "f.doc"},
                                          {"表.txt", "表.txt"},
                                          {"ソ.txt", "ソ.txt"}})  // 0x83 0x5C: not a separator
    EXPECT_EQ(SafeFileName(c.in), c.out) << c.in;
}

TEST_F(DisplayTest, MissingFileAndUncreatableAttachment) {
  EXPECT_EQ(TextViewOfFile(dir / "none.eml", dir.path()).rfind("このメールは表示することができません。\r\n", 0), 0u);
  std::string shown = TextViewOfFile(Fixture("mixed_attachment.eml"), dir / "no/such/dir");
  EXPECT_NE(shown.find("Could not open the output file.Error"), std::string::npos);
}

TEST_F(DisplayTest, WrittenMailShowsFromItsRecord) {
  ShownMail m;
  m.filePath = "/mail/SNDabcde.tmp";
  m.from = "hanako@example.jp";
  m.subject = "件名";
  m.bodyText = "本文\r\n";
  m.attachmentPaths = "/home/a.txt\r\n";
  m.date = 0;
  EXPECT_EQ(TextViewText(m, dir.path()), "本文\r\n\r\n\r\n--添付ファイル--\r\n/home/a.txt\r\n\r\n");
  EXPECT_EQ(HtmlPage(m, dir.path()), "本文\r\n<BR>\r\n<BR>\r\n<b>--添付ファイル--</b><BR>\r\n/home/a.txt\r\n<BR>\r\n");
  EXPECT_EQ(HeaderViewText(m).rfind("宛先:hanako@example.jp\r\n件名:件名 送信時刻:", 0), 0u);
  m.filePath = "/mail/RCVabcde.tmp";
  m.to = "me@example.jp";
  EXPECT_EQ(HeaderViewText(m).rfind("差出人:hanako@example.jp 宛先:me@example.jp\r\n件名:件名 受信時刻:", 0), 0u);
}

// Messages of 2 MiB whose reading once took time growing with the square
// of their size are shown whole (their time is watched by the long-input
// fuzz target, not here: tests assert no wall time).
TEST_F(DisplayTest, LongMessagesAreShownWhole) {
  struct Case {
    const char* what;
    std::string header;  // with its empty line
    std::string piece;   // repeated to make the body
    std::string tail;    // once, after the pieces
    bool html;           // the HTML page rather than the text view
    std::string start;   // what the view begins with
  };
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01";
  const std::string saved = dir / "a.bin";
  const std::string longBoundary(3000, 'a');
  const Case cases[] = {
      {"base64 text without a line end",
       "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: base64\r\n\r\n",
       "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAx\r\n", "", false, text + text},
      {"a B word left open over many lines", "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n",
       "=?ISO-2022-JP?B?GyRC\r\na\r\n", "", false, "=?ISO-2022-JP?B?GyRCa=?ISO-2022-JP?B?GyRCa="},
      {"many references to one attachment",
       "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n", "cid:x\r\n",
       "--b\r\nContent-Type: application/octet-stream; name=a.bin\r\nContent-ID: <x>\r\n\r\nQUJD\r\n--b--\r\n", false,
       saved + "\r\n" + saved + "\r\n"},
      {"HTML with many tags broken before the line end", "Content-Type: text/html; charset=ISO-2022-JP\r\n\r\n",
       "<\r\nab\r\n", "", true, "<p>\r\n<ab\r\n<ab\r\n"},
      {"a long boundary that the text nearly matches everywhere",
       "Content-Type: multipart/mixed; boundary=" + longBoundary + "\r\n\r\n--" + longBoundary +
           "\r\nContent-Type: text/plain\r\n\r\n",
       "a", "\r\n--" + longBoundary + "--\r\n", false, std::string(100, 'a')},
  };
  for (const Case& c : cases) {
    std::string message = c.header;
    while (message.size() < (2u << 20)) message += c.piece;
    message += c.tail;
    test::WriteFile(dir / "long.eml", message);
    const std::string shown =
        c.html ? HtmlPageOfFile(dir / "long.eml", dir.path()) : TextViewOfFile(dir / "long.eml", dir.path());
    EXPECT_EQ(shown.rfind(c.start, 0), 0u) << c.what << ": " << shown.substr(0, 80);
    EXPECT_GT(shown.size(), 1000000u) << c.what;
  }
}

}  // namespace
}  // namespace fennel
