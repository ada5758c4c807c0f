#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace fennel {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kReplacementCp932 = "\x81\xAC";     // geta mark

// Length of the UTF-8 sequence that starts with c, 1 when c cannot start one.
size_t Utf8SequenceLength(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 1;
}

bool IsCp932TrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// The skip rules below say how many bytes one broken or unmappable character
// takes, so that it becomes one replacement and never leaves half of itself
// behind to be read as another character.

size_t SkipUtf8(const unsigned char* p, size_t left) {
  size_t n = Utf8SequenceLength(p[0]);
  if (n > left) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((p[i] & 0xC0) != 0x80) return 1;
  return n;
}

// A lead byte takes its trail byte only when that is one: a stray lead byte
// must not swallow the line end after it.
size_t SkipCp932(const unsigned char* p, size_t left) {
  return IsCp932LeadByte(p[0]) && left >= 2 && IsCp932TrailByte(p[1]) ? 2 : 1;
}

size_t SkipEucJp(const unsigned char* p, size_t left) {
  if (p[0] == 0x8E) return left >= 2 && IsEucByte(p[1]) ? 2 : 1;
  if (p[0] == 0x8F) return left >= 3 && IsEucByte(p[1]) && IsEucByte(p[2]) ? 3 : 1;
  if (IsEucByte(p[0])) return left >= 2 && IsEucByte(p[1]) ? 2 : 1;
  return 1;
}

size_t SkipOne(const unsigned char*, size_t) { return 1; }

// "Shift_JIS" -> "SHIFTJIS": upper case without '-' and '_'.
std::string CanonicalCharset(const std::string& charset) {
  std::string c;
  for (char ch : charset) {
    if (ch == '-' || ch == '_') continue;
    c += (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
  }
  return c;
}

enum class Family { Other, Utf8, ShiftJis, EucJp, Iso2022Jp };

Family FamilyOf(const std::string& charset) {
  const std::string c = CanonicalCharset(charset);
  if (c == "UTF8") return Family::Utf8;
  // Mail labelled Shift_JIS is written by Windows in CP932 (circled digits,
  // roman numerals...), so every Shift_JIS name is read as CP932.
  for (const char* n : {"SHIFTJIS", "SJIS", "XSJIS", "MSKANJI", "CSSHIFTJIS", "WINDOWS31J", "CP932", "MS932",
                        "SJISWIN", "SJISOPEN"})
    if (c == n) return Family::ShiftJis;
  // Likewise EUC-JP is read as eucJP-ms, which holds the same extensions.
  for (const char* n : {"EUCJP", "XEUCJP", "CSEUCPKDFMTJAPANESE", "EUCJPMS", "EUCJPWIN"})
    if (c == n) return Family::EucJp;
  if (c == "ISO2022JP" || c == "CSISO2022JP") return Family::Iso2022Jp;
  return Family::Other;
}

// ISO-2022-JP -> EUC-JP by arithmetic, so that the two-byte codes that
// Windows adds to JIS X 0208 (row 13: circled digits, roman numerals, the
// company mark) come through as eucJP-ms reads them. Half-width katakana
// (ESC ( I or SO/SI) and JIS X 0212 are taken too. A byte that cannot be
// part of the text becomes 0xFF, which the EUC-JP reader replaces.
std::string Iso2022JpToEucJp(std::string_view in) {
  enum class Mode { Ascii, Jis0208, Jis0212, Kana } mode = Mode::Ascii;
  bool shiftOut = false;
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == 0x1B) {
      std::string_view rest = in.substr(i + 1);
      struct Escape {
        std::string_view seq;
        Mode mode;
      };
      static constexpr Escape kEscapes[] = {
          {"$B", Mode::Jis0208}, {"$@", Mode::Jis0208}, {"$(B", Mode::Jis0208}, {"$(D", Mode::Jis0212},
          {"(B", Mode::Ascii},   {"(J", Mode::Ascii},   {"(I", Mode::Kana},
      };
      bool known = false;
      for (const Escape& e : kEscapes) {
        if (rest.substr(0, e.seq.size()) == e.seq) {
          mode = e.mode;
          i += 1 + e.seq.size();
          known = true;
          break;
        }
      }
      if (!known && rest.substr(0, 2) == "&@") {  // JIS X 0208-1990 announcer; ESC $ B follows
        i += 3;
        known = true;
      }
      if (known) continue;
    }
    if (c == 0x0E || c == 0x0F) {
      shiftOut = c == 0x0E;
      ++i;
      continue;
    }
    if (c < 0x21 || c == 0x7F) {  // controls, line ends and spaces in any mode
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      out += '\xFF';
      ++i;
      continue;
    }
    if (shiftOut || mode == Mode::Kana) {
      if (c <= 0x5F) {
        out += '\x8E';
        out += static_cast<char>(c | 0x80);
      } else {
        out += '\xFF';
      }
      ++i;
      continue;
    }
    if (mode == Mode::Jis0208 || mode == Mode::Jis0212) {
      const unsigned char d = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
      if (d >= 0x21 && d <= 0x7E) {
        if (mode == Mode::Jis0212) out += '\x8F';
        out += static_cast<char>(c | 0x80);
        out += static_cast<char>(d | 0x80);
        i += 2;
      } else {
        out += '\xFF';
        ++i;
      }
      continue;
    }
    out += static_cast<char>(c);
    ++i;
  }
  return out;
}

