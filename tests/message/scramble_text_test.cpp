#include "message/scramble_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace fennel {
namespace {

TEST(ScrambleTextTest, Table) {
  struct Case {
    std::string plain, scrambled;
  };
  const Case cases[] = {
      {"", ""},
      {"Ab+9", "Ba/8"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/",
       "BADCFEHGJILKNMPORQTSVUXWZYbadcfehgjilknmporqtsvuxwzy1032547698/+"},
      // Bytes outside the alphabet stay, "=" and line ends included.
      {"a=b-c_d.e f\tg\r\n!", "b=a-d_c.f e\th\r\n!"},
      // Two-byte characters stay whole, even when their second byte is an
      // alphabet letter: "ア" is 83 41, "カ" 83 4A, "信" 90 4D, "山" 8E 52.
      {"ア", "\x83\x41"},
      {"\x83\x41" "A", "\x83\x41" "B"},
      {"アカ信山Aa", std::string("アカ信山") + "Bb"},
      {"本文です z", "本文です y"},
      // Half-width katakana is one byte and stays; a lead byte with nothing
      // after it stays too.
      {"\xB1" "a\xDF", "\xB1" "b\xDF"},
      {"x\x83", "w\x83"},
      // ISO-2022-JP body lines: the escapes stay, the JIS pairs between them swap.
      {"\x1B$B$3$s\x1B(Bok", "\x1B$B$2$t\x1B(Bpl"},
      {"\x1B$BAB\x1B(B", "\x1B$BBA\x1B(B"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScrambleText(c.plain), c.scrambled) << c.plain;
    EXPECT_EQ(UnscrambleText(c.scrambled), c.plain) << c.plain;
  }
}

TEST(ScrambleTextTest, RoundTripOverEveryByteValue) {
  uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const int length = round * 7 % 300;
    for (int i = 0; i < length; ++i) {
      seed = seed * 1103515245 + 12345;
      text.push_back(static_cast<char>(seed >> 24));
    }
    std::string scrambled = ScrambleText(text);
    ASSERT_EQ(scrambled.size(), text.size());
    ASSERT_EQ(UnscrambleText(scrambled), text) << "round " << round;
  }
}

}  // namespace
}  // namespace fennel
