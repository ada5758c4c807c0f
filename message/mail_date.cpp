#include "message/mail_date.h"

#include <cstddef>

namespace fennel {
namespace {

// Days in each month as the checks see them: February always allows the 29th.
constexpr int kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr const char* kMonthShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kMonthLong[12] = {"January", "February", "March",     "April",
                                        "May",     "June",     "July",      "August",
                                        "September", "October", "November", "December"};
constexpr const char* kWeekdayShort[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kWeekdayLong[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

struct ZoneName {
  const char* name;
  int minutes;  // east of UTC
};
constexpr ZoneName kZones[] = {
    {"UT", 0},        {"UCT", 0},       {"GMT", 0},       {"Z", 0},        {"WET", 0},
    {"EST", -5 * 60}, {"EDT", -4 * 60}, {"CST", -6 * 60}, {"CDT", -5 * 60}, {"MST", -7 * 60},
    {"MDT", -6 * 60}, {"PST", -8 * 60}, {"PDT", -7 * 60}, {"HST", -10 * 60}, {"MET", 60},
    {"EET", 2 * 60},  {"BST", 60},      {"AST", -4 * 60}, {"ADT", -3 * 60}, {"NST", -(3 * 60 + 30)},
    {"NDT", -(2 * 60 + 30)}, {"YST", -9 * 60}, {"YDT", -8 * 60}, {"JST", 9 * 60}, {"SST", 8 * 60},
    {"NZST", 12 * 60}, {"NZDT", 13 * 60}, {"WST", 8 * 60}, {"WDT", 9 * 60},
};

// Longest run of digits or letters that makes a token; a longer run makes
// the whole date unreadable.
constexpr size_t kMaxToken = 20;
// Numbers saturate here: far above any value a check lets through, far below
// anything that could overflow.
constexpr int64_t kNumberCap = int64_t{1} << 40;
// Years beyond four digits are not dates a message carries.
constexpr int64_t kMaxYear = 9999;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == '\0' || Lower(a[i]) != Lower(b[i])) return false;
  }
  return b[i] == '\0';
}

struct Token {
  enum Kind { End, Number, Word, Other, TooLong };
  Kind kind = End;
  std::string_view text;
  int64_t value = 0;  // Number only

  bool Is(char c) const { return kind == Other && text.size() == 1 && text[0] == c; }
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    Token t = Peek();
    pos_ = after_;
    return t;
  }

  Token Peek() {
    size_t i = pos_;
    while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) ++i;
    Token t;
    if (i == text_.size()) {
      after_ = i;
      return t;
    }
    size_t start = i;
    char c = text_[i];
    if (IsDigit(c)) {
      while (i < text_.size() && IsDigit(text_[i])) {
        if (t.value < kNumberCap) t.value = t.value * 10 + (text_[i] - '0');
        ++i;
      }
      t.kind = Token::Number;
    } else if (IsLetter(c)) {
      while (i < text_.size() && IsLetter(text_[i])) ++i;
      t.kind = Token::Word;
    } else {
      ++i;
      t.kind = Token::Other;
    }
    if (i - start > kMaxToken) t.kind = Token::TooLong;
    t.text = text_.substr(start, i - start);
    after_ = i;
    return t;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t after_ = 0;
};

int MonthOf(const Token& t) {  // 0..11, or -1
  if (t.kind != Token::Word) return -1;
  for (int m = 0; m < 12; ++m) {
    if (EqualsNoCase(t.text, kMonthShort[m]) || EqualsNoCase(t.text, kMonthLong[m])) return m;
  }
  return -1;
}

bool IsWeekday(const Token& t) {
  if (t.kind != Token::Word) return false;
  for (int d = 0; d < 7; ++d) {
    if (EqualsNoCase(t.text, kWeekdayShort[d]) || EqualsNoCase(t.text, kWeekdayLong[d])) return true;
  }
  return false;
}

bool ReadYear(const Token& t, int64_t& year) {
  if (t.kind != Token::Number) return false;
  int64_t y = t.value;
  if (y <= 64) {
    year = 2000 + y;
  } else if (y <= 99) {
    year = 1900 + y;
  } else if (y > 1965 && y <= kMaxYear) {
    year = y;
  } else {
    return false;
  }
  return true;
}

