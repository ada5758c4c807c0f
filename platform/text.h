// Text conversion at the edges of the program. Inside, all text is code page
// 932 (Shift-JIS) bytes; the file system, the terminal and Qt speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fennel {

// CP932 -> UTF-8. Bytes that are not CP932 become U+FFFD; never fails.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. Characters CP932 lacks (and broken UTF-8) become the
// geta mark; never fails.
std::string Utf8ToCp932(std::string_view utf8);

// Any charset iconv knows -> CP932, with the same replacement rule.
// nullopt when iconv does not know the charset.
std::optional<std::string> ToCp932(std::string_view bytes, const std::string& charset);

// True for the first byte of a two-byte CP932 character.
inline bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Compares two CP932 strings, folding ASCII letters only (never the second
// byte of a two-byte character).
bool EqualsNoCaseCp932(std::string_view a, std::string_view b);

// Every occurrence of from in s becomes to (the text is rebuilt once, so
// many occurrences cost no more than a few).
void ReplaceAll(std::string& s, const std::string& from, const std::string& to);

// Cuts s to at most max bytes without leaving half of a two-byte character.
std::string TruncateCp932(std::string_view s, size_t max);

// Removes leading and trailing white space as CP932 counts it (ASCII
// blanks and the full-width space; never the second byte of a character).
std::string TrimCp932Space(const std::string& text);

}  // namespace fennel
