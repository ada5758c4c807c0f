// Receiving 1,000 new 10 KB messages from the project's Dovecot, leave on
// server, with fennel-cli as a whole program (start, logon, receive, filing,
// announcement, exit): into an empty store, again with every message known,
// and into a store that already holds 100,000 mails. Prints wall times;
// asserts nothing. Needs root (Dovecot), like the integration tests.
#include "bench/bench_support.h"
#include "config/id_file.h"
#include "config/record_file.h"
#include "config/user_info.h"
#include "platform/fs.h"

using namespace fennel;
using namespace fennel::bench;

namespace {

std::string Message(int i) {
  std::string m = "Message-ID: <bench" + std::to_string(i) + "@example.jp>\r\nFrom: sender" + std::to_string(i) +
                  "@example.jp\r\nTo: taro@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?= " +
                  std::to_string(i) + "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\nContent-Type: text/plain; "
                  "charset=ISO-2022-JP\r\n\r\n";
  while (m.size() < 10 * 1024) m += "This is a line of the body of a benchmark message, number " + std::to_string(i) + ".\r\n";
  return m;
}

// 100,000 mails in 50 folders, as a long-used store looks.
void AddBigStore(CUserInfo& u) {
  for (int f = 0; f < 50; ++f) {
    CFolderDetail* folder = u.store.AddFolder("フォルダ" + std::to_string(f), 0, 0, "");
    for (int i = f; i < 100000; i += 50) {
      auto m = std::make_unique<CMailDetail>();
      m->filePath = u.mailDir + "/RCV" + std::to_string(10000 + i % 90000) + ".tmp";
      m->from = "山田 太郎 <taro" + std::to_string(i) + "@example.jp>";
      m->subject = "【お知らせ】会議の日程について その" + std::to_string(i);
      m->messageId = "<" + std::to_string(i) + ".old@mail.example.jp>";
      m->date = 1700000000 + i;
      folder->AddMail(std::move(m));
    }
  }
}

}  // namespace

int main() {
  Servers servers;
  if (!servers.ok()) {
    std::printf("the project's servers did not start: run as root with ./scripts/deps done\n");
    return 1;
  }
  servers.Script("add-user " + servers.dir() + " bench pw-bench");
  const std::string box = servers.dir() + "/mail/bench/Maildir/new/";
  for (int i = 0; i < 1000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d.bench", i);
    std::ofstream(box + name, std::ios::binary) << Message(i);
    (void)!chown((box + name).c_str(), 65534, 65534);
  }
  const std::string home = "/tmp/fnb-recv-" + std::to_string(getpid());
  const std::map<std::string, std::string> env = {
      {"FENNEL_HOME", home}, {"FENNEL_PROFILE_DIR", home}, {"FENNEL_PASSWORD", "pw"}};
  auto cli = [&](const std::string& user, std::vector<std::string> args) {
    args.insert(args.begin(), {FENNEL_CLI_PATH, "--user", user});
    return RunChild(args, env);
  };
  std::printf("1,000 new messages of 10 KB, leave on server, fennel-cli receive from start to exit\n");
  for (const std::string user : {"taro", "hanako"}) {
    std::filesystem::create_directories(home + "/" + user);
    cli(user, {"create-user"});
    cli(user, {"set", "pop_server=127.0.0.1", "pop_port=" + std::to_string(servers.pop3), "account=bench",
               "mail_password=pw-bench", "leave_on_server=1", "mail_dir=" + home + "/" + user});
  }
  ChildRun first = cli("taro", {"receive"});
  std::printf("  into an empty store            %6.0f ms  (exit %d, peak %.1f MB)\n", first.seconds * 1000,
              first.exitCode, first.maxRssKb / 1024.0);
  ChildRun again = cli("taro", {"receive"});
  std::printf("  again: all 1,000 known         %6.0f ms  (exit %d)\n", again.seconds * 1000, again.exitCode);

  {
    const std::string id = home + "/hanako.id";
    CUserInfo u;
    if (LoadRecordFile(id, u, false) != RecordLoad::Ok) {
      std::printf("cannot load %s\n", id.c_str());
      return 1;
    }
    AddBigStore(u);
    IdFileState state;  // written as the program writes it, sum file and all
    SaveIdFile(id, u, state);
  }
  ChildRun big = cli("hanako", {"receive"});
  std::printf("  into a store of 100,000 mails  %6.0f ms  (exit %d, peak %.1f MB)\n", big.seconds * 1000, big.exitCode,
              big.maxRssKb / 1024.0);
  ChildRun idle = cli("hanako", {"folders"});
  std::printf("    (logon, load and exit alone with that store: %.0f ms)\n", idle.seconds * 1000);
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return 0;
}
