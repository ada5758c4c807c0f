// Importing 10,000 .eml files of 20 KB on average (LF line ends, as other
// programs write them), then rebuilding a fresh index from the 10,000
// message files of the mail directory. Prints wall times; asserts nothing.
#include <unistd.h>

#include "bench/bench_support.h"
#include "config/mail_app.h"
#include "platform/fs.h"
#include "ui/mailbox/maintenance.h"

using namespace fennel;
using namespace fennel::bench;

namespace {

std::string Eml(int i) {
  std::string m = "From sender@example.jp Mon Dec  7 09:00:00 2026\nMessage-ID: <imp" + std::to_string(i) +
                  "@example.jp>\nFrom: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <s" + std::to_string(i) +
                  "@example.jp>\nTo: taro@example.jp\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?= " +
                  std::to_string(i) + "\nDate: Mon, 07 Dec 2026 09:00:00 +0900\nMIME-Version: 1.0\n"
                  "Content-Type: text/plain; charset=ISO-2022-JP\n\n";
  const size_t size = 10 * 1024 + static_cast<size_t>(i % 21) * 1024;  // 10-30 KB, 20 KB on average
  while (m.size() < size) m += "A line of the body of an imported message, number " + std::to_string(i) + ".\n";
  return m;
}

int Run(const std::string& home, const std::string& mailDir, int32_t (*what)(CMaintenance&), const char* label) {
  Profile profile(home + "/Fennel.ini");
  QuietPrompter prompter;
  CMailApp app({profile, prompter, home});
  app.user().userId = "taro";
  app.user().mailDir = mailDir;
  app.user().logonDir = home;
  NullMaintenanceHost host;
  NoFilePicker picker;
  CMaintenance m(app, picker, host);
  auto t0 = std::chrono::steady_clock::now();
  int count = what(m);
  std::printf("  %-40s %6.2f s  (%d filed)\n", label, Seconds(t0), count);
  return count;
}

std::string g_source;

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::string home = "/tmp/fnb-import-" + std::to_string(getpid());
  g_source = home + "/eml";
  std::filesystem::create_directories(g_source);
  std::filesystem::create_directories(home + "/mail");
  size_t bytes = 0;
  for (int i = 0; i < n; ++i) {
    std::string m = Eml(i);
    bytes += m.size();
    std::ofstream(g_source + "/" + std::to_string(100000 + i) + ".eml", std::ios::binary) << m;
  }
  std::printf("%d .eml files, %.1f KB on average\n", n, bytes / 1024.0 / n);
  Run(home, home + "/mail", [](CMaintenance& m) { return static_cast<int32_t>(m.ImportEml(g_source)); },
      "import-eml into an empty store");
  // A lost index: a fresh store over the same mail directory.
  std::filesystem::remove(home + "/taro.id");
  Run(home, home + "/mail", [](CMaintenance& m) { return static_cast<int32_t>(m.Rebuild(CMailDetail::kRead)); },
      "rebuild from the RCV files");
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return 0;
}
