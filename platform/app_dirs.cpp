#include "platform/app_dirs.h"

#include "platform/fs.h"
#include "platform/profile.h"

namespace fennel {

std::string AppDataDirectory() {
  std::string dir = GetEnvCp932("FENNEL_HOME");
  if (dir.empty()) {
    std::string data = GetEnvCp932("XDG_DATA_HOME");
    if (data.empty()) data = JoinPath(HomeDir(), ".local/share");
    dir = JoinPath(data, "Fennel");
  }
  dir = AbsolutePath(dir);
  MakeDirs(dir);
  return dir;
}

std::string ProfileDirectory() { return AbsolutePath(Profile::DefaultDirectory()); }

}  // namespace fennel
