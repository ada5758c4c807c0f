#pragma once

#include <string>

namespace fennel {

// A free name for a message file in directory: prefix ("RCV" received,
// "SND" written here) + five lower-case letters + ".tmp". The letters come
// from the C-runtime generator seeded with the clock; while the name is
// taken, more are drawn. Empty when no free name was found.
std::string MakeStoreFileName(const std::string& directory, const std::string& prefix);

}  // namespace fennel
