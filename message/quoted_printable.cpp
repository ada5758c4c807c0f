#include "message/quoted_printable.h"

namespace fennel {
namespace {

// The hex value of a digit, or (for anything else) the character's own code.
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c;
}

// Where the soft break "=" of a line stands, or npos: the last character
// before the line end (and before trailing white space) is "=".
size_t SoftBreak(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && (s[end - 1] == '\n' || s[end - 1] == '\r')) --end;
  if (end == s.size()) return std::string_view::npos;  // no line end: the part's last bytes
  while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\t')) --end;
  return end > 0 && s[end - 1] == '=' ? end - 1 : std::string_view::npos;
}

}  // namespace

void DecodeQpBytes(std::string_view in, std::string& out, bool underscoreIsSpace) {
  out.reserve(out.size() + in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '_' && underscoreIsSpace) {
      out.push_back(' ');
      continue;
    }
    if (c != '=') {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (i + 1 >= in.size()) {
      out.push_back('=');
      continue;
    }
    unsigned char x = static_cast<unsigned char>(in[i + 1]);
    if (x == '=') {
      out.push_back('=');  // the second "=" is read again
      continue;
    }
    if (x == '\r') {
      out += "\r\n";
      return;
    }
    if (i + 2 >= in.size()) {
      out.push_back('=');
      continue;
    }
    unsigned char y = static_cast<unsigned char>(in[i + 2]);
    out.push_back(static_cast<char>((HexValue(x) * 16 + HexValue(y)) & 0xFF));
    i += 2;
  }
}

void QpDecoder::DecodeLine(std::string_view line, std::string& out) {
  carry_.append(line);
  size_t soft = SoftBreak(carry_);
  if (soft != std::string_view::npos) {
    carry_.resize(soft);  // joined with the next line
    return;
  }
  DecodeQpBytes(carry_, out);
  carry_.clear();
}

void QpDecoder::Flush(std::string& out) {
  DecodeQpBytes(carry_, out);
  carry_.clear();
}

}  // namespace fennel
