// Header fields read straight from a stored message file.
#pragma once

#include <string>
#include <vector>

namespace fennel {

// Variant one: the first line (lines split at LF) that begins with
// fieldName (compared without regard to case over its length), with the
// spaces and tabs after the name skipped, and every directly following line
// that begins with a space or a tab appended as read. Lines of up to 4,098
// bytes; an empty line before the field ends the search. Empty when no line
// matches. path is CP932.
std::string ReadHeaderField(const std::string& path, const std::string& fieldName);

// Variant two: the same, keeping the text right after the name, lines of up
// to 204,800 bytes, and not stopping at an empty line.
std::string ReadHeaderFieldLong(const std::string& path, const std::string& fieldName);

// Variant one for several fields at once, reading the file once: the value
// of each name (empty when missing), in the order of names.
std::vector<std::string> ReadHeaderFields(const std::string& path, const std::vector<std::string>& names);

}  // namespace fennel
