#pragma once

#include <string>

namespace fennel {

// A new message file in directory: prefix ("RCV" received, "SND" written
// here) + five lower-case letters + ".tmp". The letters come from the
// C-runtime generator seeded with the clock; the file is created empty with
// exclusive creation, so the name is this caller's alone even when another
// process makes names in the same directory in the same second (a taken
// name makes it draw again). The caller writes or replaces the file.
// Empty when no file could be created (missing directory, full disk).
std::string MakeStoreFileName(const std::string& directory, const std::string& prefix);

}  // namespace fennel
