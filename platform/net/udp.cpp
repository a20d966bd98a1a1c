#include "platform/net/udp.h"

#include "platform/net/poll_wait.h"
#include "platform/net/sockaddr_util.h"
#include "platform/net/wsa_error.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace platform::net {

SocketResult bindUdp(const std::string& address, uint16_t port, bool reuseAddr)
{
    SocketResult result;
    const std::string where = Endpoint{address, port}.toString();
    auto fail = [&](const std::string& what) {
        const int saved = errno;
        result.error = detail::errorFromErrno(what, saved);
        result.socket.close();
        errno = saved;
        return std::move(result);
    };
    sockaddr_in addr{};
    if (!detail::toSockaddr(address, port, &addr))
        return fail("bind to " + where + ": not an IPv4 address");
    result.socket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!result.socket.isValid())
        return fail("socket for " + where);
    const int fd = result.socket.fd();
    if (reuseAddr) {
        const int on = 1;
        if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
            return fail("SO_REUSEADDR on " + where);
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return fail("bind to " + where);
    const auto local = detail::socketName(fd, false);
    if (!local)
        return fail("getsockname of " + where);
    result.local = *local;
    return result;
}

IoResult sendTo(const Socket& sock, const void* data, size_t len, const Endpoint& to)
{
    IoResult result;
    sockaddr_in addr{};
    if (!detail::toSockaddr(to.address, to.port, &addr)) {
        result.error = detail::errorFromErrno("send to " + to.toString() + ": not an IPv4 address");
        return result;
    }
    ssize_t n;
    do {
        n = ::sendto(sock.fd(), data, len, MSG_NOSIGNAL | MSG_DONTWAIT,
                     reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        result.error = detail::errorFromErrno("send to " + to.toString());
        return result;
    }
    result.bytes = static_cast<size_t>(n);
    if (result.bytes != len) {
        errno = EMSGSIZE;
        result.error = detail::errorFromErrno("send to " + to.toString() + ": datagram cut short");
        return result;
    }
    result.status = IoStatus::Ok;
    return result;
}

DatagramResult receiveFrom(const Socket& sock, void* buf, size_t cap, int timeoutMs)
{
    DatagramResult result;
    const auto deadline = detail::deadlineAfter(timeoutMs);
    for (;;) {
        const IoStatus waited = detail::pollUntil(sock.fd(), POLLIN, deadline, nullptr);
        if (waited != IoStatus::Ok) {
            result.status = waited;
            result.error = detail::errorForStatus(waited, "receive datagram");
            return result;
        }
        sockaddr_storage from{};
        socklen_t fromLen = sizeof from;
        // MSG_TRUNC makes the call return the datagram's real size even when it did not fit.
        const ssize_t n = ::recvfrom(sock.fd(), cap ? buf : nullptr, cap, MSG_TRUNC | MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            result.status = IoStatus::Failed;
            result.error = detail::errorFromErrno("receive datagram");
            return result;
        }
        result.datagramSize = static_cast<size_t>(n);
        result.bytes = std::min(result.datagramSize, cap);
        result.truncated = result.datagramSize > cap;
        if (from.ss_family == AF_INET && fromLen >= sizeof(sockaddr_in))
            result.from = detail::fromSockaddr(*reinterpret_cast<const sockaddr_in*>(&from));
        result.status = IoStatus::Ok;
        return result;
    }
}

} // namespace platform::net
