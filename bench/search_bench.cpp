// The search folder over 10,000 received messages of about 20 KB: a body
// search decodes every message file, a From search only reads the records.
// Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "message/base64.h"
#include "message/jis.h"
#include "store/list_info.h"
#include "store/sorting.h"

using namespace fennel;

namespace {

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Every fourth message is multipart with a small attachment; the rest are
// ISO-2022-JP text.
void WriteMessage(const std::string& path, int i) {
  std::ofstream f(path, std::ios::binary);
  f << "Message-ID: <" << i << "@bench.example.jp>\r\n"
    << "Date: Mon, 07 Dec 2026 09:00:00 +0900\r\n"
    << "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <sender" << i % 100 << "@example.jp>\r\n"
    << "To: hanako@example.jp\r\nSubject: report " << i << "\r\nMIME-Version: 1.0\r\n";
  const std::string line = SjisToJis("週次の報告書です。内容をご確認ください。進捗は順調です。") + "\r\n";
  const bool multipart = i % 4 == 0;
  if (multipart)
    f << "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";
  else
    f << "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";
  size_t body = multipart ? 12000 : 20000;
  for (size_t n = 0; n < body; n += line.size()) f << line;
  if (i % 1000 == 7) f << SjisToJis("特別な合言葉") << "\r\n";
  if (multipart) {
    f << "--b\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    std::string raw(57, 'x');
    std::string enc = Base64Encode(raw) + "\r\n";
    for (int k = 0; k < 100; ++k) f << enc;
    f << "--b--\r\n";
  }
}

}  // namespace

int main() {
  const std::string dir = (std::filesystem::temp_directory_path() / "fennel-search-bench").string();
  std::filesystem::create_directories(dir);
  const int count = 10000;
  CListInfo store;
  CFolderDetail* inbox = store.AddFolder(kInboxFolder);
  auto t0 = std::chrono::steady_clock::now();
  uintmax_t bytes = 0;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "RCV%05d.tmp", i);
    const std::string path = dir + "/" + name;
    WriteMessage(path, i);
    bytes += std::filesystem::file_size(path);
    inbox->AddMail(CMailDetail::FromFile(path));
  }
  std::printf("%d messages, %.1f KB average, records built from the files in %.0f ms\n", count,
              static_cast<double>(bytes) / count / 1024.0, Ms(t0));

  CFolderDetail* search = store.AddFolder(kSearchFolder);
  for (auto [condition, text, what] : {std::tuple{CFolderDetail::kByBody, "特別な合言葉", "body"},
                                       std::tuple{CFolderDetail::kByFrom, "sender42@", "From"}}) {
    search->sortCondition = condition;
    search->sortText = text;
    t0 = std::chrono::steady_clock::now();
    int examined = Search(store, *search);
    std::printf("%s search: %d examined, %zu found, %.0f ms\n", what, examined, search->mails.size(), Ms(t0));
  }
  // The peer: grep over the same files (the raw bytes; it decodes nothing).
  t0 = std::chrono::steady_clock::now();
  const std::string grep = "grep -r -F -l -e 'sender42@' '" + dir + "' > /dev/null";
  if (std::system(grep.c_str()) == -1) std::printf("grep did not run\n");
  std::printf("peer: grep -r -F over the same files %.0f ms\n", Ms(t0));
  std::filesystem::remove_all(dir);
  return 0;
}
