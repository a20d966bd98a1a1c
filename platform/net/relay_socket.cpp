#include "platform/net/relay_socket.h"

#include "platform/net/endpoint.h"
#include "platform/net/udp.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace platform::net {

RelaySocket::RelaySocket() : m_bound(bindUdp(kLoopbackAddress, 0, false))
{
    // The refusal of a datagram sent to a port nobody listens on is queued for the socket
    // only with IP_RECVERR; without it the system keeps it to itself and the caller would wait
    // out its time-out. Without the option the socket still works, only without that news.
    if (ok()) {
        const int on = 1;
        [[maybe_unused]] const int rc =
            ::setsockopt(m_bound.socket.fd(), IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    }
}

bool RelaySocket::takeRefusals(uint16_t port) const
{
    bool refused = false;
    // Bounded like drain(): the queue only holds errors of our own datagrams.
    for (size_t i = 0; i < kMaxDrained; ++i) {
        sockaddr_in to{};
        uint8_t original[16];
        iovec iov{original, sizeof original};
        alignas(cmsghdr) uint8_t control[256];
        msghdr msg{};
        msg.msg_name = &to;
        msg.msg_namelen = sizeof to;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        // Reading the queue also clears the socket's pending error, so a later send or
        // receive does not fail with it.
        if (::recvmsg(m_bound.socket.fd(), &msg, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            break;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_RECVERR ||
                c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err)))
                continue;
            sock_extended_err err{};
            std::memcpy(&err, CMSG_DATA(c), sizeof err);
            // The name is where the refused datagram went.
            if (err.ee_origin == SO_EE_ORIGIN_ICMP && err.ee_errno == ECONNREFUSED &&
                msg.msg_namelen >= sizeof to && ntohs(to.sin_port) == port)
                refused = true;
        }
    }
    return refused;
}

bool RelaySocket::send(uint16_t port, const void* data, size_t len)
{
    if (!ok() || port == 0)
        return false;
    takeRefusals(0);
    m_lastSentTo = port;
    return sendTo(m_bound.socket, data, len, Endpoint{kLoopbackAddress, port}).ok();
}

size_t RelaySocket::drain() const
{
    if (!ok())
        return 0;
    // A pending error would end the first receive before any datagram.
    takeRefusals(0);
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
    if (got)
        got->refused = false;
    if (!ok())
        return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (stop && stop())
            return false;
        // Before every look: a queued error would make the socket look readable (and the
        // receive fail) until it is taken.
        if (m_lastSentTo != 0 && takeRefusals(m_lastSentTo)) {
            if (got)
                got->refused = true;
            return false;
        }
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
        // The refusal came during the wait: the next turn takes it.
        if (r.status == IoStatus::Failed && r.error.sysError == ECONNREFUSED)
            continue;
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
