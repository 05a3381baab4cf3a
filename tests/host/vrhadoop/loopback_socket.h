// The few TCP operations the loopback server and its tests need, all on
// 127.0.0.1: POSIX sockets (Unix/loopback_socket.inc) or Winsock
// (Windows/loopback_socket.inc). A peer that has gone makes a call fail;
// it raises no signal.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vrhadooptest {

#if defined(_WIN32)
// Winsock's SOCKET, spelled so that includers need not see <winsock2.h>.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle{0};
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

// A socket listening on 127.0.0.1 at a port the system picks, which goes
// to *port; throws std::runtime_error when there is none.
SocketHandle listenOnLoopback(int* port);
// A connection to 127.0.0.1:port, or kNoSocket when none is made.
SocketHandle connectToLoopback(int port);
// A connection that arrives within timeoutMs, or kNoSocket.
SocketHandle acceptWithin(SocketHandle listener, int timeoutMs);
// What arrives within timeoutMs: the bytes received (at most `size`), 0
// when nothing came, -1 when the peer has closed or the connection failed.
long receiveWithin(SocketHandle socket, char* buffer, std::size_t size, int timeoutMs);
// False when the peer is gone before all of it is sent.
bool sendAll(SocketHandle socket, const char* data, std::size_t size);
// Ends sending, so that the peer reads to the end of what was sent and
// then sees the connection close rather than a reset.
void shutdownSending(SocketHandle socket);
void closeSocket(SocketHandle socket);

}  // namespace vrhadooptest
