#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace fennel {
namespace {

std::string U8(std::u8string_view s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size()); }

const std::string kGeta = "\x81\xAC";
const std::string kFffd = U8(u8"\uFFFD");

struct Pair {
  const char* name;
  std::string utf8;
  std::string cp932;
};

void PrintTo(const Pair& p, std::ostream* os) { *os << p.name; }

class RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(RoundTrip, BothDirections) {
  const Pair& p = GetParam();
  EXPECT_EQ(Utf8ToCp932(p.utf8), p.cp932);
  EXPECT_EQ(Cp932ToUtf8(p.cp932), p.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Japanese, RoundTrip,
    ::testing::Values(Pair{"Empty", "", ""},
                      Pair{"Ascii", "Subject: hello\r\n", "Subject: hello\r\n"},
                      Pair{"Kanji", U8(u8"日本語"), "\x93\xFA\x96\x7B\x8C\xEA"},
                      Pair{"CircledDigit", U8(u8"①⑳"), "\x87\x40\x87\x53"},
                      Pair{"CompanyMark", U8(u8"㈱"), "\x87\x8A"},
                      Pair{"RomanNumeral", U8(u8"Ⅲ"), "\x87\x56"},
                      Pair{"HalfWidthKatakana", U8(u8"ｱｲｳﾞ"), "\xB1\xB2\xB3\xDE"},
                      Pair{"FullWidthTilde", U8(u8"～"), "\x81\x60"},
                      // Trail bytes that look like ASCII '\\', ']' and '|'.
                      Pair{"AsciiLookingTrailBytes", U8(u8"ソ表ゾ"), "\x83\x5C\x95\x5C\x83\x5D"},
                      Pair{"Mixed", U8(u8"件名: ㈱ﾃｽﾄ 第Ⅲ期①"),
                           "\x8C\x8F\x96\xBC: \x87\x8A\xC3\xBD\xC4 \x91\xE6\x87\x56\x8A\xFA\x87\x40"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextTest, LiteralsInTheSourceAreCp932AtRunTime) {
  // Every literal of the program relies on this.
  EXPECT_EQ(std::string("日本語①ｱ"), Utf8ToCp932(U8(u8"日本語①ｱ")));
}

TEST(TextTest, IbmExtensionDuplicatesReadAsTheSameCharacter) {
  // 0xFA4C is the IBM code of the character NEC has at 0x8756; writing it
  // back gives the NEC code, as Windows does.
  EXPECT_EQ(Cp932ToUtf8("\xFA\x4C"), U8(u8"Ⅲ"));
  EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("\xFA\x4C")), "\x87\x56");
  EXPECT_EQ(Cp932ToUtf8("\xED\x40"), U8(u8"纊"));
}

TEST(TextTest, LongTextSurvivesTheOutputBuffer) {
  std::string utf8, cp932;
  for (int i = 0; i < 5000; ++i) {
    utf8 += U8(u8"あ①");
    cp932 += "\x82\xA0\x87\x40";
    if (i == 2500) {
      utf8 += U8(u8"😀");
      cp932 += kGeta;
    }
  }
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
  std::string back = Cp932ToUtf8(cp932);
  EXPECT_EQ(back.size(), utf8.size() - 4 + 3);  // the geta comes back as one 3-byte character
}

struct Case {
  const char* name;
  std::string in;
  std::string out;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Utf8Unmappable : public ::testing::TestWithParam<Case> {};

TEST_P(Utf8Unmappable, BecomesGeta) { EXPECT_EQ(Utf8ToCp932(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Text, Utf8Unmappable,
    ::testing::Values(Case{"Emoji", U8(u8"😀"), kGeta},
                      Case{"EmojiInText", U8(u8"A😀あ"), "A" + kGeta + "\x82\xA0"},
                      Case{"TwoEmoji", U8(u8"😀😀"), kGeta + kGeta},
                      Case{"Hangul", U8(u8"한x"), kGeta + "x"},
                      Case{"EmojiAtEnd", U8(u8"abc😀"), "abc" + kGeta}),
    [](const auto& info) { return std::string(info.param.name); });

// Broken UTF-8 never fails: the broken bytes become geta marks and the text
// around them is kept.
TEST(TextTest, BrokenUtf8KeepsTheTextAround) {
  const std::string broken[] = {"\x80", "\xFF", "\xC0\xAF", "\xE3\x81", "\xF0\x9F\x98", "\xED\xA0\x80"};
  for (const std::string& b : broken) {
    SCOPED_TRACE(::testing::PrintToString(b));
    std::string out = Utf8ToCp932(U8(u8"前") + b + "x");
    ASSERT_GE(out.size(), 2u + kGeta.size() + 1u);
    EXPECT_EQ(out.substr(0, 2), "\x91\x4F");
    EXPECT_EQ(out.back(), 'x');
    std::string middle = out.substr(2, out.size() - 3);
    ASSERT_EQ(middle.size() % 2, 0u);
    for (size_t i = 0; i < middle.size(); i += 2) EXPECT_EQ(middle.substr(i, 2), kGeta);
    // Cut off at the end, too.
    std::string atEnd = Utf8ToCp932("a" + b);
    EXPECT_EQ(atEnd.substr(0, 1), "a");
    EXPECT_EQ(atEnd.substr(1, 2), kGeta);
  }
}

class BrokenCp932 : public ::testing::TestWithParam<Case> {};

TEST_P(BrokenCp932, BecomesReplacementAndKeepsTheRest) { EXPECT_EQ(Cp932ToUtf8(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Text, BrokenCp932,
    ::testing::Values(Case{"LeadByteAtEnd", "A\x81", "A" + kFffd},
                      // A lead byte without a trail byte must not eat the next character.
                      Case{"LeadByteBeforeNewline", "\x81\r\nB", kFffd + "\r\nB"},
                      Case{"LeadByteBeforeTab", "\x82\tB", kFffd + "\tB"},
                      Case{"UnassignedPair", "\x85\x40Z", kFffd + "Z"},
                      Case{"BrokenBetweenKanji", "\x93\xFA\x81\x20\x96\x7B", U8(u8"日\uFFFD 本")}),
    [](const auto& info) { return std::string(info.param.name); });

struct Foreign {
  const char* name;
  std::string bytes;
  std::string charset;
  std::string cp932;
};

void PrintTo(const Foreign& f, std::ostream* os) { *os << f.name; }

class ToCp932Known : public ::testing::TestWithParam<Foreign> {};

TEST_P(ToCp932Known, Converts) {
  auto out = ToCp932(GetParam().bytes, GetParam().charset);
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(*out, GetParam().cp932);
}

INSTANTIATE_TEST_SUITE_P(
    Text, ToCp932Known,
    ::testing::Values(Foreign{"EucJp", "\xC6\xFC\xCB\xDC", "EUC-JP", "\x93\xFA\x96\x7B"},
                      Foreign{"EucJpLowerCase", "\xC6\xFC\xCB\xDC", "euc-jp", "\x93\xFA\x96\x7B"},
                      Foreign{"EucJpHalfWidthKana", "\x8E\xB1x", "EUC-JP", "\xB1x"},
                      Foreign{"Iso2022Jp", "a\x1B$BF|K\\\x1B(Bz", "ISO-2022-JP", "a\x93\xFA\x96\x7Bz"},
                      Foreign{"Utf8", U8(u8"日本①"), "UTF-8", "\x93\xFA\x96\x7B\x87\x40"},
                      Foreign{"Utf8Emoji", U8(u8"x😀"), "UTF-8", "x" + kGeta},
                      Foreign{"ShiftJis", "\x93\xFA\x96\x7B", "Shift_JIS", "\x93\xFA\x96\x7B"}),
    [](const auto& info) { return std::string(info.param.name); });

// One JIS X 0208 code (with the rows Windows adds) in each Japanese mail
// charset must give the same CP932 character. Shift_JIS comes from the JIS
// code by arithmetic, so it does not rely on any conversion table.
std::string JisToSjis(unsigned char j1, unsigned char j2) {
  unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  unsigned char s2 = static_cast<unsigned char>(j1 & 1 ? j2 + (j2 <= 0x5F ? 0x1F : 0x20) : j2 + 0x7E);
  return {static_cast<char>(s1), static_cast<char>(s2)};
}

TEST(TextTest, JapaneseMailCharsetsAgree) {
  struct {
    const char* what;
    unsigned char j1, j2;
  } cases[] = {
      {"nichi", 0x46, 0x7C}, {"a (first kanji)", 0x30, 0x21}, {"last kanji of row 84", 0x74, 0x26},
      {"so", 0x25, 0x3D},    {"hyou", 0x49, 0x3D},            {"long vowel", 0x21, 0x3C},
      {"wave dash", 0x21, 0x41}, {"minus", 0x21, 0x5D},       {"circled 1", 0x2D, 0x21},
      {"circled 20", 0x2D, 0x34}, {"roman 3", 0x2D, 0x37},    {"company mark", 0x2D, 0x6A},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string sjis = JisToSjis(c.j1, c.j2);
    const std::string jis{static_cast<char>(c.j1), static_cast<char>(c.j2)};
    const std::string euc{static_cast<char>(c.j1 | 0x80), static_cast<char>(c.j2 | 0x80)};
    EXPECT_EQ(ToCp932("<" + sjis + ">", "Shift_JIS"), "<" + sjis + ">");
    EXPECT_EQ(ToCp932("<" + euc + ">", "EUC-JP"), "<" + sjis + ">");
    EXPECT_EQ(ToCp932("<\x1B$B" + jis + "\x1B(B>", "ISO-2022-JP"), "<" + sjis + ">");
    // Through Unicode and back gives the same character.
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(sjis)), sjis);
  }
}

TEST(TextTest, Iso2022JpModes) {
  struct {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"jis roman and 1978 kanji", "\x1B(Ja\x1B$@F|\x1B(Bb", "a\x93\xFA" "b"},
      {"1990 announcer", "\x1B&@\x1B$BF|\x1B(B", "\x93\xFA"},
      {"line end inside kanji mode", "\x1B$BF|\r\nK\\\x1B(B", "\x93\xFA\r\n\x96\x7B"},
      {"katakana by escape", "\x1B(I1\x1B(B1", "\xB1" "1"},
      {"katakana by shift out", "a\x0E" "12\x0F" "b", "a\xB1\xB2" "b"},
      {"odd byte before return", "\x1B$BF\x1B(Bx", "\x81\xAC" "x"},
      {"eight-bit byte", "a\x93\xFA" "b", "a\x81\xAC\x81\xAC" "b"},
      {"unassigned row: one mark each", "\x1B$B)!)\"\x1B(Bx", "\x81\xAC\x81\xAC" "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToCp932(c.in, "ISO-2022-JP"), c.out);
  }
}

// A character the charset has but CP932 lacks, or a broken one, becomes one
// geta mark; it never leaves a byte behind to be read as another character.
TEST(TextTest, ToCp932OneMarkPerBadCharacter) {
  struct {
    const char* what;
    std::string in, charset, out;
  } cases[] = {
      {"utf-8 emoji", U8(u8"x😀y"), "UTF-8", "x" + kGeta + "y"},
      {"utf-8 replacement character", U8(u8"\uFFFD"), "utf8", kGeta},
      {"shift_jis unassigned pair", "\x85\x40\x85\x41x", "Shift_JIS", kGeta + kGeta + "x"},
      {"shift_jis lead before line end", "\x81\r\n", "Shift_JIS", kGeta + "\r\n"},
      {"euc-jp unassigned pairs", "\xA9\xA1\xA9\xA2x", "EUC-JP", kGeta + kGeta + "x"},
      {"euc-jp lone byte", "\xC6x", "EUC-JP", kGeta + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ToCp932(c.in, c.charset), c.out);
  }
}

TEST(TextTest, ShiftJisNamesAreReadAsCp932) {
  for (const char* name : {"Shift_JIS", "shift-jis", "SJIS", "x-sjis", "Windows-31J", "CP932", "MS932"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ToCp932("\x87\x40\x87\x8A\x5C~", name), "\x87\x40\x87\x8A\x5C~");
  }
}

TEST(TextTest, ToCp932UnknownCharsetIsNullopt) {
  EXPECT_FALSE(ToCp932("abc", "x-no-such-charset").has_value());
  EXPECT_FALSE(ToCp932("", "x-no-such-charset").has_value());
}

TEST(TextTest, EqualsNoCaseFoldsAsciiOnly) {
  struct {
    std::string a, b;
    bool equal;
  } cases[] = {
      {"Main", "MAIN", true},
      {"server1", "SERVER1", true},
      {"", "", true},
      {"Main", "Mai", false},
      {"a[", "A{", false},  // '[' and '{' are not a case pair
      // 0x83 0x41 and 0x83 0x61 are two different characters; the second byte must not fold.
      {"\x83\x41", "\x83\x61", false},
      {"x\x83\x41", "X\x83\x61", false},
      {"\x83\x41x", "\x83\x41X", true},
      {"\x82\x60", "\x82\x81", false},  // full-width A and a are not folded
      {"\xB1", "\xB1", true},
      {"\xB1", "\xD1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.a) + " vs " + ::testing::PrintToString(c.b));
    EXPECT_EQ(EqualsNoCaseCp932(c.a, c.b), c.equal);
    EXPECT_EQ(EqualsNoCaseCp932(c.b, c.a), c.equal);
  }
}

TEST(TextTest, TruncateNeverSplitsATwoByteCharacter) {
  struct {
    std::string in;
    size_t max;
    std::string out;
  } cases[] = {
      {"\x82\xA0\x82\xA2\x82\xA4", 3, "\x82\xA0"},              // あいう
      {"\x82\xA0\x82\xA2\x82\xA4", 4, "\x82\xA0\x82\xA2"},
      {"a\x82\xA0", 2, "a"},
      {"\x88\x9F\x88\x9F", 2, "\x88\x9F"},                      // 亜: the trail byte 0x9F is also a lead byte
      {"\x88\x9F\x88\x9F", 3, "\x88\x9F"},
      {"\x83\x5C\x83\x5C", 3, "\x83\x5C"},                      // ソ
      {"\xB1\xB2\xB3", 2, "\xB1\xB2"},                          // half-width katakana is one byte
      {"abc", 10, "abc"},
      {"abc", 0, ""},
      {"\x82\xA0", 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.in) + " max " + std::to_string(c.max));
    EXPECT_EQ(TruncateCp932(c.in, c.max), c.out);
  }
}

}  // namespace
}  // namespace fennel
