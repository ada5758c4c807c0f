#include "message/jis.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace fennel {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

const std::string kIn = "\x1B$B";
const std::string kOut = "\x1B(B";

TEST(SjisToJisTest, Table) {
  struct Case {
    const char* what;
    std::string sjis;
    std::string jis;
  };
  const Case cases[] = {
      {"ascii only", "abc", "abc"},
      {"hiragana", "こんにちは", kIn + "$3$s$K$A$O" + kOut},
      {"mixed", "a漢b", "a" + kIn + "4A" + kOut + "b"},
      {"0x819F", B({0x81, 0x9F}), kIn + B({0x22, 0x21}) + kOut},
      {"0x889F", B({0x88, 0x9F}), kIn + B({0x30, 0x21}) + kOut},
      {"0x839F odd fix-up", B({0x83, 0x9F}), kIn + B({0x23, 0x41}) + kOut},
      {"0x849F", B({0x84, 0x9F}), kIn + B({0x21, 0x5D}) + kOut},
      {"0x859F no entry", B({0x85, 0x9F}), kIn + B({0x29, 0x7F}) + kOut},
      {"circled one", "①", kIn + B({0x2D, 0x21}) + kOut},
      {"half-width ka + voiced", "ｶﾞ", kIn + B({0x25, 0x2C}) + kOut},
      {"half-width a + voiced mark", "ｱﾞ", kIn + B({0x25, 0x22, 0x21, 0x2B}) + kOut},
      {"half-width ha + semi-voiced", "ﾊﾟ", kIn + B({0x25, 0x51}) + kOut},
      {"half-width u + voiced", "ｳﾞ", kIn + B({0x25, 0x74}) + kOut},
      {"lone half-width kana", "ｱ", kIn + B({0x25, 0x22}) + kOut},
      {"lead byte at the end is dropped", "a" + B({0x82}), "a"},
      {"high single byte loses its top bit", B({0x80}), B({0x00})},
  };
  for (const Case& c : cases) EXPECT_EQ(SjisToJis(c.sjis), c.jis) << c.what;
}

TEST(JisToSjisTest, Table) {
  struct Case {
    const char* what;
    std::string jis;
    std::string sjis;
  };
  const Case cases[] = {
      {"ascii", "plain", "plain"},
      {"hiragana", kIn + "$3$s$K$A$O" + kOut, "こんにちは"},
      {"ESC $ @ too", "\x1B$@$3" + kOut, "こ"},
      {"ESC ( J ends kanji", kIn + "$3\x1B(Jx", "こx"},
      {"0x2221 back to 0x819F", kIn + B({0x22, 0x21}) + kOut, B({0x81, 0x9F})},
      {"0x2341 is the full-width A", kIn + B({0x23, 0x41}) + kOut, B({0x82, 0x60})},
      {"0x257F gives 0x839F", kIn + B({0x25, 0x7F}) + kOut, B({0x83, 0x9F})},
      {"0x4D7F gives 0x979F", kIn + B({0x4D, 0x7F}) + kOut, B({0x97, 0x9F})},
      {"0x297F is copied", kIn + B({0x29, 0x7F}) + kOut, B({0x29, 0x7F})},
      {"row 13", kIn + B({0x2D, 0x21}) + kOut, "①"},
      {"half-width kana by ESC ( I", "\x1B(I" "1%" + kOut, "ｱ･"},
      {"a lone ESC is copied", "\x1B" "x", "\x1B" "x"},
  };
  for (const Case& c : cases) {
    JisConverter whole;
    EXPECT_EQ(whole.Convert(c.jis, true), c.sjis) << c.what;
  }
}

// Every two-byte CP932 character of the JIS rows goes to JIS and back, but
// for the trail byte 0x9F cases that the fix-up table moves elsewhere. The
// user-defined and IBM areas (lead bytes 0xF0 and up) have no JIS row.
TEST(JisToSjisTest, EveryDoubleByteCharacterRoundTrips) {
  int checked = 0;
  for (int c1 = 0x81; c1 < 0xF0; ++c1) {
    if (c1 > 0x9F && c1 < 0xE0) continue;
    for (int c2 = 0x40; c2 <= 0xFC; ++c2) {
      if (c2 == 0x7F) continue;
      if (c2 == 0x9F) continue;  // the fix-up table's cases, below
      std::string s = B({c1, c2});
      JisConverter jis;
      ASSERT_EQ(jis.Convert(SjisToJis(s), true), s) << std::hex << c1 << " " << c2;
      ++checked;
    }
  }
  EXPECT_GT(checked, 8700);
  // Trail byte 0x9F: the usual rows come back, the fixed-up ones do not.
  JisConverter jis;
  EXPECT_EQ(jis.Convert(SjisToJis(B({0x81, 0x9F})), true), B({0x81, 0x9F}));
  EXPECT_EQ(jis.Convert(SjisToJis(B({0x88, 0x9F})), true), B({0x88, 0x9F}));
  EXPECT_EQ(jis.Convert(SjisToJis(B({0x83, 0x9F})), true), B({0x82, 0x60}));
}

TEST(JisToSjisTest, ModeCarriesFromLineToLine) {
  JisConverter jis;
  // The first line ends in kanji mode without ESC ( B.
  EXPECT_EQ(jis.Convert(kIn + "$3\r\n", false), "こ\r\n");
  EXPECT_TRUE(jis.inKanjiMode());
  EXPECT_EQ(jis.Convert("$s" + kOut + "\r\n", false), "ん\r\n");
  // With last set the next line starts in ASCII.
  jis.Convert(kIn + "$3", true);
  EXPECT_EQ(jis.Convert("$s", false), "$s");
  // A reset ends kanji mode too.
  jis.Convert(kIn, false);
  jis.Reset();
  EXPECT_EQ(jis.Convert("$s", false), "$s");
}

TEST(JisToSjisTest, ByteBeforeCrIsHeldForTheNextLine) {
  JisConverter jis;
  // "$" before CR is held, and pairs with "3" at the start of the next call.
  EXPECT_EQ(jis.Convert(kIn + "$\r\n", false), "\r\n");
  EXPECT_EQ(jis.Convert("3" + kOut, true), "こ");
}

TEST(JisToSjisTest, TwoConvertersNeverDisturbEachOther) {
  JisConverter a, b;
  a.Convert(kIn, false);
  EXPECT_EQ(b.Convert("$3", false), "$3");
  EXPECT_EQ(a.Convert("$3", false), "こ");
}

TEST(JisToSjisTest, FedOneByteAtATimeMatchesWholeForAsciiAndShiftJis) {
  const std::string text = "abc シフト ｶﾅ\r\n";
  JisConverter jis;
  std::string out;
  for (char c : text) jis.Convert(std::string_view(&c, 1), out, false);
  EXPECT_EQ(out, text);
}

}  // namespace
}  // namespace fennel
