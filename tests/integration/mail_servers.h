// The real mail servers of the integration tests, started once for a test
// program by scripts/mailservers on 127.0.0.1 and stopped at its end.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/loopback.h"

namespace fennel::test {

class MailServers : public testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

  static bool available() { return available_; }
  static int pop3Port() { return pop3Port_; }
  static int smtpPort() { return smtpPort_; }
  static const std::string& runDir() { return runDir_; }

  static void AddUser(const std::string& user, const std::string& password);
  // Puts a message (bytes as written) into the user's mailbox; messages are
  // numbered in the order of their names.
  static void AddMessage(const std::string& user, const std::string& bytes, const std::string& name);
  // Messages waiting for the user on the server.
  static int Count(const std::string& user);
  // Many messages at once, written straight into the user's mailbox (its
  // earlier messages go first).
  static void ReplaceMailbox(const std::string& user, const std::vector<std::string>& messages);
  // The Message-IDs of the messages waiting for the user.
  static std::vector<std::string> MessageIds(const std::string& user);
  // The messages the SMTP server accepted so far, oldest first: the paths
  // of their .eml files (each has its envelope in the .json beside it).
  static std::vector<std::string> Accepted();

 private:
  static bool available_;
  static int pop3Port_;
  static int smtpPort_;
  static std::string runDir_;
};


// Skips the test when the servers could not be started here.
#define REQUIRE_MAIL_SERVERS()                                                 \
  do {                                                                         \
    if (!::fennel::test::MailServers::available()) GTEST_SKIP() << "no mail servers"; \
  } while (0)

}  // namespace fennel::test
