// Quoted-printable (RFC 2045) body lines, one line at a time. A line that
// ends in a soft break ("=" before the line end) waits in the carry and is
// joined with the next one.
#pragma once

#include <string>
#include <string_view>

namespace fennel {

// Decodes one quoted-printable run: "=XY" gives the byte XY, "==" gives "="
// (the second "=" starts the next sequence), "=" CR gives CR LF and ends the
// text; other characters are copied. With underscoreIsSpace (the Q encoding
// of header words) "_" stands for a space.
void DecodeQpBytes(std::string_view in, std::string& out, bool underscoreIsSpace = false);

class QpDecoder {
 public:
  // One body line (with its line end). Appends the decoded bytes of the
  // joined line to out, or nothing while a soft break waits for more.
  void DecodeLine(std::string_view line, std::string& out);
  // The end of the part: what still waits in the carry.
  void Flush(std::string& out);

 private:
  std::string carry_;
};

}  // namespace fennel
