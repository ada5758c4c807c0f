#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"

namespace fennel {

FileLock::Result FileLock::Acquire(const std::string& path) {
  if (fd_ >= 0 && path == path_) return Result::Locked;
  Release();
  int fd = open(ToFsPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? Result::Busy : Result::Failed;
  }
  fd_ = fd;
  path_ = path;
  return Result::Locked;
}

void FileLock::Release() {
  if (fd_ < 0) return;
  flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
  path_.clear();
}

}  // namespace fennel
