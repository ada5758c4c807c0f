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
  auto r = Convert(cp932, "UTF-8", "CP932", kReplacementUtf8, [](const unsigned char* p, size_t left) -> size_t {
    return IsCp932LeadByte(p[0]) && left >= 2 ? 2 : 1;
  });
  return r ? *r : std::string(cp932);
}

std::string Utf8ToCp932(std::string_view utf8) {
  auto r = Convert(utf8, "CP932", "UTF-8", kReplacementCp932, [](const unsigned char* p, size_t left) -> size_t {
    size_t n = Utf8SequenceLength(p[0]);
    if (n > left) return 1;
    for (size_t i = 1; i < n; ++i)
      if ((p[i] & 0xC0) != 0x80) return 1;
    return n;
  });
  return r ? *r : std::string(utf8);
}

std::optional<std::string> ToCp932(std::string_view bytes, const std::string& charset) {
  return Convert(bytes, "CP932", charset.c_str(), kReplacementCp932,
                 [](const unsigned char*, size_t) -> size_t { return 1; });
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

}  // namespace fennel
