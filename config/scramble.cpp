#include "config/scramble.h"

#include "platform/crand.h"

namespace fennel {

std::string ScramblePassword(const std::string& text) {
  constexpr size_t kLength = 250;
  CRand rng(7391);
  // An empty password scrambles like a one-byte one; a password longer than
  // the record has room for keeps its first 249 bytes.
  size_t n = text.empty() ? 1 : text.size();
  size_t k = std::max<size_t>(1, kLength / n);
  std::string out(kLength, '\0');
  size_t next = 0;
  for (size_t i = kLength - 1; i >= 1; --i) {
    if (i % k == 0) {
      // Where the text is shorter than the walk needs, a missing byte counts as 0.
      unsigned char c = next < text.size() ? static_cast<unsigned char>(text[next]) : 0;
      ++next;
      out[i] = static_cast<char>(static_cast<unsigned char>(c << 2));
    } else {
      out[i] = static_cast<char>(32 + rng.Next() % 94);
    }
  }
  out[0] = 'x';
  return out;
}

}  // namespace fennel
