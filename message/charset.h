// The charsets of received text and how each is turned into Shift-JIS.
#pragma once

#include <string>
#include <string_view>

#include "message/jis.h"

namespace fennel {

// The names the program has always accepted for body text.
bool IsKnownCharset(std::string_view name);

inline constexpr const char* kUnknownCharsetNotice =
    "This message body part uses an unknown or unsupported character set.  It may notdisplay correctly.";

enum class CharsetKind {
  Jis,        // ISO-2022-JP and what needs no conversion (Shift-JIS, ASCII)
  Converted,  // converted by the system's converters (UTF-8, EUC-JP, ...)
  Unknown,    // nobody knows it: the bytes pass as they are
};

CharsetKind ClassifyCharset(std::string_view name);

// Turns decoded text bytes of a charset into Shift-JIS, line by line: a
// multi-byte character is never cut, because only whole lines are converted.
class TextDecoder {
 public:
  TextDecoder(std::string charset, JisConverter& jis);
  // Appends bytes; complete lines are converted and appended to out.
  void Feed(std::string_view bytes, std::string& out);
  // The rest, at the end of the part.
  void Finish(std::string& out);
  // One whole line, converted at once.
  void ConvertLine(std::string_view line, std::string& out);
  CharsetKind kind() const { return kind_; }

 private:
  std::string charset_;
  CharsetKind kind_;
  JisConverter& jis_;
  std::string pending_;
};

}  // namespace fennel
