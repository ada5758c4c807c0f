// receive: a receive run of the main account and the sub-accounts, with
// the announcement printed like the window shows it. --list fetches the
// server mail list first and prints it; --delete marks entries of it to be
// deleted on the server and runs the receive that follows the list.
#include <set>

#include "cli/cli_command.h"
#include "cli/cli_prompter.h"
#include "config/mail_app.h"
#include "platform/event_loop.h"
#include "platform/text.h"
#include "transport/receive_driver.h"

namespace fennel {
namespace {

class CliReceiveHost : public ReceiveHost {
 public:
  CliReceiveHost(FILE* out, const std::set<int>& marks, bool followUp) : out_(out), marks_(marks), followUp_(followUp) {}
  void ActivateMainWindow() override {}
  void SetStatusText(const std::string&) override {}
  void SetProgressRange(int) override {}
  void SetProgressPos(int) override {}
  void RefreshViews() override {}
  bool RunServerListDialog(std::vector<std::unique_ptr<CCommonDetail>>& entries) override {
    for (auto& e : entries) {
      auto v = AsServerEntry(*e);
      if (marks_.count(v.number())) v.action() = kDeleteOnServer;
      PrintText(out_, std::to_string(v.number()) + "\t" + v.from() + "\t" + v.subject() + "\t" + std::to_string(v.size()) +
                          (v.action() == kDeleteOnServer ? "\tdelete" : "") + "\n");
    }
    return followUp_;
  }

 private:
  FILE* out_;
  std::set<int> marks_;
  bool followUp_;
};

class ReceiveCommand : public CliCommand {
 public:
  bool Parse(const std::vector<std::string>& args, std::string& error) override {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--list") {
        list_ = true;
      } else if (args[i] == "--stop-on-error") {
        stopOnError_ = true;
      } else if (args[i] == "--delete" && i + 1 < args.size()) {
        deleteGiven_ = true;
        const std::string& v = args[++i];
        size_t start = 0;
        while (start <= v.size()) {
          size_t comma = v.find(',', start);
          std::string n = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
          if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos) {
            error = "--delete takes message numbers: N,N,...";
            return false;
          }
          marks_.insert(std::stoi(n));
          if (comma == std::string::npos) break;
          start = comma + 1;
        }
      } else {
        error = "receive takes --list, --delete N,N,... and --stop-on-error";
        return false;
      }
    }
    if (deleteGiven_ && !list_) {
      error = "--delete goes with --list";
      return false;
    }
    return true;
  }

  int Run(CMailApp* app, const CliIo& io) override {
    if (stopOnError_)
      if (auto* p = dynamic_cast<CliPrompter*>(&app->prompter())) p->answerNo = true;
    PollEventLoop loop;
    CliReceiveHost host(io.out, marks_, deleteGiven_);
    AnimationWindow animation(loop, app->prompter());
    CReceiveDriver driver(*app, loop, host, animation);
    if (!driver.CanReceive()) {
      PrintText(io.err, "受信の設定がありません。pop_server, pop_port, account, mail_password, mail_dir を設定してください。\n");
      return kExitRefused;
    }
    if (!driver.StartRun(list_ ? CReceiveDriver::Run::List : CReceiveDriver::Run::Receive)) return kExitRefused;
    // The run ends by itself (its time-out and probe guard a silent server);
    // the bound here only keeps a broken run from hanging a script forever.
    const int64_t bound = (int64_t{std::max(app->user().serverTimeout, 1)} * 60000) * 4 + 60000;
    if (!loop.RunUntil([&] { return bool(app->transferIdle); }, bound)) {
      PrintText(io.err, "受信が終わりませんでした。\n");
      return kExitRefused;
    }
    // Exit 0 only when every account was checked without a failure.
    if (!driver.failures().empty()) {
      PrintText(io.err, "受信に失敗しました（" + std::to_string(driver.failures().size()) + "件）:\n");
      for (const std::string& f : driver.failures()) PrintText(io.err, "  " + f + "\n");
      return kExitRefused;
    }
    return kExitOk;
  }

 private:
  bool list_ = false;
  bool stopOnError_ = false;
  bool deleteGiven_ = false;
  std::set<int> marks_;
};

}  // namespace

std::unique_ptr<CliCommand> MakeReceiveCommand(const std::string& name) {
  if (name == "receive") return std::make_unique<ReceiveCommand>();
  return nullptr;
}

}  // namespace fennel
