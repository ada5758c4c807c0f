// The profile file "Fennel.ini": sections of key=value lines in CP932,
// read with a default and written key by key. Sections and keys match
// without regard to ASCII letter case. Every read looks at the file afresh,
// so a value written by another process is seen at once.
#pragma once

#include <string>

namespace fennel {

class Profile {
 public:
  explicit Profile(std::string path) : path_(std::move(path)) {}

  // "Fennel.ini" in $FENNEL_PROFILE_DIR, else in the XDG config directory.
  static std::string DefaultDirectory();
  static std::string DefaultPath();

  // The value, or def when the file, section or key is missing. Like a
  // buffer of bufferSize bytes, the result holds at most bufferSize - 1 bytes.
  std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                        size_t bufferSize = 1023) const;
  // Creates the file (and its directory) when needed. False when it cannot be written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace fennel
