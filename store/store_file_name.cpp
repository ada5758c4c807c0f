#include "store/store_file_name.h"

#include <sys/stat.h>

#include "platform/clock.h"
#include "platform/crand.h"
#include "platform/fs.h"

namespace fennel {
namespace {

// Any entry of that name, a directory or a link as well as a file, takes it.
bool NameTaken(const std::string& path) {
  struct stat st;
  return lstat(ToFsPath(path).c_str(), &st) == 0;
}

}  // namespace

std::string MakeStoreFileName(const std::string& directory, const std::string& prefix) {
  // Seeded from the clock when the clock has moved since the last name;
  // within one second the sequence simply goes on, so names made in a burst
  // differ without waiting for the clock.
  static int64_t lastSeed = -1;
  const int64_t now = CurrentClock().Now();
  if (now != lastSeed) {
    CrtSrand(static_cast<uint32_t>(now));
    lastSeed = now;
  }
  for (int attempt = 0; attempt < 100000; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 5; ++i) name.push_back(static_cast<char>('a' + CrtRand() % 26));
    name += ".tmp";
    if (!NameTaken(JoinPath(directory, name))) return name;
  }
  return {};
}

}  // namespace fennel
