#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fennel::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "fennel-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

TempEnvironment::TempEnvironment() {
  home_ = root_ / "home";
  profile_ = root_ / "profile";
  std::filesystem::create_directories(home_);
  std::filesystem::create_directories(profile_);
  const char* h = std::getenv("FENNEL_HOME");
  const char* p = std::getenv("FENNEL_PROFILE_DIR");
  hadHome_ = h != nullptr;
  hadProfile_ = p != nullptr;
  if (h) oldHome_ = h;
  if (p) oldProfile_ = p;
  setenv("FENNEL_HOME", home_.c_str(), 1);
  setenv("FENNEL_PROFILE_DIR", profile_.c_str(), 1);
}

TempEnvironment::~TempEnvironment() {
  if (hadHome_) setenv("FENNEL_HOME", oldHome_.c_str(), 1); else unsetenv("FENNEL_HOME");
  if (hadProfile_) setenv("FENNEL_PROFILE_DIR", oldProfile_.c_str(), 1); else unsetenv("FENNEL_PROFILE_DIR");
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

}  // namespace fennel::test
