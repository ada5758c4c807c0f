#include "message/line_ends.h"

namespace fennel {

bool HasBareLf(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return true;
  return false;
}

std::string ToStoredForm(std::string_view bytes) {
  if (bytes.substr(0, 5) == "From ") {
    size_t lf = bytes.find('\n');
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
  }
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32);
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\n' && (i == 0 || bytes[i - 1] != '\r')) out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::string ToUnixLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace fennel
