// A received message file of arbitrary bytes through the MIME parser and
// every leaf decoder: the text view (HTML left out) and the HTML page (HTML
// kept), attachments saved on the way.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "message_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::MessageFile::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MessageFile::Write(std::string_view(reinterpret_cast<const char*>(data), size));
  fuzz::MessageFile::DecodeBothViews();
  return 0;
}
