// A POP3 server for tests, in place of the network: it records what the
// session connects to and sends, and answers either line by line from the
// test (server("+OK ready"); expectClient("USER taro");) or by itself from
// mailboxes (Serve()).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "transport/connection.h"
#include "transport/pop_socket.h"

namespace fennel::test {

class FakePop;

class FakeChannel : public LineChannel {
 public:
  FakeChannel(FakePop& pop, LineSink& sink) : pop_(pop), sink_(sink) {}
  ~FakeChannel() override;
  bool Connect(const std::string& host, int port) override;
  void Send(std::string_view bytes) override;
  void Close() override;

  LineSink& sink() { return sink_; }
  bool connected() const { return connected_; }
  const std::string& host() const { return host_; }

 private:
  FakePop& pop_;
  LineSink& sink_;
  bool connected_ = false;
  std::string host_;
};

// One message as the server holds it: CR LF lines, header, blank line, body.
inline std::string MailText(const std::string& id, const std::string& from, const std::string& subject,
                            const std::string& body = "hello\r\n") {
  std::string t;
  if (!id.empty()) t += "Message-ID: <" + id + ">\r\n";
  t += "From: " + from + "\r\nTo: taro@example.jp\r\nSubject: " + subject +
       "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\n" + body;
  return t;
}

class FakePop {
 public:
  struct Mailbox {
    std::vector<std::string> messages;  // numbered from 1
    std::set<int> deleted;
  };

  ChannelFactory Factory() {
    return [this](LineSink& sink) { return std::unique_ptr<LineChannel>(new FakeChannel(*this, sink)); };
  }

  // ---- The dialogue, line by line.
  // One reply line on the open connection.
  void server(const std::string& line) {
    if (!current_ || !current_->connected()) {
      ADD_FAILURE() << "server line \"" << line << "\" with no open connection";
      return;
    }
    current_->sink().OnLine(line, false);
  }
  void server(std::initializer_list<std::string> lines) {
    for (const std::string& l : lines) server(l);
  }
  // The next command the client sent (without CR LF).
  void expectClient(const std::string& command) {
    if (read_ >= sent.size()) {
      ADD_FAILURE() << "expected the client to send \"" << command << "\", it sent nothing more";
      return;
    }
    EXPECT_EQ(sent[read_], command) << "command " << read_ + 1;
    ++read_;
  }
  // A dialogue: "S: line" the server says, "C: command" the client must
  // have said next.
  void talk(const std::vector<std::string>& rows) {
    for (const std::string& row : rows) {
      ASSERT_TRUE(row.size() >= 3 && (row.compare(0, 3, "S: ") == 0 || row.compare(0, 3, "C: ") == 0)) << row;
      if (row[0] == 'S')
        server(row.substr(3));
      else
        expectClient(row.substr(3));
    }
  }
  // The logon up to the STAT reply.
  static std::vector<std::string> Logon(const std::string& statReply, const std::string& account = "taro",
                                        const std::string& password = "secret") {
    return {"S: +OK ready", "C: USER " + account, "S: +OK", "C: PASS " + password, "S: +OK logged in", "C: STAT",
            "S: " + statReply};
  }
  // The logon of a receive run, with its size list (here: no sizes given).
  static std::vector<std::string> ReceiveLogon(const std::string& statReply) {
    std::vector<std::string> d = Logon(statReply);
    d.insert(d.end(), {"C: LIST", "S: +OK", "S: ."});
    return d;
  }
  void expectNothingMore() {
    EXPECT_EQ(read_, sent.size()) << "unexpected command \"" << (read_ < sent.size() ? sent[read_] : "") << "\"";
  }
  // The server hangs up.
  void hangUp() {
    ASSERT_TRUE(current_ && current_->connected());
    current_->sink().OnClosed();
  }
  bool open() const { return current_ && current_->connected(); }

