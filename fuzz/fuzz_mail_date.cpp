// ParseMailDate on arbitrary text: no crash, no overflow, no read past the
// text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "message/mail_date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that ASan sees any read beyond it.
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)fennel::ParseMailDate(text);
  return 0;
}
