#include "platform/net/socket_io.h"

#include "platform/net/poll_wait.h"
#include "platform/net/sockaddr_util.h"
#include "platform/net/wsa_error.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace platform::net {

IoResult sendAll(const Socket& sock, const void* data, size_t len, int timeoutMs)
{
    IoResult result;
    const auto* bytes = static_cast<const unsigned char*>(data);
    // Sent first, waited for only when the send buffer is full: a reply that fits goes out in
    // one call.
    while (result.bytes < len) {
        const ssize_t n =
            ::send(sock.fd(), bytes + result.bytes, len - result.bytes, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            result.bytes += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            result.status = IoStatus::Failed;
            result.error = detail::errorFromErrno("send");
            return result;
        }
        const IoStatus waited =
            detail::pollUntil(sock.fd(), POLLOUT, detail::deadlineAfter(timeoutMs), nullptr);
        if (waited != IoStatus::Ok) {
            result.status = waited;
            result.error = detail::errorForStatus(waited, "send");
            return result;
        }
    }
    result.status = IoStatus::Ok;
    return result;
}

IoResult receiveSome(const Socket& sock, void* buf, size_t cap, int timeoutMs)
{
    IoResult result;
    if (cap == 0 || !buf) {
        errno = EINVAL;
        result.error = detail::errorFromErrno("receive into an empty buffer");
        return result;
    }
    const auto deadline = detail::deadlineAfter(timeoutMs);
    for (;;) {
        const IoStatus waited = detail::pollUntil(sock.fd(), POLLIN, deadline, nullptr);
        if (waited != IoStatus::Ok) {
            result.status = waited;
            result.error = detail::errorForStatus(waited, "receive");
            return result;
        }
        // Readable can still find nothing (another reader was first): wait again then.
        result = receiveAvailable(sock, buf, cap);
        if (result.status != IoStatus::TimedOut)
            return result;
    }
}

IoResult receiveAvailable(const Socket& sock, void* buf, size_t cap)
{
    IoResult result;
    if (cap == 0 || !buf) {
        errno = EINVAL;
        result.error = detail::errorFromErrno("receive into an empty buffer");
        return result;
    }
    for (;;) {
        const ssize_t n = ::recv(sock.fd(), buf, cap, MSG_DONTWAIT);
        if (n > 0) {
            result.status = IoStatus::Ok;
            result.bytes = static_cast<size_t>(n);
            return result;
        }
        if (n == 0) {
            result.status = IoStatus::PeerClosed;
            return result;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            result.status = IoStatus::TimedOut;
            result.error = detail::errorForStatus(IoStatus::TimedOut, "receive");
            return result;
        }
        result.status = IoStatus::Failed;
        result.error = detail::errorFromErrno("receive");
        return result;
    }
}

IoStatus waitReadable(const Socket& sock, int timeoutMs, const std::atomic<bool>* cancel)
{
    return detail::pollUntil(sock.fd(), POLLIN, detail::deadlineAfter(timeoutMs), cancel);
}

long long pendingBytes(const Socket& sock)
{
    int count = 0;
    if (::ioctl(sock.fd(), FIONREAD, &count) != 0)
        return -1;
    return count;
}

bool shutdownSend(const Socket& sock)
{
    return ::shutdown(sock.fd(), SHUT_WR) == 0;
}

std::optional<Endpoint> peerEndpoint(const Socket& sock)
{
    return detail::socketName(sock.fd(), true);
}

std::optional<Endpoint> localEndpoint(const Socket& sock)
{
    return detail::socketName(sock.fd(), false);
}

} // namespace platform::net
