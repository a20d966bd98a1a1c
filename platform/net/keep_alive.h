#pragma once
// TCP keepalive: the system probes a connection that carries nothing for a while, so a peer
// that lost power or its network (and will never send a close) shows up as a failed
// connection instead of one that is silent for ever.

#include "platform/net/socket.h"

#include <optional>

namespace platform::net {

struct KeepAlive
{
    int idleSeconds = 60;     // silence before the first probe
    int intervalSeconds = 10; // between probes
    int probes = 5;           // unanswered probes before the connection fails
    bool operator==(const KeepAlive&) const = default;
};

// A peer gone without a word is noticed about two minutes after its last packet.
inline constexpr KeepAlive kHostKeepAlive{};

// Turns keepalive on with these timings (each clamped to 1..32767). False when the system
// refuses one of them (errno tells why); the socket stays usable either way.
bool setKeepAlive(const Socket& sock, const KeepAlive& timing = kHostKeepAlive);
// The timings in force, or nothing when keepalive is off or the socket cannot be asked.
std::optional<KeepAlive> keepAliveOf(const Socket& sock);

} // namespace platform::net
