// The body scrambling offered as "本文を暗号化する": each base64 alphabet
// character swaps with its neighbour (A<->B, a<->b, 0<->1, +<->/...).
#pragma once

#include <string>
#include <string_view>

namespace fennel {

std::string ScrambleText(std::string_view text);
std::string UnscrambleText(std::string_view text);

}  // namespace fennel
