// What the transfer benchmarks share: the project's real mail servers in a
// temporary run directory, and timing a child process (wall time and its
// peak memory).
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "platform/prompter.h"

namespace fennel::bench {

// Boxes answered OK; failures are printed, so a broken run is seen.
class QuietPrompter : public Prompter {
 public:
  using Prompter::Show;
  MbAnswer Show(const std::string& text, const std::string&, MbIcon icon, MbButtons) override {
    if (icon == MbIcon::Stop || icon == MbIcon::Exclamation) std::fprintf(stderr, "box: %s\n", text.c_str());
    return MbAnswer::Ok;
  }
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Dovecot (POP3) and the SMTP server of scripts/mailservers; stopped when
// this goes. Needs root, as the integration tests do.
class Servers {
 public:
  Servers() {
    char tmpl[] = "/tmp/fnb-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    dir_ = tmpl;
    chmod(dir_.c_str(), 0755);
    if (Script("start " + dir_) != 0) return;
    pop3 = std::atoi(ReadText(dir_ + "/pop3.port").c_str());
    smtp = std::atoi(ReadText(dir_ + "/smtp.port").c_str());
  }
  ~Servers() {
    if (dir_.empty()) return;
    Script("stop " + dir_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  bool ok() const { return pop3 > 0 && smtp > 0; }
  const std::string& dir() const { return dir_; }
  int Script(const std::string& args) const {
    return std::system((std::string(FENNEL_SOURCE_DIR) + "/scripts/mailservers " + args + " >/dev/null").c_str());
  }

  int pop3 = 0;
  int smtp = 0;

 private:
  std::string dir_;
};

struct ChildRun {
  int exitCode = -1;
  double seconds = 0;
  long maxRssKb = 0;
};

// Runs a program with extra environment variables; output to /dev/null.
inline ChildRun RunChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
  ChildRun r;
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    FILE* null = std::fopen("/dev/null", "w");
    if (null) {
      dup2(fileno(null), 1);
      dup2(fileno(null), 2);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  r.seconds = Seconds(t0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.maxRssKb = ru.ru_maxrss;
  return r;
}

}  // namespace fennel::bench
