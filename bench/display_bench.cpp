// The text view of a big received message: a 10 MB file holding a Japanese
// text part and a 9 MB attachment. Prints time and the memory the display
// needed beyond the program's own; asserts nothing.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_timing.h"
#include "message/base64.h"
#include "message/display.h"
#include "message/jis.h"

using namespace fennel;
using fennel::bench::MaxRssKb;

namespace {

void WriteMessage(const std::string& path) {
  std::ofstream f(path, std::ios::binary);
  f << "Message-ID: <big.1@example.jp>\r\nFrom: taro@example.jp\r\nSubject: big\r\n"
       "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"BIG-BOUNDARY\"\r\n\r\n"
       "--BIG-BOUNDARY\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";
  const std::string line = SjisToJis("大きな添付ファイルを送ります。よろしくお願いします。") + "\r\n";
  for (size_t written = 0; written < 300 * 1024; written += line.size()) f << line;
  f << "\r\n--BIG-BOUNDARY\r\nContent-Type: application/octet-stream; name=\"big.bin\"\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n";
  std::string raw(57, '\0');
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(i * 7 + 3);
  const std::string encoded = Base64Encode(raw) + "\r\n";  // 76 characters a line
  for (size_t written = 0; written < 9 * 1024 * 1024 + 400 * 1024; written += encoded.size()) f << encoded;
  f << "--BIG-BOUNDARY--\r\n";
}

}  // namespace

int main() {
  const std::string dir = (std::filesystem::temp_directory_path() / "fennel-display-bench").string();
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/RCVbigms.tmp";
  WriteMessage(path);
  double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);

  // Each run in a child of its own, so that its peak memory is its own.
  for (int run = 0; run < 3; ++run) {
    int fds[2];
    if (pipe(fds) != 0) return 1;
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      long before = MaxRssKb();
      auto t0 = std::chrono::steady_clock::now();
      std::string shown = TextViewOfFile(path, dir);
      double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      long after = MaxRssKb();
      char buf[200];
      int n = std::snprintf(buf, sizeof buf, "%.1f %ld %zu", ms, after - before, shown.size());
      if (write(fds[1], buf, static_cast<size_t>(n)) < 0) _exit(1);
      _exit(0);
    }
    close(fds[1]);
    char buf[200] = {};
    ssize_t got = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    if (got <= 0) return 1;
    double ms = 0;
    long kb = 0;
    size_t chars = 0;
    std::sscanf(buf, "%lf %ld %zu", &ms, &kb, &chars);
    std::printf("text view of a %.1f MB message: %.1f ms, %.1f MB of memory beyond the program's base, %zu bytes shown\n",
                mb, ms, static_cast<double>(kb) / 1024.0, chars);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
