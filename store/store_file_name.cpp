#include "store/store_file_name.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/crand.h"
#include "platform/fs.h"

namespace fennel {
namespace {

enum class Claim { Made, Taken, Failed };

// Creates the file; any entry of that name, a directory or a link as well
// as a file, takes it.
Claim ClaimName(const std::string& path) {
  int fd = open(ToFsPath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) {
    close(fd);
    return Claim::Made;
  }
  return errno == EEXIST ? Claim::Taken : Claim::Failed;
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
    switch (ClaimName(JoinPath(directory, name))) {
      case Claim::Made: return name;
      case Claim::Taken: continue;
      case Claim::Failed: return {};
    }
  }
  return {};
}

}  // namespace fennel
