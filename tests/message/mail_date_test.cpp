#include "message/mail_date.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace fennel {
namespace {

// Expected values come from Python's email.utils (mktime_tz of parsedate_tz)
// on the same instant written in the plain "Sun, 06 Dec 2026 20:01:31 +0900"
// form.
constexpr int64_t kSixDec = 1796554891;  // 2026-12-06 11:01:31 UTC

struct Case {
  std::string text;
  int64_t expected;
};

TEST(ParseMailDateTest, NumericZones) {
  const Case cases[] = {
      {"Sun, 06 Dec 2026 20:01:31 +0900", kSixDec},
      {"Sun, 06 Dec 2026 11:01:31 +0000", kSixDec},
      {"Sun, 06 Dec 2026 11:01:31 -0000", kSixDec},
      {"Sun, 06 Dec 2026 06:01:31 -0500", kSixDec},
      {"Sun, 06 Dec 2026 07:31:31 -0330", kSixDec},
      {"Mon, 07 Dec 2026 00:01:31 +1300", kSixDec},
      {"Sun, 06 Dec 2026 20:31:31 +0930", kSixDec},
      // Short forms: one or two digits are hours, three are h mm.
      {"Sun, 06 Dec 2026 20:01:31 +9", kSixDec},
      {"Sun, 06 Dec 2026 20:01:31 +09", kSixDec},
      {"Sun, 06 Dec 2026 20:31:31 +930", kSixDec},
      {"Sun, 06 Dec 2026 06:01:31 -5", kSixDec},
      // A sign apart from its number still belongs to it.
      {"Sun, 06 Dec 2026 20:01:31 + 0900", kSixDec},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMailDate(c.text), c.expected) << c.text;
}

TEST(ParseMailDateTest, NamedZones) {
  struct Zone {
    const char* name;
    int minutes;
  };
  const Zone zones[] = {
      {"UT", 0},       {"UCT", 0},      {"GMT", 0},      {"Z", 0},        {"WET", 0},
      {"EST", -300},   {"EDT", -240},   {"CST", -360},   {"CDT", -300},   {"MST", -420},
      {"MDT", -360},   {"PST", -480},   {"PDT", -420},   {"HST", -600},   {"MET", 60},
      {"EET", 120},    {"BST", 60},     {"AST", -240},   {"ADT", -180},   {"NST", -210},
      {"NDT", -150},   {"YST", -540},   {"YDT", -480},   {"JST", 540},    {"SST", 480},
      {"NZST", 720},   {"NZDT", 780},   {"WST", 480},    {"WDT", 540},
      {"jst", 540},    {"Gmt", 0},      {"XYZ", 0},      {"CEST", 0},
  };
  const int64_t utcFields = 1796587291;  // 06 Dec 2026 20:01:31 read as UTC
  for (const Zone& z : zones) {
    std::string text = std::string("Sun, 06 Dec 2026 20:01:31 ") + z.name;
    EXPECT_EQ(ParseMailDate(text), utcFields - z.minutes * 60) << text;
  }
}

TEST(ParseMailDateTest, Forms) {
  const Case cases[] = {
      // Day first, with and without a weekday, names in full or in any case.
      {"06 Dec 2026 20:01:31 +0900", kSixDec},
      {"6 Dec 2026 20:01:31 +0900", kSixDec},
      {"Sunday, 6 December 2026 20:01:31 +0900", kSixDec},
      {"sUN, 06 dEC 2026 20:01:31 jst", kSixDec},
      {"\tSun,\t06  Dec 2026\t20:01:31   +0900  ", kSixDec},
      {"6-Dec-2026 20:01:31 +0900", kSixDec},
      {"6-Dec 2026 20:01:31 +0900", kSixDec},
      // Whatever follows the zone is ignored.
      {"Sun, 06 Dec 2026 20:01:31 +0900 (JST)", kSixDec},
      {"Sun, 06 Dec 2026 11:01:31 GMT (longer than twenty: abcdefghijklmnopqrstuvwxyz)", kSixDec},
      // Month first: year straight after the time, or zone then year. A
      // weekday without a comma leads into this form.
      {"Dec 6 11:01:31 2026", kSixDec},
      {"Dec 6 20:01:31 JST 2026", kSixDec},
      {"Dec 6 20:01:31 +0900 2026", kSixDec},
      {"Sun Dec  6 11:01:31 2026", kSixDec},
      {"Sun Dec 6 20:01:31 JST 2026", kSixDec},
      // Time: seconds optional, or one "hhmm" number.
      {"06 Dec 2026 20:01 +0900", 1796554860},
      {"06 Dec 2026 1230 +0900", 1796527800},
      {"06 Dec 2026 12 +0000", 1796515920},  // a lone number is hhmm too: 00:12
      {"06 Dec 2026 0 +0000", 1796515200},
      // Years: two digits and full.
      {"Wed, 01 Dec 99 08:00:00 +0900", 944002800},
      {"Wed, 01 Dec 04 08:00:00 +0900", 1101855600},
      {"01 Dec 64 08:00:00 +0000", 2995344000},
      {"01 Dec 65 08:00:00 +0000", -128880000},
      {"01 Jan 1966 00:00:00 +0000", -126230400},
      {"01 Jan 70 09:00:00 +0900", 0},
      {"19 Jan 2038 03:14:08 +0000", 2147483648},
      {"07 Feb 2106 06:28:16 +0000", 4294967296},
      // The day checks allow February 29 in every year.
      {"29 Feb 2024 00:00:00 +0000", 1709164800},
      {"29 Feb 2025 00:00:00 +0000", 1740787200},  // lands on March 1
      {"Feb 29 00:00:00 2024", 1709164800},
      {"31 Dec 2026 23:59:59 +0000", 1798761599},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMailDate(c.text), c.expected) << c.text;
}

TEST(ParseMailDateTest, Unreadable) {
  const char* const cases[] = {
      "",
      "   \t ",
      "garbage",
      "(JST)",
      "Sun,",
      "Sun, Dec 06 2026 20:01:31 +0900",   // after the comma comes the day
      "Sun 06 Dec 2026 20:01:31 +0900",    // without the comma comes the month
      "Sun, 06 Dec 2026 20:01:31",         // no zone
      "Sun, 06 Dec 2026 20:01:31 +09000",  // too many zone digits
      "Dec 6 20:01:31",                    // no year
      "Dec 6 20:01:31 JST",
      "06 Dec 2026",
      "06 Dek 2026 20:01:31 +0900",
      "06 Sept 2026 20:01:31 +0900",
      "0 Dec 2026 20:01:31 +0900",
      "32 Dec 2026 20:01:31 +0900",
      "31 Nov 2026 20:01:31 +0900",
      "30 Feb 2024 20:01:31 +0900",
      "Nov 31 20:01:31 2026",
      "Dec 0 20:01:31 2026",
      "06 Dec 100 20:01:31 +0900",
      "06 Dec 1965 20:01:31 +0900",
      "06 Dec 20000 20:01:31 +0900",
      "06 Dec 2026 24:00:00 +0900",
      "06 Dec 2026 23:60:00 +0900",
      "06 Dec 2026 23:59:60 +0900",
      "06 Dec 2026 2400 +0900",
      "06 Dec 2026 1260 +0900",
      "06 Dec 2026 20: +0900",
      "06 Dec 2026 20:01: +0900",
      "06 Dec 2026 +0900",
      "Sun, 06 Dec 2026 20:01:31 0900",    // a zone needs its sign
      "Sun, 06 Dec 2026 20:01:31 + JST",   // and a sign its number
      "Sun, 06 Dec 2026 20:01:31 (JST)",
      // Runs of more than twenty digits or letters.
      "000000000000000000006 Dec 2026 20:01:31 +0900",
      "Sun, 06 Dec 2026 20:01:31 ABCDEFGHIJKLMNOPQRSTU",
      "Sun, 06 Dec 2026 99999999999999999999999999:01:31 +0900",
  };
  for (const char* text : cases) EXPECT_EQ(ParseMailDate(text), -1) << text;
}

TEST(ParseMailDateTest, TokensUpToTwentyCharacters) {
  // Twenty digits are still a number (and a valid hhmm once leading zeros
  // are read); twenty letters are still a zone name.
  EXPECT_EQ(ParseMailDate("06 Dec 2026 00000000000000001230 +0900"), 1796527800);
  EXPECT_EQ(ParseMailDate("Sun, 06 Dec 2026 11:01:31 ABCDEFGHIJKLMNOPQRST"), kSixDec);
}

}  // namespace
}  // namespace fennel
