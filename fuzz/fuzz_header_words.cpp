// Header words on arbitrary bytes: decoding, encoding, and decoding what
// was encoded; RFC 2231 values; the broken-word test of body lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "message/header_words.h"
#include "message/jis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  fennel::JisConverter jis;
  (void)fennel::DecodeHeaderWords(input, jis);
  jis.Reset();

  const std::string encoded = fennel::EncodeHeaderWords(input);
  fennel::JisConverter back;
  (void)fennel::DecodeHeaderWords(encoded, back);

  fennel::JisConverter rfc2231;
  (void)fennel::DecodeRfc2231Value(input, rfc2231);

  (void)fennel::HasOpenBWord(input);
  return 0;
}
