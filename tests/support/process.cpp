#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace fennel::test {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                         const std::map<std::string, std::string>& env, int timeoutMs) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) || pipe(outPipe) || pipe(errPipe)) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!input.empty() && write(inPipe[1], input.data(), input.size()) < 0) {
    // The program did not read its input; its exit code tells the rest.
  }
  close(inPipe[1]);

  ProcessResult r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool outOpen = true, errOpen = true;
  bool exited = false;
  int status = 0;
  // Reads until the program has ended and its output is drained (a daemon it
  // started may keep the pipes open: it is not waited for).
  while (outOpen || errOpen) {
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) break;
    pollfd fds[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0}, {errOpen ? errPipe[0] : -1, POLLIN, 0}};
    int ready = poll(fds, 2, exited ? 0 : std::min(left, 50));
    if (ready <= 0) {
      if (exited) break;
      continue;
    }
    char buf[4096];
    for (int i = 0; i < 2; ++i) {
      if (!fds[i].revents) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        (i == 0 ? outOpen : errOpen) = false;
      } else {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      }
    }
  }
  if (!exited) {
    // Its output ended: it is ending too (bounded); at the time limit it is killed.
    const bool timedOut = outOpen || errOpen;
    for (int i = 0; i < 200 && !timedOut && !exited; ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid) exited = true;
      else usleep(10000);
    }
    if (!exited) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      status = -1;
    }
  }
  r.exitCode = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  close(outPipe[0]);
  close(errPipe[0]);
  return r;
}

}  // namespace fennel::test
