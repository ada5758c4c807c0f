#include "message/scramble_text.h"

#include <array>

#include "platform/text.h"

namespace fennel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Each alphabet character trades places with its neighbour (positions 2k and
// 2k+1), so the mapping is its own inverse; every other byte maps to itself.
constexpr std::array<unsigned char, 256> MakeSwap() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int i = 0; i < 64; ++i) {
    t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(kAlphabet[i ^ 1]);
  }
  return t;
}
constexpr std::array<unsigned char, 256> kSwap = MakeSwap();

// Two-byte characters pass whole: their second byte may be an ASCII letter
// ("ア" is 83 41) that must not turn into another character. Lead bytes are
// never alphabet characters, so the scrambled text splits into characters
// exactly as the plain one did and the swap stays its own inverse.
std::string Swap(std::string_view text) {
  std::string out(text);
  const size_t n = out.size();
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsCp932LeadByte(c)) {
      ++i;
      continue;
    }
    if (c == 0x1B) {  // an escape sequence (ESC $ B, ESC ( B) stays as it is
      i += 2;
      continue;
    }
    out[i] = static_cast<char>(kSwap[c]);
  }
  return out;
}

}  // namespace

std::string ScrambleText(std::string_view text) { return Swap(text); }
std::string UnscrambleText(std::string_view text) { return Swap(text); }

}  // namespace fennel
