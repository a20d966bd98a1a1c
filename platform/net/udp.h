#pragma once
// UDP: a bound datagram socket, sending to an address, receiving with the sender and a
// truncation report. The socket is non-blocking and close-on-exec; receiveFrom bounds its
// wait with a time-out.

#include "platform/net/socket_results.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::net {

// Binds a datagram socket to `address` (dotted IPv4; kAnyAddress for all) and `port` (0: any
// free port); `local.port` is the port really bound. On failure the socket is closed and errno
// still holds the cause.
SocketResult bindUdp(const std::string& address, uint16_t port, bool reuseAddr);

// Sends one datagram of `len` bytes to `to`. Never waits: a full send buffer is Failed with
// WSAEWOULDBLOCK, a datagram too large for UDP Failed with WSAEMSGSIZE.
IoResult sendTo(const Socket& sock, const void* data, size_t len, const Endpoint& to);

// Receives one datagram into `buf` (up to `cap` bytes), waiting up to `timeoutMs`. A larger
// datagram fills the buffer and is reported `truncated` with its real size; the rest of it is
// gone. An empty datagram is Ok with 0 bytes.
DatagramResult receiveFrom(const Socket& sock, void* buf, size_t cap, int timeoutMs);

} // namespace platform::net
