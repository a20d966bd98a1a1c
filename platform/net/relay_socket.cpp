#include "platform/net/relay_socket.h"

#include "platform/net/endpoint.h"
#include "platform/net/udp.h"

#include <algorithm>
#include <chrono>

namespace platform::net {

RelaySocket::RelaySocket() : m_bound(bindUdp(kLoopbackAddress, 0, false)) {}

bool RelaySocket::send(uint16_t port, const void* data, size_t len) const
{
    if (!ok() || port == 0)
        return false;
    return sendTo(m_bound.socket, data, len, Endpoint{kLoopbackAddress, port}).ok();
}

size_t RelaySocket::drain() const
{
    if (!ok())
        return 0;
    size_t n = 0;
    while (n < kMaxDrained) {
        uint8_t dummy[1];
        if (!receiveFrom(m_bound.socket, dummy, sizeof dummy, 0).ok())
            break;
        ++n;
    }
    return n;
}

bool RelaySocket::receive(void* buf, size_t cap, int timeoutMs, uint16_t fromPort, Received* got,
                          const std::function<bool()>& stop) const
{
    if (!ok())
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (stop && stop())
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        // Past the deadline what has already arrived is still looked at.
        const int slice = int(std::clamp<int64_t>(left, 0, kStopSliceMs));
        const DatagramResult r = receiveFrom(m_bound.socket, buf, cap, slice);
        if (r.status == IoStatus::TimedOut) {
            if (left <= 0)
                return false;
            continue;
        }
        if (!r.ok())
            return false;
        // Only the companion on this very address answers; a datagram from elsewhere (another
        // loopback address, another port once the peer is known) does not end the wait.
        if (r.from.address != kLoopbackAddress || (fromPort != 0 && r.from.port != fromPort))
            continue;
        if (got) {
            got->bytes = r.bytes;
            got->datagramSize = r.datagramSize;
            got->fromPort = r.from.port;
        }
        return true;
    }
}

} // namespace platform::net
