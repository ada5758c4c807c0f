// An advisory lock on a file, held until Release() or the end of the
// process (a crash or a kill frees it at once). Guards one user's store
// against a second process, whichever profile directory that one uses.
#pragma once

#include <string>

namespace fennel {

class FileLock {
 public:
  enum class Result { Locked, Busy, Failed };

  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Creates the file when missing and takes the lock without waiting; Busy
  // when another process holds it. Taking a lock already held here (the
  // same path) succeeds.
  Result Acquire(const std::string& path);
  void Release();
  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace fennel
