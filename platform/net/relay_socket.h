#pragma once
// A datagram socket for request/answer exchanges with a companion program on this machine:
// bound to 127.0.0.1 on a port the system picks, sending only to 127.0.0.1, and taking only
// datagrams that came from 127.0.0.1 (from one port when asked). Every receive ends at its
// time-out; an answer that arrived too late for an earlier request is thrown away by drain()
// so that it is never taken for the answer to the next one. A datagram sent to a port where
// nobody listens comes back refused (the loopback interface says so at once), which ends the
// wait for its answer: the caller need not sit out the time-out to learn that its companion
// does not run.

#include "platform/net/socket_results.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform::net {

class RelaySocket
{
public:
    // The most stale datagrams one drain() throws away; a peer that floods the socket cannot
    // hold the caller in the drain.
    static constexpr size_t kMaxDrained = 256;

    // Binds 127.0.0.1 on a free port; ok() tells whether that worked.
    RelaySocket();

    bool ok() const { return m_bound.ok(); }
    uint16_t localPort() const { return m_bound.local.port; }

    // One datagram to 127.0.0.1:`port`; false when it could not be sent (port 0 included).
    // Refusals of earlier datagrams are forgotten: what is awaited now is this one's answer.
    bool send(uint16_t port, const void* data, size_t len);

    // Throws away every datagram already waiting; returns how many.
    size_t drain() const;

    struct Received
    {
        size_t bytes = 0;        // copied into the buffer
        size_t datagramSize = 0; // the datagram's real size (more than bytes when it was cut)
        uint16_t fromPort = 0;
        // On a false return: the wait ended because the last datagram sent found nobody
        // listening at its port.
        bool refused = false;
    };
    // Waits at most `timeoutMs` (0: takes only what has arrived) for one datagram from 127.0.0.1 (and from
    // `fromPort` unless it is 0); datagrams from anywhere else are dropped and the wait goes on. `stop`, when
    // given, is asked every kStopSliceMs and ends the wait early. False on time-out, stop, failure or when
    // the last datagram sent was refused (`got->refused`).
    bool receive(void* buf, size_t cap, int timeoutMs, uint16_t fromPort, Received* got,
                 const std::function<bool()>& stop = {}) const;
    static constexpr int kStopSliceMs = 200;

private:
    // Takes the errors the system queued for the socket; true when one says that a datagram to
    // `port` found nobody listening.
    bool takeRefusals(uint16_t port) const;

    SocketResult m_bound;
    uint16_t m_lastSentTo = 0;
};

} // namespace platform::net
