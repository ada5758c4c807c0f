// An SMTP server for tests, in place of the network: it records every byte
// the session sends and answers either line by line from the test or by
// itself (Serve()), keeping each accepted message with its envelope.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "transport/connection.h"
#include "transport/pop_socket.h"

namespace fennel::test {

class FakeSmtp {
 public:
  struct Accepted {
    std::string from;
    std::vector<std::string> rcpts;
    std::string data;  // as sent, dot-stuffed, without the end line
  };

  class Channel : public LineChannel {
   public:
    Channel(FakeSmtp& smtp, LineSink& sink) : smtp_(smtp), sink_(sink) {}
    ~Channel() override {
      if (smtp_.current_ == this) smtp_.current_ = nullptr;
    }
    bool Connect(const std::string& host, int port) override {
      smtp_.connects.push_back(host + ":" + std::to_string(port));
      if (smtp_.refuseConnect) return false;
      connected_ = true;
      smtp_.current_ = this;
      smtp_.greetPending_ = true;
      smtp_.read_ = smtp_.raw.size();
      return true;
    }
    void Send(std::string_view bytes) override {
      if (!connected_) {
        ADD_FAILURE() << "sent on a closed connection";
        return;
      }
      ++smtp_.sends;
      smtp_.raw.append(bytes);
    }
    void Close() override {
      if (connected_) ++smtp_.closes;
      connected_ = false;
    }
    LineSink& sink() { return sink_; }
    bool connected() const { return connected_; }

   private:
    FakeSmtp& smtp_;
    LineSink& sink_;
    bool connected_ = false;
  };

  ChannelFactory Factory() {
    return [this](LineSink& sink) { return std::unique_ptr<LineChannel>(new Channel(*this, sink)); };
  }

  bool open() const { return current_ && current_->connected(); }
  // One reply line on the open connection.
  void server(const std::string& line) {
    if (!open()) {
      ADD_FAILURE() << "server line \"" << line << "\" with no open connection";
      return;
    }
    current_->sink().OnLine(line, false);
  }
  void hangUp() {
    ASSERT_TRUE(open());
    current_->sink().OnClosed();
  }
  // The next command line the client sent (without CR LF).
  std::string next() {
    size_t end = raw.find("\r\n", read_);
    if (end == std::string::npos) return "(nothing)";
    std::string line = raw.substr(read_, end - read_);
    read_ = end + 2;
    return line;
  }
  void expectClient(const std::string& command) { EXPECT_EQ(next(), command); }
  void expectNothingMore() const { EXPECT_EQ(read_, raw.size()) << "more: " << raw.substr(read_); }

  // Answers by itself: the greeting, every command, the message text.
  // Bounded; returns when the client waits for nothing more.
  void Serve() {
    for (int step = 0; step < 100000; ++step) {
      if (!open()) return;
      if (greetPending_) {
        greetPending_ = false;
        server("220 fake ready");
        continue;
      }
      if (inData_) {
        size_t end = raw.find("\r\n.\r\n", read_ >= 2 ? read_ - 2 : read_);
        if (end == std::string::npos) return;
        current_data_.data = raw.substr(read_, end + 2 - read_);
        read_ = end + 5;
        inData_ = false;
        accepted.push_back(current_data_);
        server(dataReply);
        continue;
      }
      size_t end = raw.find("\r\n", read_);
      if (end == std::string::npos) return;
      Answer(next());
    }
    ADD_FAILURE() << "the dialogue did not end";
  }

  std::string raw;  // every byte sent, over all connections
  int sends = 0;
  int closes = 0;
  std::vector<std::string> connects;
  std::vector<Accepted> accepted;
  bool refuseConnect = false;
  std::set<std::string> refusedRcpts;  // answered 550
  std::string mailReply = "250 ok";
  std::string dataReply = "250 queued";

 private:
  void Answer(const std::string& command) {
    if (command.rfind("HELO ", 0) == 0) return server("250 fake");
    if (command.rfind("MAIL FROM:", 0) == 0) {
      current_data_ = {command.substr(11, command.size() - 12), {}, {}};
      return server(mailReply);
    }
    if (command.rfind("RCPT TO:", 0) == 0) {
      std::string to = command.substr(9, command.size() - 10);
      if (refusedRcpts.count(to)) return server("550 no such user");
      current_data_.rcpts.push_back(to);
      return server("250 ok");
    }
    if (command == "DATA") {
      if (current_data_.rcpts.empty()) return server("503 no valid recipients");
      inData_ = true;
      return server("354 go ahead");
    }
    if (command == "QUIT") return server("221 bye");
    server("500 what");
  }

  Channel* current_ = nullptr;
  size_t read_ = 0;
  bool greetPending_ = false;
  bool inData_ = false;
  Accepted current_data_;
};

}  // namespace fennel::test
