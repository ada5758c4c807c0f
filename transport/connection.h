// One TCP connection to a mail server, driven by the event loop: connecting
// and sending wait without freezing the program, and received bytes are cut
// into lines handed to the session one at a time, in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/prompter.h"
#include "transport/line_buffer.h"

namespace fennel {

// Where a connection's lines go.
class LineSink {
 public:
  virtual ~LineSink() = default;
  // One reply line without its CR LF (partial: a piece of an overlong line).
  virtual void OnLine(const std::string& line, bool partial) = 0;
  // The server closed the connection (or it broke).
  virtual void OnClosed() {}
  // Bytes came from the server or were taken by it (a line or not).
  virtual void OnActivity() {}
};

// What a session needs of its connection; tests put a fake in its place.
class LineChannel {
 public:
  virtual ~LineChannel() = default;
  // Shows the connection error box and returns false when it cannot connect.
  virtual bool Connect(const std::string& host, int port) = 0;
  virtual void Send(std::string_view bytes) = 0;
  virtual void Close() = 0;
};

// The socket error codes the connection error box knows.
enum SocketError : int {
  kErrFault = 10014,
  kErrInvalid = 10022,  // also: the host name does not resolve
  kErrNoFiles = 10024,
  kErrWouldBlock = 10035,
  kErrInProgress = 10036,
  kErrNotSocket = 10038,
  kErrDestAddrReq = 10039,
  kErrAfNoSupport = 10047,
  kErrAddrInUse = 10048,
  kErrAddrNotAvail = 10049,
  kErrNetDown = 10050,
  kErrNetUnreach = 10051,
  kErrNoBufs = 10055,
  kErrIsConn = 10056,
  kErrTimedOut = 10060,
  kErrConnRefused = 10061,
  kErrNotInitialised = 10093,
};

// The code of an errno value from connect() or socket().
int SocketErrorOf(int err);
// The box text for a code; empty when no box is shown.
std::string ConnectionErrorText(int code, const std::string& host, int port);

class Connection : public LineChannel {
 public:
  // The longest a connect may take before it counts as timed out.
  static constexpr int64_t kConnectTimeoutMs = 30000;

  Connection(EventLoop& loop, Prompter& prompter, LineSink& sink) : loop_(loop), prompter_(prompter), sink_(sink) {}
  ~Connection() override;

  bool Connect(const std::string& host, int port) override;
  // Sends all of bytes; a slow reader is waited for with the loop running.
  void Send(std::string_view bytes) override;
  void Close() override;
  bool connected() const { return fd_ >= 0; }
  int64_t connectTimeoutMs = kConnectTimeoutMs;

 private:
  void OnReadable();
  // Connects without showing anything; the socket error code on failure.
  int TryConnect(const std::string& host, int port);

  EventLoop& loop_;
  Prompter& prompter_;
  LineSink& sink_;
  LineBuffer buffer_;
  int fd_ = -1;
  uint64_t generation_ = 0;  // changes at every connect and close
};

// Opens a separate connection and closes it at once: is the server there?
// Shows the connection error box when it is not.
bool ProbeServer(EventLoop& loop, Prompter& prompter, const std::string& host, int port);

}  // namespace fennel