struct Clock {
  int64_t hour = 0, minute = 0, second = 0;
};

// "hh:mm", "hh:mm:ss", or a bare "hhmm".
bool ReadTime(Lexer& lx, Clock& clock) {
  Token t = lx.Next();
  if (t.kind != Token::Number) return false;
  const int64_t h = t.value;
  if (h > 23 || !lx.Peek().Is(':')) {
    clock.hour = h / 100;
    clock.minute = h % 100;
    clock.second = 0;
    return clock.hour <= 23 && clock.minute <= 59;
  }
  lx.Next();  // ':'
  t = lx.Next();
  if (t.kind != Token::Number || t.value > 59) return false;
  clock.hour = h;
  clock.minute = t.value;
  clock.second = 0;
  if (lx.Peek().Is(':')) {
    lx.Next();
    t = lx.Next();
    if (t.kind != Token::Number || t.value > 59) return false;
    clock.second = t.value;
  }
  return true;
}

// The zone as minutes east of UTC. Names nobody knows count as UTC.
bool ReadZone(Lexer& lx, int64_t& minutes) {
  const Token t = lx.Next();
  minutes = 0;
  if (t.Is('+') || t.Is('-')) {
    const int64_t sign = t.Is('-') ? -1 : 1;
    const Token n = lx.Next();
    if (n.kind != Token::Number) return false;
    int64_t hours, mins;
    if (n.text.size() <= 2) {  // "+9", "+09": whole hours
      hours = n.value;
      mins = 0;
    } else if (n.text.size() <= 4) {  // "+930", "+0930"
      hours = n.value / 100;
      mins = n.value % 100;
    } else {
      return false;
    }
    minutes = sign * (hours * 60 + mins);
    return true;
  }
  // Anything but a sign or a name (a bare number, a ":" left over from a time
  // such as "24:00") is no zone.
  if (t.kind != Token::Word) return false;
  for (const ZoneName& z : kZones) {
    if (EqualsNoCase(t.text, z.name)) {
      minutes = z.minutes;
      break;
    }
  }
  return true;
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                   // [0, 399]
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;           // [0, 146096]
  return era * 146097 + doe - 719468;
}

}  // namespace

int64_t ParseMailDate(std::string_view text) {
  Lexer lx(text);
  int64_t year = 0, day = 0, zoneMinutes = 0;
  int month = -1;
  Clock clock;

  Token t = lx.Next();
  if (t.kind == Token::End || t.kind == Token::TooLong) return -1;
  bool dayFirst = t.kind == Token::Number;
  if (IsWeekday(t)) {
    if (lx.Peek().Is(',')) {
      lx.Next();
      dayFirst = true;
    }
    t = lx.Next();
  }

  if (dayFirst) {  // "6 Dec 2026 20:01:31 +0900", "6-Dec-2026 ..."
    if (t.kind != Token::Number || t.value < 1 || t.value > 31) return -1;
    day = t.value;
    t = lx.Next();
    if (t.Is('-')) t = lx.Next();
    month = MonthOf(t);
    if (month < 0 || day > kMonthDays[month]) return -1;
    t = lx.Next();
    if (t.Is('-')) t = lx.Next();
    if (!ReadYear(t, year) || !ReadTime(lx, clock) || !ReadZone(lx, zoneMinutes)) return -1;
    // Whatever follows the zone, such as "(JST)", carries nothing more.
  } else {  // "Dec 6 20:01:31 2026", "Dec 6 20:01:31 JST 2026"
    month = MonthOf(t);
    if (month < 0) return -1;
    t = lx.Next();
    if (t.kind != Token::Number || t.value < 1 || t.value > kMonthDays[month]) return -1;
    day = t.value;
    if (!ReadTime(lx, clock)) return -1;
    if (lx.Peek().kind != Token::Number && !ReadZone(lx, zoneMinutes)) return -1;
    if (!ReadYear(lx.Next(), year)) return -1;
  }

  const int64_t days = DaysFromCivil(year, month + 1, day);
  return days * 86400 + clock.hour * 3600 + clock.minute * 60 + clock.second - zoneMinutes * 60;
}

}  // namespace fennel
