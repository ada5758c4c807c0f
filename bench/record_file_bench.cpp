// Writes and reads the user's record file with a big store: the work of
// every logon and every exit. Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/record_file.h"
#include "config/user_info.h"

using namespace fennel;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void FillBigUser(CUserInfo& u, int mails, int folders) {
  u.userId = "taro";
  u.scrambledPassword = std::string(250, 'x');
  for (int f = 0; f < folders; ++f) {
    auto folder = std::make_unique<CFolderDetail>();
    folder->name = "フォルダ" + std::to_string(f);
    folder->sortText = "example.jp,お知らせ";
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
      folder->mails.push_back(std::move(m));
    }
    u.store.folders.push_back(std::move(folder));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int mails = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string dir = (std::filesystem::temp_directory_path() / "fennel-bench").string();
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/taro.id";

  auto t0 = std::chrono::steady_clock::now();
  CUserInfo u;
  FillBigUser(u, mails, 20);
  double build = Seconds(t0);

  t0 = std::chrono::steady_clock::now();
  if (!SaveRecordFile(path, u)) {
    std::fprintf(stderr, "save failed\n");
    return 1;
  }
  double save = Seconds(t0);
  double mb = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);

  t0 = std::chrono::steady_clock::now();
  CUserInfo back;
  if (LoadRecordFile(path, back, false) != RecordLoad::Ok) {
    std::fprintf(stderr, "load failed\n");
    return 1;
  }
  double load = Seconds(t0);

  std::printf("record file: %d mails in 20 folders, %.1f MB\n", mails, mb);
  std::printf("  build in memory  %.3f s\n", build);
  std::printf("  save (exit)      %.3f s  (%.0f MB/s, fsync included)\n", save, mb / save);
  std::printf("  load (logon)     %.3f s  (%.0f MB/s)\n", load, mb / load);
  std::filesystem::remove_all(dir);
  return 0;
}