// Runs iconv over the whole input. An unconvertible or broken sequence is
// skipped (skip() says how many bytes) and the replacement is written instead.
template <typename Skip>
std::optional<std::string> Convert(std::string_view in, const char* to, const char* from,
                                   std::string_view replacement, Skip skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.reserve(in.size() + in.size() / 2 + 8);
  char buf[4096];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (true) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = left ? iconv(cd, &src, &left, &dst, &room) : iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buf, dst - buf);
    if (r != static_cast<size_t>(-1)) {
      if (left == 0) {
        // Flush any shift state, then done.
        dst = buf;
        room = sizeof buf;
        iconv(cd, nullptr, nullptr, &dst, &room);
        out.append(buf, dst - buf);
        break;
      }
      continue;
    }
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (incomplete at the end): replace and go on.
    size_t n = std::min(left, skip(reinterpret_cast<unsigned char*>(src), left));
    if (n == 0) n = 1;
    src += n;
    left -= n;
    out.append(replacement);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  auto r = Convert(cp932, "UTF-8", "CP932", kReplacementUtf8, SkipCp932);
  return r ? *r : std::string(cp932);
}

std::string Utf8ToCp932(std::string_view utf8) {
  auto r = Convert(utf8, "CP932", "UTF-8", kReplacementCp932, SkipUtf8);
  return r ? *r : std::string(utf8);
}

std::optional<std::string> ToCp932(std::string_view bytes, const std::string& charset) {
  switch (FamilyOf(charset)) {
    case Family::Utf8:
      return Convert(bytes, "CP932", "UTF-8", kReplacementCp932, SkipUtf8);
    case Family::ShiftJis:
      return Convert(bytes, "CP932", "CP932", kReplacementCp932, SkipCp932);
    case Family::EucJp:
      return Convert(bytes, "CP932", "EUCJP-MS", kReplacementCp932, SkipEucJp);
    case Family::Iso2022Jp:
      return Convert(Iso2022JpToEucJp(bytes), "CP932", "EUCJP-MS", kReplacementCp932, SkipEucJp);
    case Family::Other:
      break;
  }
  return Convert(bytes, "CP932", charset.c_str(), kReplacementCp932, SkipOne);
}

bool EqualsNoCaseCp932(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (IsCp932LeadByte(x)) {
      if (x != y) return false;
      if (i + 1 < a.size()) {
        if (a[i + 1] != b[i + 1]) return false;
        ++i;
      }
      continue;
    }
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  const size_t first = s.find(from);
  if (first == std::string::npos) return;
  std::string rest;
  size_t done = first;
  for (size_t at = first; at != std::string::npos; at = s.find(from, done)) {
    rest.append(s, done, at - done);
    rest += to;
    done = at + from.size();
  }
  rest.append(s, done);
  s.resize(first);
  s += rest;
}

std::string TruncateCp932(std::string_view s, size_t max) {
  if (s.size() <= max) return std::string(s);
  size_t i = 0;
  while (i < max) {
    size_t step = IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return std::string(s.substr(0, i));
}

std::string TrimCp932Space(const std::string& text) {
  auto isAsciiSpace = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  size_t b = 0;
  size_t e = text.size();
  while (b < e) {
    unsigned char c = static_cast<unsigned char>(text[b]);
    if (isAsciiSpace(c)) {
      ++b;
    } else if (c == 0x81 && b + 1 < e && static_cast<unsigned char>(text[b + 1]) == 0x40) {
      b += 2;  // the full-width space
    } else {
      break;
    }
  }
  // From the end: walk the characters from b so a trail byte is never taken
  // for a character of its own.
  size_t lastKept = b;
  for (size_t i = b; i < e;) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = IsCp932LeadByte(c) && i + 1 < e ? 2 : 1;
    bool space = (len == 1 && isAsciiSpace(c)) || (len == 2 && c == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0x40);
    i += len;
    if (!space) lastKept = i;
  }
  return text.substr(b, lastKept - b);
}

}  // namespace fennel
