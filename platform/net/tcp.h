#pragma once
// TCP: listening, accepting with a time-out and a cancel flag, connecting with a time-out.
//
// Every socket is close-on-exec. Listening sockets are non-blocking (so a connection that
// vanishes between the wake-up and the accept never blocks the caller, and an event loop can
// watch them); accepted and connected sockets are blocking, and socket_io.h bounds every wait
// on them.

#include "platform/net/socket_results.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace platform::net {

// Listens on `address` (dotted IPv4; kAnyAddress for all) and `port` (0: any free port).
// `backlog` is clamped to 1..maxListenBacklog(). With `reuseAddr` SO_REUSEADDR is set before the bind. On
// success `local.port` is the port really bound; on failure the socket is closed and errno
// still holds the cause (for lastSocketError()).
SocketResult listenTcp(const std::string& address, uint16_t port, int backlog, bool reuseAddr);

// The longest listen queue the system grants (net.core.somaxconn, at least SOMAXCONN, at most
// 65535). A port many hosts connect to at once listens with it: with a short queue the
// connections beyond it are dropped and the hosts retry only after seconds.
int maxListenBacklog();

// Waits up to `timeoutMs` for a connection on `listener` (one from listenTcp) and accepts it.
// A non-null `cancel` is looked at every few tens of milliseconds; when it turns true the
// wait ends with Canceled. Connections that are reset before they could be accepted are
// skipped and the wait goes on.
AcceptResult acceptWithin(const Socket& listener, int timeoutMs, const std::atomic<bool>* cancel = nullptr);

// Connects to `host` (dotted IPv4, or a name that resolves to IPv4 within the time-out) and
// `port`, giving up after `timeoutMs` (WSAETIMEDOUT). `local` is our end of the connection;
// a non-empty `fromAddress` (dotted IPv4) is the address our end is bound to first.
SocketResult connectTcp(const std::string& host, uint16_t port, int timeoutMs,
                        const std::string& fromAddress = {});

} // namespace platform::net
