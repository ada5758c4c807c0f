#include "transport/connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace fennel {

int SocketErrorOf(int err) {
  switch (err) {
    case EFAULT: return kErrFault;
    case EINVAL: return kErrInvalid;
    case EMFILE:
    case ENFILE: return kErrNoFiles;
    case EWOULDBLOCK: return kErrWouldBlock;
    case EALREADY: return kErrInProgress;
    case ENOTSOCK: return kErrNotSocket;
    case EDESTADDRREQ: return kErrDestAddrReq;
    case EAFNOSUPPORT: return kErrAfNoSupport;
    case EADDRINUSE: return kErrAddrInUse;
    case EADDRNOTAVAIL: return kErrAddrNotAvail;
    case ENETDOWN: return kErrNetDown;
    case ENETUNREACH:
    case EHOSTUNREACH: return kErrNetUnreach;
    case ENOBUFS:
    case ENOMEM: return kErrNoBufs;
    case EISCONN: return kErrIsConn;
    case ETIMEDOUT: return kErrTimedOut;
    case ECONNREFUSED: return kErrConnRefused;
    default: return 0;
  }
}

std::string ConnectionErrorText(int code, const std::string& host, int port) {
  const std::string hp = "ｻｰﾊﾞｰ" + host + "ﾎﾟｰﾄ" + std::to_string(port);
  switch (code) {
    case kErrFault: return hp + "引数 nSockAddrLen が不正です。";
    case kErrInvalid: return "ソケットはまだアドレス" + host + "にバインドされていません。";
    case kErrNoFiles: return "利用できるファイル ディスクリプタがありません。";
    case kErrWouldBlock: return hp + "ソケットが非ブロッキングになっていて、接続が完了できません。";
    case kErrInProgress: return hp + "実行中の Windows ソケット操作がブロッキングされています。";
    case kErrNotSocket: return hp + "ディスクリプタがソケットではありません。";
    case kErrDestAddrReq: return "宛先アドレスが必要です。";
    case kErrAfNoSupport: return "ｻｰﾊﾞｰ" + host + "指定したアドレス ファミリは、このソケットではサポートしていません。";
    case kErrAddrInUse: return "指定したアドレス" + host + "は使用中です。";
    case kErrAddrNotAvail: return "指定したアドレス" + host + "は、ローカル マシンからは利用できません。";
    case kErrNetDown:
      return hp + "Windows ソケットのインプリメントが、ネットワーク サブシステムの異常を検出しました。";
    case kErrNetUnreach: return "ｻｰﾊﾞｰ" + host + "現時点で、ホストからネットワークに到達できません。";
    case kErrNoBufs: return "利用できるバッファ領域がありません。ソケットは接続できません。";
    case kErrTimedOut: return hp + "に接続を試みましたが、タイムアウトで接続を確立できませんでした。";
    case kErrConnRefused: return hp + "に接続を試みましたが、リジェクトされました。";
    case kErrNotInitialised:
      return hp + "この API を使う前に AfxSocketInit の呼び出しが正常終了していることが必要です。";
    default: return {};
  }
}

namespace {

// Connects fd to addr, waiting with the loop running; 0 or a socket error code.
int ConnectOne(EventLoop& loop, int fd, const sockaddr* addr, socklen_t len, int64_t timeoutMs) {
  if (::connect(fd, addr, len) == 0) return 0;
  if (errno != EINPROGRESS) return SocketErrorOf(errno);
  bool ready = false;
  loop.WatchFd(fd, EventLoop::kWritable, [&ready](int) { ready = true; });
  bool done = loop.Wait([&ready] { return ready; }, timeoutMs);
  loop.UnwatchFd(fd);
  if (!done) return kErrTimedOut;
  int err = 0;
  socklen_t errLen = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &errLen) != 0) return SocketErrorOf(errno);
  return err == 0 ? 0 : SocketErrorOf(err);
}

