// Sending a mail with a 20 MB attachment: composing alone, the whole send
// (store, copy, compose, SMTP) to a fast in-process sink and to the
// project's SMTP server, and fennel-cli send as a whole program. Prints
// wall times and memory beyond the base; asserts nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <list>
#include <thread>

#include "bench/bench_support.h"
#include "config/mail_app.h"
#include "message/composer.h"
#include "platform/event_loop.h"
#include "platform/fs.h"
#include "transport/send_driver.h"
#include "ui/editor/mail_editor.h"

using namespace fennel;
using namespace fennel::bench;

namespace {

class NoStoredMail : public SendHost {
 public:
  Window* OpenStoredMail(const std::string&) override { return nullptr; }
};

class Host : public EditorHost {
 public:
  void CloseEditor() override {}
  void RefreshMailboxes() override {}
};

// An SMTP server that answers at once and throws the text away: what is
// left of the time is this program's.
class SinkServer {
 public:
  SinkServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SinkServer() {
    thread_.join();
    close(listener_);
  }
  int port = 0;
  size_t bytes = 0;

 private:
  void Serve() {
    int c = accept(listener_, nullptr, nullptr);
    auto say = [c](const char* s) { (void)!write(c, s, std::strlen(s)); };
    say("220 sink\r\n");
    std::string pending;
    bool data = false;
    char buf[1 << 16];
    for (;;) {
      ssize_t n = read(c, buf, sizeof buf);
      if (n <= 0) break;
      bytes += static_cast<size_t>(n);
      pending.append(buf, static_cast<size_t>(n));
      for (;;) {
        if (data) {
          size_t end = pending.find("\r\n.\r\n");
          if (end == std::string::npos) {
            if (pending.size() > 4) pending.erase(0, pending.size() - 4);
            break;
          }
          pending.erase(0, end + 5);
          data = false;
          say("250 taken\r\n");
          continue;
        }
        size_t eol = pending.find("\r\n");
        if (eol == std::string::npos) break;
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 2);
        if (line == "DATA") {
          data = true;
          pending.insert(0, "\r\n");  // the text may be empty
          say("354 go\r\n");
        } else if (line == "QUIT") {
          say("221 bye\r\n");
          close(c);
          return;
        } else {
          say("250 ok\r\n");
        }
      }
    }
    close(c);
  }
  int listener_ = -1;
  std::thread thread_;
};

struct SendFigures {
  double seconds;
  long rssKb;
  bool ok;
};

SendFigures SendNow(const std::string& home, int port, const std::string& attachment, long baseKb) {
  Profile profile(home + "/Fennel.ini");
  QuietPrompter prompter;
  CMailApp app({profile, prompter, home});
  CUserInfo& u = app.user();
  u.userId = "taro";
  u.fullName = "山田太郎";
  u.mailAddress = "taro@example.jp";
  u.smtpServer = "127.0.0.1";
  u.smtpPort = port;
  u.mailDir = home + "/mail";
  u.serverTimeout = 1;
  MakeDirs(u.mailDir);
  PollEventLoop loop;
  NullReceiveHost receiveHost;
  AnimationWindow animation(loop, prompter);
  CReceiveDriver receive(app, loop, receiveHost, animation);
  NoStoredMail stored;
  CSendDriver sender(app, receive, stored);
  Host host;
  CMailEditor editor(app, loop, sender, host);
  editor.to = "jiro@example.jp";
  editor.subject = "大きな添付ファイル";
  editor.body = "資料を送ります。\r\n";
  editor.attachments = {attachment};
  auto t0 = std::chrono::steady_clock::now();
  editor.SendNow();
  loop.RunUntil([&] { return editor.sendState() != CMailEditor::SendState::Sending; }, 60000);
  return {Seconds(t0), MaxRssKb() - baseKb, editor.lastEndCode() == CSmtpSocket::SMTP_END_OK};
}

}  // namespace

int main() {
  const std::string home = "/tmp/fnb-send-" + std::to_string(getpid());
  std::filesystem::create_directories(home + "/mail");
  const std::string attachment = home + "/資料 20MB.bin";
  {
    std::ofstream out(ToFsPath(attachment), std::ios::binary);
    std::string block(1 << 20, '\0');
    uint32_t x = 12345;
    for (int mb = 0; mb < 20; ++mb) {
      for (char& c : block) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  const long base = MaxRssKb();
  std::printf("a mail with a 20 MB attachment (base of this program: %.1f MB)\n", base / 1024.0);

  {
    ComposeInput in;
    in.to = "jiro@example.jp";
    in.subject = "大きな添付ファイル";
    in.body = "資料を送ります。\r\n";
    in.attachments = {attachment};
    in.userName = "山田太郎";
    in.mailAddress = "taro@example.jp";
    in.popAccount = "taro";
    in.smtpServer = "127.0.0.1";
    in.mailDir = home + "/mail";
    auto t0 = std::chrono::steady_clock::now();
    ComposedMessage m = ComposeMessage(in);
    double s = Seconds(t0);
    std::printf("  compose only            %6.0f ms  %5.1f MB beyond the base  (%s, %.1f MB written)\n", s * 1000,
                (MaxRssKb() - base) / 1024.0, m.ok ? "ok" : "FAILED",
                static_cast<double>(std::filesystem::file_size(m.path)) / (1024 * 1024));
  }
  {
    SinkServer sink;
    SendFigures f = SendNow(home, sink.port, attachment, base);
    std::printf("  send now, fast sink     %6.0f ms  %5.1f MB beyond the base  (%s)\n", f.seconds * 1000,
                f.rssKb / 1024.0, f.ok ? "accepted" : "FAILED");
  }
  Servers servers;
  if (!servers.ok()) {
    std::printf("  (the project's servers did not start: run as root with ./scripts/deps done)\n");
  } else {
    SendFigures f = SendNow(home, servers.smtp, attachment, base);
    std::printf("  send now, aiosmtpd      %6.0f ms  %5.1f MB beyond the base  (%s)\n", f.seconds * 1000,
                f.rssKb / 1024.0, f.ok ? "accepted" : "FAILED");

    // The whole program, from its start to its end.
    const std::map<std::string, std::string> env = {
        {"FENNEL_HOME", home + "/cli"}, {"FENNEL_PROFILE_DIR", home + "/cli"}, {"FENNEL_PASSWORD", "pw"}};
    auto cli = [&](std::vector<std::string> args) {
      args.insert(args.begin(), {FENNEL_CLI_PATH, "--user", "taro"});
      return RunChild(args, env);
    };
    std::filesystem::create_directories(home + "/cli/mail");
    cli({"create-user"});
    cli({"set", "smtp_server=127.0.0.1", "smtp_port=" + std::to_string(servers.smtp), "mail_address=taro@example.jp",
         "mail_dir=" + home + "/cli/mail"});
    ChildRun idle = cli({"settings"});
    ChildRun run = cli({"send", "--to", "jiro@example.jp", "--subject", "big", "--attach", ToFsPath(attachment)});
    std::printf("  fennel-cli send         %6.0f ms  %5.1f MB beyond its base of %.1f MB  (exit %d)\n",
                run.seconds * 1000, (run.maxRssKb - idle.maxRssKb) / 1024.0, idle.maxRssKb / 1024.0, run.exitCode);
  }
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return 0;
}
