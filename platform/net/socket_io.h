#pragma once
// Sending, receiving and waiting on a connected socket, every wait bounded by a time-out.
// Sends never raise SIGPIPE; a dropped peer is an error result (WSAECONNRESET).

#include "platform/net/socket_results.h"

#include <atomic>
#include <cstddef>
#include <optional>

namespace platform::net {

// Sends all `len` bytes. The time-out is for each wait for room in the send buffer, so a
// long transfer to a peer that keeps reading never times out, and a peer that stops reading
// for `timeoutMs` ends it with TimedOut. `bytes` tells how much went out in every case.
IoResult sendAll(const Socket& sock, const void* data, size_t len, int timeoutMs);

// Receives what is there, at most `cap` bytes (cap must be > 0), waiting up to `timeoutMs`
// for something to arrive: Ok with bytes > 0, PeerClosed for the peer's orderly close,
// TimedOut, or Failed (a reset connection is Failed with WSAECONNRESET).
IoResult receiveSome(const Socket& sock, void* buf, size_t cap, int timeoutMs);

// Receives what is there now, at most `cap` bytes (cap must be > 0), without waiting: Ok with
// bytes > 0, PeerClosed for the peer's orderly close, TimedOut when nothing has arrived yet (the
// caller waits with waitReadable or a poll of its own), or Failed. A reader that drains a busy
// socket makes one call per piece instead of a wait and a read.
IoResult receiveAvailable(const Socket& sock, void* buf, size_t cap);

// Waits until the socket is readable (data, the peer's close or an error are all "readable":
// the next receive tells which), up to `timeoutMs` or until `*cancel` turns true.
IoStatus waitReadable(const Socket& sock, int timeoutMs, const std::atomic<bool>* cancel = nullptr);

// Bytes waiting to be read (FIONREAD); for a datagram socket the size of the next datagram.
// -1 when it cannot be read (errno tells why).
long long pendingBytes(const Socket& sock);

// Ends our sending direction (the peer reads its end of data); receiving goes on.
bool shutdownSend(const Socket& sock);

// The address and port of the other end, and of our own end. Nothing when the socket is not
// IPv4 or not connected (errno tells why).
std::optional<Endpoint> peerEndpoint(const Socket& sock);
std::optional<Endpoint> localEndpoint(const Socket& sock);

} // namespace platform::net