// A connected, non-blocking socket to host:port, or -1 with code set.
int OpenSocket(EventLoop& loop, const std::string& host, int port, int64_t timeoutMs, int& code) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  if (port <= 0 || port > 65535 || getaddrinfo(Cp932ToUtf8(host).c_str(), service.c_str(), &hints, &list) != 0) {
    code = kErrInvalid;  // a name that does not resolve
    return -1;
  }
  code = kErrInvalid;
  int fd = -1;
  for (addrinfo* a = list; a; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      code = SocketErrorOf(errno);
      continue;
    }
    code = ConnectOne(loop, fd, a->ai_addr, a->ai_addrlen, timeoutMs);
    if (code == 0) break;
    close(fd);
    fd = -1;
  }
  freeaddrinfo(list);
  if (fd >= 0) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

}  // namespace

Connection::~Connection() { Close(); }

int Connection::TryConnect(const std::string& host, int port) {
  int code = 0;
  int fd = OpenSocket(loop_, host, port, connectTimeoutMs, code);
  if (fd < 0) return code == 0 ? kErrInvalid : code;
  fd_ = fd;
  loop_.WatchFd(fd_, EventLoop::kReadable, [this](int) { OnReadable(); });
  return 0;
}

bool Connection::Connect(const std::string& host, int port) {
  if (fd_ >= 0) return true;  // already connected: nothing to report
  ++generation_;
  buffer_.Clear();
  int code = TryConnect(host, port);
  if (code == 0) return true;
  std::string text = ConnectionErrorText(code, host, port);
  if (!text.empty()) prompter_.Show(text, MbIcon::Stop);
  return false;
}

void Connection::Send(std::string_view bytes) {
  const int64_t kSendTimeoutMs = 120000;
  while (!bytes.empty() && fd_ >= 0) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      sink_.OnActivity();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // A slow reader: wait until the socket takes more, the loop running.
      const int fd = fd_;
      bool ready = false;
      loop_.UnwatchFd(fd);
      loop_.WatchFd(fd, EventLoop::kWritable, [&ready](int) { ready = true; });
      bool done = loop_.Wait([&] { return ready || fd_ != fd; }, kSendTimeoutMs);
      if (fd_ == fd) {
        loop_.UnwatchFd(fd);
        loop_.WatchFd(fd, EventLoop::kReadable, [this](int) { OnReadable(); });
      }
      if (!done) return;
      continue;
    }
    return;  // a broken connection: what was not sent is lost, as the server will tell
  }
}

void Connection::Close() {
  ++generation_;
  if (fd_ < 0) return;
  loop_.UnwatchFd(fd_);
  close(fd_);
  fd_ = -1;
  buffer_.Clear();
}

void Connection::OnReadable() {
  if (fd_ < 0) return;
  const uint64_t generation = generation_;
  ssize_t n = 1;
  int err = 0;
  if (buffer_.Room() > 0) {
    n = ::recv(fd_, buffer_.WritePtr(), buffer_.Room(), 0);
    err = errno;
    if (n > 0) buffer_.Commit(static_cast<size_t>(n));
  }
  if (n > 0) sink_.OnActivity();
  if (generation != generation_) return;
  // Every complete line goes to the session, one step each, in order; a step
  // that closes or reconnects ends the delivery of this buffer.
  std::string line;
  bool partial = false;
  while (generation == generation_ && buffer_.NextLine(line, partial)) sink_.OnLine(line, partial);
  if (generation != generation_) return;
  if (n == 0 || (n < 0 && err != EAGAIN && err != EWOULDBLOCK && err != EINTR)) {
    // The server is gone: stop watching, or the loop would spin on it.
    loop_.UnwatchFd(fd_);
    sink_.OnClosed();
  }
}

bool ProbeServer(EventLoop& loop, Prompter& prompter, const std::string& host, int port) {
  int code = 0;
  int fd = OpenSocket(loop, host, port, Connection::kConnectTimeoutMs, code);
  if (fd >= 0) {
    close(fd);
    return true;
  }
  std::string text = ConnectionErrorText(code, host, port);
  if (!text.empty()) prompter.Show(text, MbIcon::Stop);
  return false;
}

}  // namespace fennel
