#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/fs.h"
#include "platform/messages.h"

namespace fennel {
namespace {

constexpr const char* kGuardName = "Fennel04_FileMapping";

// An abstract socket name (no file to leave behind), one per process.
socklen_t AddressOf(long pid, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  std::string name = std::string(kGuardName) + "." + std::to_string(pid);
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

long ReadPid(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) return 0;
  return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace

SingleInstanceGuard::~SingleInstanceGuard() { Release(); }

SingleInstanceGuard::Result SingleInstanceGuard::Acquire(const std::string& dir) {
  Release();
  if (!MakeDirs(dir)) return Result::Failed;
  lockPath_ = JoinPath(dir, std::string(kGuardName) + ".lock");
  int fd = open(ToFsPath(lockPath_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    close(fd);
    return err == EWOULDBLOCK ? Result::AlreadyRunning : Result::Failed;
  }
  // The window handle is 0 until the main window exists.
  if (ftruncate(fd, 0) != 0) {
    close(fd);
    return Result::Failed;
  }
  lockFd_ = fd;
  return Result::Owner;
}

int SingleInstanceGuard::Publish() {
  if (lockFd_ < 0) return -1;
  if (sockFd_ < 0) {
    sockFd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (sockFd_ < 0) return -1;
    sockaddr_un addr;
    socklen_t len = AddressOf(getpid(), addr);
    if (bind(sockFd_, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
      close(sockFd_);
      sockFd_ = -1;
      return -1;
    }
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(lockFd_, 0) != 0 || pwrite(lockFd_, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()))
    return -1;
  return sockFd_;
}

int SingleInstanceGuard::TakeOpenParameterMessages() {
  int count = 0;
  if (sockFd_ < 0) return 0;
  for (int i = 0; i < 64; ++i) {
    uint32_t msg = 0;
    ssize_t n = recv(sockFd_, &msg, sizeof msg, 0);
    if (n < 0) break;
    if (n == sizeof msg && msg == WM_OPEN_PARAMETER) ++count;
  }
  return count;
}

bool SingleInstanceGuard::PostOpenParameter() const {
  long pid = ReadPid(lockPath_);
  if (pid <= 0) return false;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr;
  socklen_t len = AddressOf(pid, addr);
  uint32_t msg = WM_OPEN_PARAMETER;
  bool ok = sendto(fd, &msg, sizeof msg, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), len) == sizeof msg;
  close(fd);
  return ok;
}

void SingleInstanceGuard::Release() {
  if (sockFd_ >= 0) close(sockFd_);
  sockFd_ = -1;
  if (lockFd_ >= 0) {
    if (ftruncate(lockFd_, 0) != 0) {
      // Nothing to do: the lock below goes away all the same.
    }
    close(lockFd_);
  }
  lockFd_ = -1;
}

}  // namespace fennel
