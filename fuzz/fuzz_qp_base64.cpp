// Quoted-printable and base64 decoding of arbitrary bytes.
//
// QpDecoder takes the input line by line, DecodeQpBytes whole (both ways of
// reading "_"). Base64Decoder::Decode writes into a heap buffer of exactly
// the capacity it is given (0 to 7 bytes, from the first byte), so ASan sees
// any byte written past it; DecodeAppend takes the input in slices. And
// whatever the input, decoding Base64Encode(input) gives the input back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "message/base64.h"
#include "message/quoted_printable.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_qp_base64: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const unsigned char first = size ? data[0] : 0;

  {
    fennel::QpDecoder qp;
    std::string out;
    size_t pos = 0;
    while (pos < input.size()) {
      size_t lf = input.find('\n', pos);
      size_t stop = lf == std::string::npos ? input.size() : lf + 1;
      const std::string line(input, pos, stop - pos);
      qp.DecodeLine(line, out);
      pos = stop;
    }
    qp.Flush(out);
    std::string whole;
    fennel::DecodeQpBytes(input, whole, false);
    whole.clear();
    fennel::DecodeQpBytes(input, whole, true);
  }

  {
    const size_t capacity = first % 8;
    const size_t slice = 1 + (first >> 3) % 16;
    std::unique_ptr<char[]> out(new char[capacity]);
    fennel::Base64Decoder d;
    for (size_t pos = 0; pos < input.size(); pos += slice) {
      const std::string piece(input, pos, slice);
      int n = d.Decode(piece.data(), piece.size(), out.get(), capacity);
      Check(n == -1 || (n >= 0 && static_cast<size_t>(n) <= capacity), "Decode result out of range");
    }
  }

  {
    const size_t slice = 1 + first % 32;
    fennel::Base64Decoder d;
    std::string out;
    for (size_t pos = 0; pos < input.size(); pos += slice) d.DecodeAppend(std::string(input, pos, slice), out);
    Check(out.size() <= input.size(), "DecodeAppend made more bytes than it read");
  }

  {
    const std::string text = fennel::Base64Encode(input);
    Check(text.size() == (size + 2) / 3 * 4, "encoded length");
    // Whole, into a buffer of exactly the decoded size.
    fennel::Base64Decoder d;
    std::unique_ptr<char[]> buf(new char[size]);
    int n = d.Decode(text.data(), text.size(), buf.get(), size);
    Check(n >= 0 && static_cast<size_t>(n) == size && std::string_view(buf.get(), size) == input,
          "Decode(Base64Encode(x)) != x");
    // In slices, through DecodeAppend.
    const size_t slice = 1 + first % 13;
    fennel::Base64Decoder a;
    std::string back;
    for (size_t pos = 0; pos < text.size(); pos += slice) a.DecodeAppend(std::string(text, pos, slice), back);
    Check(back == input, "DecodeAppend(Base64Encode(x)) != x");
  }
  return 0;
}
