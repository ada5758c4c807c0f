#include "message/jis.h"

#include <array>

#include "platform/text.h"

namespace fennel {
namespace {

constexpr char ESC = 0x1B;

struct JisPair {
  unsigned char row;
  unsigned char cell;
};

// One Shift-JIS character (lead, trail) as a JIS X 0208 pair.
JisPair SjisPairToJis(unsigned char c1, unsigned char c2) {
  int rowBase = c1 <= 0x9F ? c1 - 0x71 : c1 - 0xB1;
  int row = 2 * rowBase + 1;
  int c = c2;
  if (c > 0x7F) c -= 1;
  int cell;
  if (c > 0x9E) {
    cell = c - 0x7D;
    row += 1;
  } else {
    cell = c - 0x1F;
  }
  row &= 0x7F;
  cell &= 0x7F;
  if (cell == 0x7F) {
    // A trail byte of 0x9F: the usual results come from this table.
    if (row == 0x21) return {0x22, 0x21};
    if (row == 0x23) return {0x24, 0x21};
    if (row == 0x25) return {0x23, 0x41};
    if (row == 0x27) return {0x21, 0x5D};
    if ((row >= 0x2F && row <= 0x73 && (row & 1)) || row == 0x79 || row == 0x7B)
      return {static_cast<unsigned char>(row + 1), 0x21};
  }
  return {static_cast<unsigned char>(row), static_cast<unsigned char>(cell)};
}

using KanaTable = std::array<JisPair, 63>;

// Full-width forms of the half-width katakana 0xA1..0xDF, as JIS pairs.
KanaTable MakeTable(const char* fullWidth) {
  KanaTable t{};
  for (size_t i = 0; i < t.size(); ++i)
    t[i] = SjisPairToJis(static_cast<unsigned char>(fullWidth[2 * i]),
                         static_cast<unsigned char>(fullWidth[2 * i + 1]));
  return t;
}

const char kPlain[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
const char kVoiced[] =
    "。「」、・ヲァィゥェォャュョッーアイヴエオガギグゲゴザジズゼゾダヂヅデドナニヌネノバビブベボマミムメモヤユヨラリルレロワン゛゜";
const char kSemiVoiced[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノパピプペポマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof kPlain == 127 && sizeof kVoiced == 127 && sizeof kSemiVoiced == 127,
              "63 two-byte characters each");

bool HasVoiced(unsigned char c) { return c == 0xB3 || (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE); }
bool HasSemiVoiced(unsigned char c) { return c >= 0xCA && c <= 0xCE; }

bool IsEsc(std::string_view s, size_t i, char a, char b) {
  return i + 2 < s.size() && s[i] == ESC && s[i + 1] == a && s[i + 2] == b;
}

}  // namespace

std::string SjisToJis(std::string_view in) {
  static const KanaTable plain = MakeTable(kPlain);
  static const KanaTable voiced = MakeTable(kVoiced);
  static const KanaTable semi = MakeTable(kSemiVoiced);
  std::string out;
  out.reserve(in.size() + in.size() / 4 + 8);
  bool kanji = false;
  auto enterKanji = [&] {
    if (!kanji) {
      out += "\x1B$B";
      kanji = true;
    }
  };
  auto put = [&](JisPair p) {
    out.push_back(static_cast<char>(p.row));
    out.push_back(static_cast<char>(p.cell));
  };
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (IsCp932LeadByte(c)) {
      if (i + 1 >= in.size()) break;  // a lead byte at the very end has no character
      enterKanji();
      put(SjisPairToJis(c, static_cast<unsigned char>(in[i + 1])));
      ++i;
    } else if (c >= 0xA1 && c <= 0xDF) {
      enterKanji();
      unsigned char next = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
      if (next == 0xDE && HasVoiced(c)) {
        put(voiced[c - 0xA1]);
        ++i;
      } else if (next == 0xDF && HasSemiVoiced(c)) {
        put(semi[c - 0xA1]);
        ++i;
      } else {
        put(plain[c - 0xA1]);
      }
    } else {
      if (kanji) {
        out += "\x1B(B";
        kanji = false;
      }
      out.push_back(static_cast<char>(c & 0x7F));
    }
  }
  if (kanji) out += "\x1B(B";
  return out;
}

void JisConverter::Convert(std::string_view input, std::string& out, bool last) {
  std::string joined;
  std::string_view in = input;
  if (held_ >= 0) {
    joined.reserve(input.size() + 1);
    joined.push_back(static_cast<char>(held_));
    joined.append(input);
    in = joined;
    held_ = -1;
  }
  out.reserve(out.size() + in.size());
  size_t i = 0;
  while (i < in.size()) {
    unsigned char b1 = static_cast<unsigned char>(in[i]);
    if (!kanji_) {
      if (IsEsc(in, i, '$', 'B') || IsEsc(in, i, '$', '@')) {
        kanji_ = true;
        kana_ = false;
        i += 3;
      } else if (IsEsc(in, i, '(', 'B') || IsEsc(in, i, '(', 'J')) {
        kana_ = false;
        i += 3;
      } else if (IsEsc(in, i, '(', 'I')) {
        kana_ = true;
        i += 3;
      } else if (kana_ && b1 >= 0x21 && b1 <= 0x5F) {
        out.push_back(static_cast<char>(b1 + 0x80));  // half-width katakana
        ++i;
      } else {
        out.push_back(static_cast<char>(b1));
        ++i;
      }
      continue;
    }
    // Kanji mode.
    if (IsEsc(in, i, '(', 'B') || IsEsc(in, i, '(', 'J') || IsEsc(in, i, '(', 'I')) {
      kanji_ = false;
      kana_ = in[i + 2] == 'I';
      i += 3;
      continue;
    }
    if (IsEsc(in, i, '$', 'B') || IsEsc(in, i, '$', '@')) {
      i += 3;
      continue;
    }
    unsigned char b2 = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
    if (b1 >= 0x21 && b1 <= 0x7E && b2 >= 0x21 && b2 <= 0x7E) {
      out.push_back(static_cast<char>(((b1 + 1) >> 1) + (b1 < 0x5F ? 0x70 : 0xB0)));
      if (b1 & 1)
        out.push_back(static_cast<char>(b2 > 0x5F ? b2 + 0x20 : b2 + 0x1F));
      else
        out.push_back(static_cast<char>(b2 + 0x7E));
      i += 2;
    } else if (b2 == 0x7F && (b1 == 0x21 || b1 == 0x23 || b1 == 0x25 || b1 == 0x27 ||
                              (b1 >= 0x2F && b1 <= 0x4D && (b1 & 1)))) {
      // The pairs SjisToJis leaves with cell 0x7F.
      out.push_back(static_cast<char>(((b1 + 1) >> 1) + 0x70));
      out.push_back(static_cast<char>(0x9F));
      i += 2;
    } else {
      if (b2 == '\r')
        held_ = b1;  // joined with the first byte of the next call
      else
        out.push_back(static_cast<char>(b1));
      ++i;
    }
  }
  if (last) {
    kanji_ = false;
    kana_ = false;
  }
}

}  // namespace fennel
