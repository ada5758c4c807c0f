#include "message/base64.h"

#include <array>
#include <cstdint>

namespace fennel {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Character classes in kValue: 0..63 alphabet value, kPad for "=", kSkip for
// everything else (line ends, spaces, junk).
constexpr unsigned char kPad = 0x40;
constexpr unsigned char kSkip = 0x80;

constexpr std::array<unsigned char, 256> MakeValues() {
  std::array<unsigned char, 256> t{};
  for (auto& v : t) v = kSkip;
  for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
  t['='] = kPad;
  return t;
}
constexpr std::array<unsigned char, 256> kValue = MakeValues();

// The fast path looks up four characters at once: table k holds the value
// already shifted into place for position k of a group, and any character
// that is not a plain alphabet character (pad included) sets kNotPlain, so
// one test on the combined word tells whether the group can go straight out.
constexpr uint32_t kNotPlain = 0x01000000;

constexpr std::array<uint32_t, 256> MakeShifted(int shift) {
  std::array<uint32_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    unsigned char v = kValue[c];
    t[c] = v < 64 ? static_cast<uint32_t>(v) << shift : kNotPlain;
  }
  return t;
}
constexpr std::array<uint32_t, 256> kAt0 = MakeShifted(18);
constexpr std::array<uint32_t, 256> kAt1 = MakeShifted(12);
constexpr std::array<uint32_t, 256> kAt2 = MakeShifted(6);
constexpr std::array<uint32_t, 256> kAt3 = MakeShifted(0);

// Two output characters for every 12-bit value: a group of three bytes is
// two lookups.
constexpr std::array<uint16_t, 4096> MakePairs() {
  std::array<uint16_t, 4096> t{};
  for (int i = 0; i < 4096; ++i) {
    // Stored so that copying the two bytes in memory order gives high, low.
    unsigned char hi = static_cast<unsigned char>(kAlphabet[i >> 6]);
    unsigned char lo = static_cast<unsigned char>(kAlphabet[i & 63]);
    t[i] = static_cast<uint16_t>(hi | (lo << 8));
  }
  return t;
}
constexpr std::array<uint16_t, 4096> kPairs = MakePairs();

inline void PutPair(char* out, uint32_t twelveBits) {
  uint16_t pair = kPairs[twelveBits];
  out[0] = static_cast<char>(pair & 0xFF);
  out[1] = static_cast<char>(pair >> 8);
}

inline uint32_t Combine(const unsigned char* p) {
  return kAt0[p[0]] | kAt1[p[1]] | kAt2[p[2]] | kAt3[p[3]];
}

inline void PutThree(char* out, uint32_t v) {
  out[0] = static_cast<char>(v >> 16);
  out[1] = static_cast<char>(v >> 8);
  out[2] = static_cast<char>(v);
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  std::string out;
  out.resize((n + 2) / 3 * 4);
  char* o = out.data();
  size_t i = 0;
  for (; i + 3 <= n; i += 3, o += 4) {
    uint32_t v = (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8) | p[i + 2];
    PutPair(o, v >> 12);
    PutPair(o + 2, v & 0xFFF);
  }
  if (n - i == 1) {
    uint32_t v = uint32_t{p[i]} << 16;
    PutPair(o, v >> 12);
    o[2] = '=';
    o[3] = '=';
  } else if (n - i == 2) {
    uint32_t v = (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8);
    PutPair(o, v >> 12);
    o[2] = kAlphabet[(v >> 6) & 63];
    o[3] = '=';
  }
  return out;
}

ptrdiff_t Base64Decoder::DecodeInto(const unsigned char* p, size_t inLength, char* out,
                                    size_t outCapacity) {
  const unsigned char* const end = p + inLength;
  size_t written = 0;
  for (;;) {
    if (count_ == 0) {
      // Common path: runs of whole groups with no pad and no skipped byte.
      while (end - p >= 8 && outCapacity - written >= 6) {
        uint32_t v = Combine(p);
        uint32_t w = Combine(p + 4);
        if ((v | w) & kNotPlain) break;
        PutThree(out + written, v);
        PutThree(out + written + 3, w);
        written += 6;
        p += 8;
      }
      while (end - p >= 4 && outCapacity - written >= 3) {
        uint32_t v = Combine(p);
        if (v & kNotPlain) break;
        PutThree(out + written, v);
        written += 3;
        p += 4;
      }
    }
    // One character at a time: skipped bytes, pads, groups that straddle
    // calls, and the last bytes before a full output.
    if (p == end) break;
    unsigned char v = kValue[*p++];
    if (v == kSkip) continue;
    pending_[count_++] = v;
    if (count_ < 4) continue;
    count_ = 0;
    const unsigned a = pending_[0] & 63, b = pending_[1] & 63;
    const unsigned c = pending_[2] & 63, d = pending_[3] & 63;
    if (written == outCapacity) return -1;
    out[written++] = static_cast<char>((a << 2) | (b >> 4));
    if (pending_[2] == kPad) break;  // "xx==": the group, and this call, end here
    if (written == outCapacity) return -1;
    out[written++] = static_cast<char>((b << 4) | (c >> 2));
    if (pending_[3] == kPad) break;  // "xxx="
    if (written == outCapacity) return -1;
    out[written++] = static_cast<char>((c << 6) | d);
  }
  return static_cast<ptrdiff_t>(written);
}

int Base64Decoder::Decode(const char* in, size_t inLength, char* out, size_t outCapacity) {
  return static_cast<int>(
      DecodeInto(reinterpret_cast<const unsigned char*>(in), inLength, out, outCapacity));
}

void Base64Decoder::DecodeAppend(std::string_view in, std::string& out) {
  // Every complete group gives at most three bytes, so this room is never
  // exceeded and DecodeInto cannot report a full output.
  const size_t old = out.size();
  const size_t room = (static_cast<size_t>(count_) + in.size()) / 4 * 3;
  out.resize(old + room);
  ptrdiff_t n = DecodeInto(reinterpret_cast<const unsigned char*>(in.data()), in.size(),
                           out.data() + old, room);
  out.resize(old + static_cast<size_t>(n < 0 ? 0 : n));
}

}  // namespace fennel
