// A temporary directory for one test, removed afterwards.
#pragma once

#include <string>

namespace fennel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points FENNEL_HOME and FENNEL_PROFILE_DIR at fresh directories for the
// lifetime of the object, and restores them afterwards.
class TempEnvironment {
 public:
  TempEnvironment();
  ~TempEnvironment();
  const std::string& home() const { return home_; }
  const std::string& profileDir() const { return profile_; }

 private:
  TempDir root_;
  std::string home_;
  std::string profile_;
  std::string oldHome_, oldProfile_;
  bool hadHome_, hadProfile_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace fennel::test