  // ---- A server that answers by itself from mailboxes (by host).
  // Greets every new connection and answers every command, until the client
  // waits for nothing more. Bounded.
  void Serve() {
    for (int step = 0; step < 10000; ++step) {
      if (greetPending_ && open()) {
        greetPending_ = false;
        server(greeting);
      } else if (read_ < sent.size() && open()) {
        Answer(sent[read_++]);
      } else {
        return;
      }
    }
    ADD_FAILURE() << "the dialogue did not end";
  }
  Mailbox& box(const std::string& host) { return boxes_[host]; }
  // Every connection made ended with QUIT.
  void expectEveryConnectionQuit() const {
    for (size_t i = 0; i < perConnection.size(); ++i)
      EXPECT_TRUE(!perConnection[i].empty() && perConnection[i].back() == "QUIT")
          << "connection " << i + 1 << " did not end with QUIT";
  }

  // What the client did.
  std::vector<std::string> connects;  // "host:port"
  std::vector<std::string> sent;      // every command, in order
  std::vector<std::vector<std::string>> perConnection;
  int closes = 0;
  // Hosts that refuse connections.
  std::set<std::string> refused;
  // Commands (their first word, or the whole command) the server answers "-ERR".
  std::set<std::string> failing;
  std::string greeting = "+OK ready";

 private:
  friend class FakeChannel;

  void Answer(const std::string& command) {
    const std::string verb = command.substr(0, command.find(' '));
    if (failing.count(command) || failing.count(verb)) return server("-ERR no");
    Mailbox& mb = boxes_[current_->host()];
    int n = 0;
    std::sscanf(command.c_str() + verb.size(), "%d", &n);
    const bool exists = n >= 1 && n <= static_cast<int>(mb.messages.size()) && !mb.deleted.count(n);
    if (verb == "STAT") {
      size_t octets = 0;
      for (const std::string& m : mb.messages) octets += m.size();
      return server("+OK " + std::to_string(mb.messages.size()) + " " + std::to_string(octets));
    }
    if (verb == "LIST") {
      server("+OK");
      for (size_t i = 0; i < mb.messages.size(); ++i)
        server(std::to_string(i + 1) + " " + std::to_string(mb.messages[i].size()));
      return server(".");
    }
    if (verb == "TOP" || verb == "RETR") {
      if (!exists) return server("-ERR no such message");
      server("+OK");
      const std::string& text = mb.messages[static_cast<size_t>(n - 1)];
      size_t at = 0;
      while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 2;
        if (!line.empty() && line[0] == '.') line.insert(0, ".");
        server(line);
        if (verb == "TOP" && line.empty()) break;  // the header only
      }
      return server(".");
    }
    if (verb == "DELE") {
      if (!exists) return server("-ERR no such message");
      mb.deleted.insert(n);
      return server("+OK");
    }
    if (verb == "QUIT") return server("+OK bye");
    server("+OK");  // USER, PASS
  }

  std::map<std::string, Mailbox> boxes_;
  FakeChannel* current_ = nullptr;
  size_t read_ = 0;
  bool greetPending_ = false;
};

inline FakeChannel::~FakeChannel() {
  if (pop_.current_ == this) pop_.current_ = nullptr;
}

inline bool FakeChannel::Connect(const std::string& host, int port) {
  pop_.connects.push_back(host + ":" + std::to_string(port));
  if (pop_.refused.count(host)) return false;
  if (connected_) ADD_FAILURE() << "connect while connected";
  connected_ = true;
  host_ = host;
  pop_.current_ = this;
  pop_.greetPending_ = true;
  pop_.perConnection.emplace_back();
  return true;
}

inline void FakeChannel::Send(std::string_view bytes) {
  if (!connected_) {
    ADD_FAILURE() << "sent on a closed connection: " << bytes;
    return;
  }
  EXPECT_TRUE(bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n") << "not one whole command: " << bytes;
  std::string command(bytes.substr(0, bytes.size() >= 2 ? bytes.size() - 2 : 0));
  EXPECT_EQ(command.find("\r\n"), std::string::npos) << "two commands in one send";
  pop_.sent.push_back(command);
  pop_.perConnection.back().push_back(command);
}

inline void FakeChannel::Close() {
  if (connected_) ++pop_.closes;
  connected_ = false;
}

}  // namespace fennel::test
