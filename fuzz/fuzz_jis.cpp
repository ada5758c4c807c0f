// Shift-JIS <-> ISO-2022-JP on arbitrary bytes.
//
// SjisToJis takes the whole input. JisConverter takes it in pieces whose
// sizes come from the first bytes, as lines of a message come in. And text
// made only of printable ASCII and two-byte characters of the JIS rows must
// come back unchanged from SjisToJis and JisConverter.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "message/jis.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_jis: %s\n", what);
    std::abort();
  }
}

// The input read as characters that survive the round trip: bytes below
// 0x80 become printable ASCII, other bytes pair up into two-byte characters
// (lead 0x81-0x9F or 0xE0-0xEF, trail 0x40-0xFC but 0x7F and 0x9F, which
// the fix-up table moves).
std::string RoundTripText(std::string_view in) {
  std::string s;
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      s.push_back(static_cast<char>(0x20 + b % 0x5F));
      continue;
    }
    if (i + 1 >= in.size()) break;
    unsigned char t = static_cast<unsigned char>(in[++i]);
    int lead = b % 47;  // 31 leads 0x81-0x9F, 16 leads 0xE0-0xEF
    lead = lead < 31 ? 0x81 + lead : 0xE0 + (lead - 31);
    int trail = 0x40 + t % 187;  // 0x40-0xFC is 189 values; two are left out
    if (trail >= 0x7F) ++trail;
    if (trail >= 0x9F) ++trail;
    s.push_back(static_cast<char>(lead));
    s.push_back(static_cast<char>(trail));
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The kana tables of jis.cpp are built from Japanese literals: they must
  // be CP932 in this build as in the GCC one. Half-width ka + voiced mark
  // is the full-width ga, JIS 0x252C.
  Check(fennel::SjisToJis("\xB6\xDE") == "\x1B$B\x25\x2C\x1B(B", "half-width kana table is not CP932");
  Check(fennel::SjisToJis("\xCA\xDF") == "\x1B$B\x25\x51\x1B(B", "semi-voiced kana table is not CP932");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  (void)fennel::SjisToJis(input);

  // Pieces of 1 to 64 bytes; the sizes and the "last" flags cycle through
  // the first four bytes.
  {
    fennel::JisConverter jis;
    std::string out;
    const size_t seeds = size < 4 ? size : 4;
    size_t pos = 0;
    for (size_t k = 0; pos < size; ++k) {
      unsigned char seed = seeds ? data[k % seeds] : 0;
      size_t n = 1 + seed % 64;
      if (n > size - pos) n = size - pos;
      // A fresh copy of each piece, so that ASan sees any read beyond it.
      const std::string piece(input, pos, n);
      jis.Convert(piece, out, (seed & 0x80) != 0);
      pos += n;
      if (out.size() > (1u << 20)) out.clear();
    }
    jis.Convert("", out, true);
  }

  {
    const std::string text = RoundTripText(input);
    fennel::JisConverter jis;
    Check(jis.Convert(fennel::SjisToJis(text), true) == text, "Shift-JIS text did not survive the round trip");
  }
  return 0;
}
