// Makes sure one instance of the program runs per profile. The first
// instance holds a lock on a file next to the profile and, once its main
// window exists, writes its process id there and listens on a local socket.
// A second start finds the lock taken, posts WM_OPEN_PARAMETER to the first
// and ends. The lock goes with the process, so a crash never leaves a guard
// that blocks the next start.
#pragma once

#include <string>

namespace fennel {

class SingleInstanceGuard {
 public:
  enum class Result { Owner, AlreadyRunning, Failed };

  SingleInstanceGuard() = default;
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

  // Takes the guard kept in directory dir.
  Result Acquire(const std::string& dir);
  // Owner: publishes this process as the one to tell; returns the socket on
  // which messages arrive (watch it for reading), or -1.
  int Publish();
  // Owner: reads the messages waiting on the socket; returns how many were
  // WM_OPEN_PARAMETER.
  int TakeOpenParameterMessages();
  // Second instance: posts WM_OPEN_PARAMETER to the owner. False when the
  // owner has no window yet or cannot be reached.
  bool PostOpenParameter() const;
  void Release();
  bool owner() const { return lockFd_ >= 0; }

 private:
  std::string lockPath_;
  int lockFd_ = -1;
  int sockFd_ = -1;
};

}  // namespace fennel
