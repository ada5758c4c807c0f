// Base64 (RFC 2045): whole-buffer encoding and a streaming decoder whose
// pending group survives from one call to the next.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fennel {

// Standard base64 of the whole input, no line breaks, "=" padding.
std::string Base64Encode(std::string_view bytes);

class Base64Decoder {
 public:
  // Decodes in, appending at most outCapacity bytes to out[0..]. Characters
  // outside the alphabet are skipped; an incomplete group waits for the next
  // call. Returns the number of bytes written, or -1 when out is full.
  int Decode(const char* in, size_t inLength, char* out, size_t outCapacity);
  // Convenience: decodes in and appends to out without a size limit.
  void DecodeAppend(std::string_view in, std::string& out);
  void Reset() { count_ = 0; }

 private:
  // Bytes written, or -1 when out filled up before the input was done.
  ptrdiff_t DecodeInto(const unsigned char* in, size_t inLength, char* out, size_t outCapacity);

  unsigned char pending_[4] = {};  // alphabet values of the group so far
  int count_ = 0;
};

}  // namespace fennel
