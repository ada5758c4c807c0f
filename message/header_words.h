// Encoded words (RFC 2047) in header fields, in attachment names and in
// body lines.
#pragma once

#include <string>
#include <string_view>

#include "message/jis.h"

namespace fennel {

// Decodes every encoded word "=?charset?B|Q?text?=" whose charset is known
// (ISO-2022-JP through jis, Shift-JIS as it is, any other through the
// system's converters) into Shift-JIS. White space that stands only between
// two encoded words is dropped; the plain text around them goes through jis,
// so raw ISO-2022-JP is converted as well. The result is bounded to
// 204,800 bytes, one decoded word to 20,480.
std::string DecodeHeaderWords(std::string_view text, JisConverter& jis);

// A Shift-JIS header value as 7-bit text: its Japanese runs become
// "=?ISO-2022-JP?B?...?= " words.
std::string EncodeHeaderWords(std::string_view text);

// The value of an RFC 2231 parameter (charset'language'%XX...) in Shift-JIS.
std::string DecodeRfc2231Value(std::string_view value, JisConverter& jis);

// True when the line holds the start of a B word whose "?=" is not on it
// (a word broken over two lines).
bool HasOpenBWord(std::string_view line);
// The first such word whose "=?" is at or after from: where it starts and
// where its text begins. False when there is none.
bool FindOpenBWord(std::string_view line, size_t from, size_t& start, size_t& textStart);

}  // namespace fennel
