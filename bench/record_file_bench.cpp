// Writes and reads the user's record file with a big store: the work of
// every logon and every exit. 100,000 mails in 50 folders with Japanese
// From and Subject. Prints figures; asserts nothing.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "config/record_file.h"
#include "config/user_info.h"

using namespace fennel;
using fennel::bench::MaxRssKb;
using fennel::bench::Seconds;

namespace {

void FillBigUser(CUserInfo& u, int mails, int folders) {
  u.userId = "taro";
  u.scrambledPassword = std::string(250, 'x');
  for (int f = 0; f < folders; ++f) {
    CFolderDetail* folder = u.store.AddFolder("フォルダ" + std::to_string(f), 1, 0, "example.jp,お知らせ");
    for (int i = f; i < mails; i += folders) {
      auto m = std::make_unique<CMailDetail>();
      m->filePath = "/home/taro/.local/share/Fennel/taro/RCV" + std::to_string(10000 + i % 90000) + ".tmp";
      m->from = "山田 太郎 <taro" + std::to_string(i) + "@example.jp>";
      m->subject = "【お知らせ】会議の日程について その" + std::to_string(i);
      m->to = "hanako@example.jp";
      m->messageId = "<" + std::to_string(i) + ".1234567890@mail.example.jp>";
      m->references = "<" + std::to_string(i - 1) + ".1234567890@mail.example.jp>";
      m->date = 1700000000 + i;
      m->state = i % 4 == 0 ? 3 : 0;
      folder->AddMail(std::move(m));
    }
  }
}

}  // namespace

// In a process of its own: load the file and report time and peak memory.
int LoadOnly(const std::string& path) {
  long base = MaxRssKb();
  auto t0 = std::chrono::steady_clock::now();
  CUserInfo back;
  if (LoadRecordFile(path, back, false) != RecordLoad::Ok) return 1;
  double load = Seconds(t0);
  double fileMb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  double peakMb = static_cast<double>(MaxRssKb() - base) / 1024.0;
  std::printf("  load (logon)   %4.0f ms, %.1f MB of memory (%.1fx the file)\n", load * 1000, peakMb, peakMb / fileMb);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load-only") return LoadOnly(argv[2]);
  const int mails = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string dir = (std::filesystem::temp_directory_path() / "fennel-bench").string();
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/taro.id";

  {
    CUserInfo u;
    FillBigUser(u, mails, 50);
    auto t0 = std::chrono::steady_clock::now();
    if (!SaveRecordFile(path, u)) {
      std::fprintf(stderr, "save failed\n");
      return 1;
    }
    double save = Seconds(t0);
    double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    std::printf("record file: %d mails in 50 folders, %.1f MB\n", mails, mb);
    std::printf("  save (exit)    %4.0f ms  (fsync included)\n", save * 1000);
  }

  std::fflush(stdout);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  if (std::system(("'" + self + "' --load-only '" + path + "'").c_str()) != 0) {
    std::fprintf(stderr, "load failed\n");
    return 1;
  }

  CUserInfo back;
  LoadRecordFile(path, back, false);
  auto t0 = std::chrono::steady_clock::now();
  back.store.FindMailById("<0.1234567890@mail.example.jp>");
  double build = Seconds(t0);
  std::vector<std::string> ids;
  for (int i = 0; i < mails; ++i) ids.push_back("<" + std::to_string((i * 7919) % mails) + ".1234567890@mail.example.jp>");
  t0 = std::chrono::steady_clock::now();
  int found = 0;
  for (const std::string& id : ids)
    if (back.store.FindMailById(id)) ++found;
  double lookups = Seconds(t0);
  std::printf("  Message-ID index built in %.0f ms; %d lookups %.0f ms, %.2f us each\n", build * 1000, found,
              lookups * 1000, lookups * 1e6 / mails);
  std::filesystem::remove_all(dir);
  return 0;
}
