// Sockets on 127.0.0.1 for the tests' own small servers.
#pragma once

namespace fennel::test {

// A socket listening on a free port of 127.0.0.1 that never accepts by
// itself (a server that stops answering, until the test accepts).
int ListenOnLoopback(int& port);
// A port of 127.0.0.1 nobody listens on.
int UnusedLoopbackPort();

}  // namespace fennel::test
