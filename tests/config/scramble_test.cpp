#include "config/scramble.h"

#include <gtest/gtest.h>

#include <set>

namespace fennel {
namespace {

TEST(ScramblePasswordTest, ShapeAndRepeatability) {
  for (const std::string& pw : {std::string(), std::string("a"), std::string("secret"), std::string(125, 'z'),
                                std::string(300, 'q')}) {
    std::string s = ScramblePassword(pw);
    ASSERT_EQ(s.size(), 250u) << pw.size();
    EXPECT_EQ(s[0], 'x');
    EXPECT_EQ(s, ScramblePassword(pw)) << "the same text must give the same bytes";
  }
}

TEST(ScramblePasswordTest, WhichBytesTakePart) {
  // 10 divides 250: the last byte is not kept.
  EXPECT_EQ(ScramblePassword("abcdefghij"), ScramblePassword("abcdefghiX"));
  EXPECT_NE(ScramblePassword("abcdefghij"), ScramblePassword("Xbcdefghij"));
  // Every one-byte password (and the empty one) gives the same bytes.
  EXPECT_EQ(ScramblePassword("a"), ScramblePassword("b"));
  EXPECT_EQ(ScramblePassword(""), ScramblePassword("z"));
  // 9 does not divide 250: every byte counts.
  EXPECT_NE(ScramblePassword("abcdefghi"), ScramblePassword("abcdefghX"));
  EXPECT_NE(ScramblePassword("secret"), ScramblePassword("secreT"));
}

TEST(ScramblePasswordTest, TextBytesLandOnMultiplesOfTheStep) {
  // n = 3: k = 83; positions 249, 166, 83 hold the three bytes shifted left by 2.
  std::string s = ScramblePassword("AB@");
  EXPECT_EQ(static_cast<unsigned char>(s[249]), static_cast<unsigned char>('A' << 2));
  EXPECT_EQ(static_cast<unsigned char>(s[166]), static_cast<unsigned char>('B' << 2));
  EXPECT_EQ(s[83], '\0');  // "@" scrambles to a zero byte, which is kept
  for (size_t i = 1; i < 250; ++i) {
    if (i % 83 == 0) continue;
    unsigned char c = static_cast<unsigned char>(s[i]);
    EXPECT_TRUE(c >= 32 && c < 126) << i;
  }
  // Passwords that differ only after a zero byte still differ.
  EXPECT_NE(ScramblePassword("@a@"), ScramblePassword("@b@"));
}

TEST(ScramblePasswordTest, ShortTextForTheWalkCountsMissingBytesAsZero) {
  // n = 18: k = 13, 19 positions; the 19th takes a zero.
  std::string s = ScramblePassword(std::string(18, 'a'));
  EXPECT_EQ(s[13], '\0');
  EXPECT_EQ(static_cast<unsigned char>(s[26]), static_cast<unsigned char>('a' << 2));
}

}  // namespace
}  // namespace fennel
