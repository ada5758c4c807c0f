// The "Date:" field of a message as a time value.
#pragma once

#include <cstdint>
#include <string_view>

namespace fennel {

// Seconds since 1970-01-01 UTC of the date text, with its zone applied, or
// -1 when the text cannot be read.
int64_t ParseMailDate(std::string_view text);

}  // namespace fennel
