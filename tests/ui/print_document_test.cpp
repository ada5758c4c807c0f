// The printed mail as text: its lines, the page arithmetic and the page
// header.
#include "ui/editor/print_document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace fennel {
namespace {

PrintFields Fields() {
  PrintFields f;
  f.recipientText = "jiro@example.jp";
  f.toCaption = "宛先(TO)...";
  f.ccCaption = "写し(CC)...";
  f.bccCaption = "秘写(BCC)...";
  f.to = "jiro@example.jp";
  f.cc = "hanako@example.jp";
  f.subject = "会議の件";
  f.body = "一行目\r\n\tタブ\r\n三行目";
  f.attachmentNames = {"資料.pdf", "写真.jpg"};
  return f;
}

TEST(PrintDocumentTest, LinesInOrder) {
  PrintDocument d(Fields());
  const std::vector<std::string> expected = {"宛先(TO)：jiro@example.jp",
                                             "宛先(TO)...jiro@example.jp",
                                             "写し(CC)...hanako@example.jp",
                                             "秘写(BCC)...",
                                             "件名(Subject):会議の件",
                                             "本文(Body):一行目",
                                             "         タブ",
                                             "     三行目",
                                             "添付ファイル:資料.pdf",
                                             "           写真.jpg"};
  ASSERT_EQ(d.LineCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < d.LineCount(); ++i) EXPECT_EQ(d.PrintLine(i), expected[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(d.PrintLine(d.LineCount()), "");
}

TEST(PrintDocumentTest, NoAttachmentsAndNoRecipientText) {
  PrintFields f = Fields();
  f.attachmentNames.clear();
  f.recipientText.clear();
  f.body = "";
  PrintDocument d(f);
  EXPECT_EQ(d.PrintLine(0), "宛先(TO)：    ");
  EXPECT_EQ(d.PrintLine(5), "本文(Body):");
  ASSERT_EQ(d.LineCount(), 7);
  EXPECT_EQ(d.PrintLine(6), "添付ファイル:") << "printed alone after the body";
}

TEST(PrintDocumentTest, PagesOfLines) {
  // 11 pt lines in twips: a page of 15840 less margins of 1440 each.
  EXPECT_EQ(PrintDocument::LinesPerPage(15840, 1440, 1440, 240), (15840 - 2880 + 240) / 240 - 2);
  EXPECT_EQ(PrintDocument::LinesPerPage(500, 200, 200, 240), 1) << "at least one";
  EXPECT_EQ(PrintDocument::PageCount(10, 4), 3);
  EXPECT_EQ(PrintDocument::PageCount(8, 4), 2);
  PrintDocument d(Fields());  // 10 lines
  EXPECT_EQ(d.PageLines(1, 4), std::make_pair(0, 3));
  EXPECT_EQ(d.PageLines(3, 4), std::make_pair(8, 9)) << "the last page stops at the last line";
}

TEST(PrintDocumentTest, PageHeaderFitsOrCutsTheTitle) {
  setenv("TZ", "Asia/Tokyo", 1);
  tzset();
  const int64_t t = 1733443503;  // 2024/12/06 09:05:03 in Tokyo
  const std::string h = "[送受信時刻：2024/12/06 09:05:03]";
  EXPECT_EQ(PrintDocument::PageHeader(t, "SNDabcde.tmp", 1, 2),
            h + "SNDabcde.tmp" + std::string(73 - 8 - h.size() - 12 + 2, ' ') + "Page 1/2");
  // A title too long for the line: cut, "...  ", the page number; 75 wide.
  const std::string longTitle(60, 'x');
  const std::string cut = PrintDocument::PageHeader(t, longTitle, 1, 2);
  EXPECT_EQ(cut, h + std::string(60 + (73 - 8 - static_cast<int>(h.size()) - 60) - 3, 'x') + "...  Page 1/2");
  EXPECT_EQ(cut.size(), 75u);
  // Never half a character.
  std::string japanese;
  for (int i = 0; i < 30; ++i) japanese += "件";
  const std::string jp = PrintDocument::PageHeader(t, japanese, 1, 1);
  const size_t dots = jp.find("...  ");
  ASSERT_NE(dots, std::string::npos);
  EXPECT_EQ((dots - h.size()) % 2, 0u);
  unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace fennel
