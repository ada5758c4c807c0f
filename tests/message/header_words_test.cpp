#include "message/header_words.h"

#include <gtest/gtest.h>


#include "message/quoted_printable.h"

namespace fennel {
namespace {

std::string Decode(const std::string& s) {
  JisConverter jis;
  return DecodeHeaderWords(s, jis);
}

TEST(DecodeHeaderWordsTest, WellFormed) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"iso-2022-jp B", "=?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?=", "こんにちは"},
      {"lower-case label", "=?iso-2022-jp?b?GyRCJDMkcyRLJEEkTxsoQg==?=", "こんにちは"},
      {"mixed-case label", "=?Iso-2022-jp?B?GyRCJDMkcyRLJEEkTxsoQg==?=", "こんにちは"},
      {"plain text around", "Re: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTxsoQg==?= (2)", "Re: こんにちは (2)"},
      {"utf-8 B", "=?UTF-8?B?44GT44KT44Gr44Gh44Gv?=", "こんにちは"},
      {"utf-8 q", "=?utf-8?q?=E3=81=93_a?=", "こ a"},
      {"euc-jp B", "=?euc-jp?B?pLOk86TLpMGkzw==?=", "こんにちは"},
      {"shift_jis B", "=?Shift_JIS?B?grGC8YLJgr+CzQ==?=", "こんにちは"},
      {"space between words dropped", "=?UTF-8?B?44GT?= =?UTF-8?B?44KT?=", "こん"},
      {"folded words joined", "=?UTF-8?B?44GT?=\r\n =?UTF-8?B?44KT?=", "こん"},
      {"space before plain text kept", "=?UTF-8?B?44GT?= abc", "こ abc"},
      {"raw ISO-2022-JP", "\x1B$B$3\x1B(B", "こ"},
      {"unknown charset stays", "=?x-unknown?B?QUJD?=", "=?x-unknown?B?QUJD?="},
      {"not a word", "a =? b ?= c", "a =? b ?= c"},
      {"RFC 2231 language", "=?UTF-8*ja?B?44GT?=", "こ"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.in), c.out) << c.what;
}

TEST(DecodeHeaderWordsTest, BrokenInTheWild) {
  // Each row: a quirk that must not crash or loop, and what survives.
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"unterminated word", "=?UTF-8?B?44GT", "=?UTF-8?B?44GT"},
      {"garbage base64", "=?UTF-8?B?@@@@?=", ""},
      {"empty text", "=?UTF-8?B?" "?=", ""},
      {"bad encoding letter", "=?UTF-8?X?abc?=", "=?UTF-8?X?abc?="},
      {"emoji becomes geta", "=?UTF-8?B?8J+YgA==?=", "〓"},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.in), c.out) << c.what;
  std::string huge = "=?UTF-8?B?" + std::string(400000, 'Q') + "?=";
  EXPECT_LE(Decode(huge).size(), 204800u);
  // A whole field of would-be words passes unchanged (each is read once;
  // ./scripts/fuzz's long-input target watches how long that takes).
  std::string wouldBe;
  while (wouldBe.size() < 204800) wouldBe += "=?a?B?a";
  EXPECT_EQ(Decode(wouldBe), wouldBe.substr(0, 204800));
  EXPECT_TRUE(HasOpenBWord(wouldBe));
  EXPECT_FALSE(HasOpenBWord(wouldBe + "?="));
}

TEST(EncodeHeaderWordsTest, JapaneseRunsBecomeWords) {
  EXPECT_EQ(EncodeHeaderWords("テスト"), "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= ");
  EXPECT_EQ(EncodeHeaderWords("abc"), "abc");
  // The space between two Japanese runs travels inside a word: readers drop
  // white space between encoded words.
  EXPECT_EQ(Decode(EncodeHeaderWords("件名 テスト")), "件名 テスト ");
  EXPECT_EQ(Decode(EncodeHeaderWords("山田 太郎 <taro@example.jp>")), "山田 太郎  <taro@example.jp>");
  // Plain text that touches a Japanese run travels in the same word: a
  // reader sees every word between blanks and adds no blank of its own.
  struct Touching {
    const char* text;
    const char* decoded;
  };
  for (const Touching& c : {Touching{"写真.bin", "写真.bin "}, Touching{"Re:会議", "Re:会議 "},
                            Touching{"会議(再送)のお知らせ", "会議(再送)のお知らせ "},
                            Touching{"x写真", "x写真 "}}) {
    std::string encoded = EncodeHeaderWords(c.text);
    EXPECT_EQ(Decode(encoded), c.decoded) << c.text;
    EXPECT_EQ(encoded.find("?=."), std::string::npos) << encoded;
    EXPECT_EQ(encoded.find(":="), std::string::npos) << encoded;
  }
  EXPECT_EQ(EncodeHeaderWords("a 写真.jpg b").substr(0, 2), "a ") << "a blank ends the plain text before";
  // A long run is cut into several words, each a whole ISO-2022-JP text.
  std::string longText;
  for (int i = 0; i < 600; ++i) longText += "あ";
  std::string encoded = EncodeHeaderWords(longText);
  EXPECT_GT(std::count(encoded.begin(), encoded.end(), '?'), 4);
  EXPECT_EQ(Decode(encoded), longText + " ");
}

TEST(QuotedPrintableTest, SoftBreaksJoinLines) {
  QpDecoder qp;
  std::string out;
  qp.DecodeLine("abc=\r\n", out);
  EXPECT_EQ(out, "");
  qp.DecodeLine("def\r\n", out);
  EXPECT_EQ(out, "abcdef\r\n");
  out.clear();
  qp.DecodeLine("=E3=81=93=\r\n", out);
  qp.DecodeLine("=E3=82=93\r\n", out);
  EXPECT_EQ(out, "\xE3\x81\x93\xE3\x82\x93\r\n");
  // A last line without its line end is decoded, never lost.
  out.clear();
  qp.DecodeLine("x=3D", out);
  EXPECT_EQ(out, "x=");
  // So is a soft break at the very end of the part.
  out.clear();
  qp.DecodeLine("tail=\r\n", out);
  qp.Flush(out);
  EXPECT_EQ(out, "tail");
}

TEST(QuotedPrintableTest, Sequences) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"a=41b", "aAb"}, {"=3d", "="}, {"a==41", "a=A"}, {"a_b", "a_b"}, {"=", "="}, {"=4", "=4"},
      {"=\r", "\r\n"},
  };
  for (const Case& c : cases) {
    std::string out;
    DecodeQpBytes(c.in, out);
    EXPECT_EQ(out, c.out) << c.in;
  }
  std::string q;
  DecodeQpBytes("a_b", q, true);
  EXPECT_EQ(q, "a b");
}

}  // namespace
}  // namespace fennel
