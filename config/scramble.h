#pragma once

#include <string>

namespace fennel {

// The stored form of a logon password: 250 bytes, the same for the same
// text every time. Only the bytes that land on multiples of 250 / n take
// part; the rest is filler from a generator seeded with a fixed value.
std::string ScramblePassword(const std::string& text);

}  // namespace fennel
