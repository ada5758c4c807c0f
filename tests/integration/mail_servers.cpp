#include "tests/integration/mail_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace fennel::test {

bool MailServers::available_ = false;
int MailServers::pop3Port_ = 0;
int MailServers::smtpPort_ = 0;
std::string MailServers::runDir_;

namespace {

const std::string kScript = std::string(FENNEL_SOURCE_DIR) + "/scripts/mailservers";

bool Script(const std::vector<std::string>& args) {
  ProcessResult r = RunProcess(kScript, args, "", {}, 20000);
  if (r.exitCode != 0) std::fprintf(stderr, "mailservers %s failed: %s\n", args[0].c_str(), r.err.c_str());
  return r.exitCode == 0;
}

}  // namespace

void MailServers::SetUp() {
  if (geteuid() != 0 || !std::filesystem::exists("/usr/sbin/dovecot") || !std::filesystem::exists("/usr/bin/python3")) {
    std::fprintf(stderr, "mail server tests need root, Dovecot and python3-aiosmtpd (./scripts/deps installs them)\n");
    return;
  }
  // Dovecot's socket paths must stay short. Under scripts/test the run
  // directory goes below FENNEL_TEST_SERVERS, whose servers the script
  // stops at its end even when this program dies.
  const char* base = std::getenv("FENNEL_TEST_SERVERS");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/fnl-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (tmpl.size() > 40 || !mkdtemp(buf.data())) return;
  runDir_ = buf.data();
  chmod(runDir_.c_str(), 0755);
  if (base && *base) chmod(base, 0755);  // Dovecot's own users walk through it
  if (!Script({"start", runDir_})) return;
  pop3Port_ = std::atoi(ReadFile(runDir_ + "/pop3.port").c_str());
  smtpPort_ = std::atoi(ReadFile(runDir_ + "/smtp.port").c_str());
  available_ = pop3Port_ > 0 && smtpPort_ > 0;
}

void MailServers::TearDown() {
  if (runDir_.empty()) return;
  Script({"stop", runDir_});
  std::error_code ec;
  std::filesystem::remove_all(runDir_, ec);
}

void MailServers::AddUser(const std::string& user, const std::string& password) {
  ASSERT_TRUE(Script({"add-user", runDir_, user, password}));
}

void MailServers::AddMessage(const std::string& user, const std::string& bytes, const std::string& name) {
  const std::string file = runDir_ + "/incoming.tmp";
  WriteFile(file, bytes);
  ASSERT_TRUE(Script({"add-message", runDir_, user, file, name}));
}

void MailServers::ReplaceMailbox(const std::string& user, const std::vector<std::string>& messages) {
  const std::string box = runDir_ + "/mail/" + user + "/Maildir";
  for (const char* sub : {"/new", "/cur"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(box + sub, ec)) std::filesystem::remove(e.path(), ec);
  }
  for (size_t i = 0; i < messages.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%06zu.fennel", i + 1);
    const std::string tmp = box + "/tmp/" + name;
    WriteFile(tmp, messages[i]);
    ASSERT_EQ(chown(tmp.c_str(), 65534, 65534), 0);
    chmod(tmp.c_str(), 0644);
    std::filesystem::rename(tmp, box + "/new/" + name);
  }
}

std::vector<std::string> MailServers::MessageIds(const std::string& user) {
  std::vector<std::string> ids;
  const std::string box = runDir_ + "/mail/" + user + "/Maildir";
  for (const char* sub : {"/new", "/cur"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(box + sub, ec)) {
      const std::string text = ReadFile(e.path().string());
      size_t at = text.find("Message-ID: ");
      if (at == std::string::npos) continue;
      size_t end = text.find("\r\n", at);
      ids.push_back(text.substr(at + 12, end - at - 12));
    }
  }
  return ids;
}

int MailServers::Count(const std::string& user) {
  ProcessResult r = RunProcess(kScript, {"count", runDir_, user}, "", {}, 20000);
  return std::atoi(r.out.c_str());
}

std::vector<std::string> MailServers::Accepted() {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(runDir_ + "/spool", ec))
    if (e.path().extension() == ".eml" && std::filesystem::exists(e.path().string().substr(0, e.path().string().size() - 4) + ".json"))
      files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace fennel::test
