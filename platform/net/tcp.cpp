#include "platform/net/tcp.h"

#include "platform/net/name_lookup.h"
#include "platform/net/poll_wait.h"
#include "platform/net/sockaddr_util.h"
#include "platform/net/wsa_error.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>

namespace platform::net {

using detail::errorFromErrno;

namespace {

// Fills `result` with the error of the failed step and closes the socket, keeping errno.
SocketResult failed(SocketResult result, const std::string& what)
{
    const int saved = errno;
    result.error = errorFromErrno(what, saved);
    result.socket.close();
    errno = saved;
    return result;
}

bool setBlocking(int fd, bool blocking)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

} // namespace

int maxListenBacklog()
{
    // Asked for every job's data port: the system's setting is read again at most once a
    // second, so a change still counts soon after, without a file read per job.
    constexpr int kUpperBound = 65535;
    constexpr int64_t kRereadMs = 1000;
    static std::atomic<int> s_value{0};
    static std::atomic<int64_t> s_readAtMs{0};
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    const int kept = s_value.load();
    if (kept != 0 && now - s_readAtMs.load() < kRereadMs)
        return kept;
    long value = 0;
    std::ifstream in("/proc/sys/net/core/somaxconn");
    if (!(in >> value))
        value = 0;
    const int bounded = static_cast<int>(std::clamp<long>(value, SOMAXCONN, kUpperBound));
    s_value = bounded;
    s_readAtMs = now;
    return bounded;
}

SocketResult listenTcp(const std::string& address, uint16_t port, int backlog, bool reuseAddr)
{
    SocketResult result;
    const std::string where = Endpoint{address, port}.toString();
    sockaddr_in addr{};
    if (!detail::toSockaddr(address, port, &addr))
        return failed(std::move(result), "listen on " + where + ": not an IPv4 address");

    result.socket.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!result.socket.isValid())
        return failed(std::move(result), "socket for " + where);
    const int fd = result.socket.fd();
    if (reuseAddr) {
        const int on = 1;
        if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
            return failed(std::move(result), "SO_REUSEADDR on " + where);
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return failed(std::move(result), "bind to " + where);
    // The system's maximum is read only for a backlog above what every system allows.
    const int queue = backlog <= SOMAXCONN ? std::max(backlog, 1) : std::min(backlog, maxListenBacklog());
    if (::listen(fd, queue) != 0)
        return failed(std::move(result), "listen on " + where);
    const auto local = detail::socketName(fd, false);
    if (!local)
        return failed(std::move(result), "getsockname of " + where);
    result.local = *local;
    return result;
}

AcceptResult acceptWithin(const Socket& listener, int timeoutMs, const std::atomic<bool>* cancel)
{
    AcceptResult result;
    const auto deadline = detail::deadlineAfter(timeoutMs);
    // listenTcp's sockets do not block: a queued connection is taken at once, and the wait
    // comes only when none is there.
    bool look = true;
    for (;;) {
        if (cancel && cancel->load()) {
            result.status = IoStatus::Canceled;
            result.error = detail::errorForStatus(result.status, "accept");
            return result;
        }
        if (!look) {
            result.status = detail::pollUntil(listener.fd(), POLLIN, deadline, cancel);
            if (result.status != IoStatus::Ok) {
                result.error = detail::errorForStatus(result.status, "accept");
                return result;
            }
        }
        look = false;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const int fd = ::accept4(listener.fd(), reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (fd >= 0) {
            result.socket.reset(fd);
            result.peer = detail::fromSockaddr(peer);
            result.status = IoStatus::Ok;
            return result;
        }
        // None queued: the time is up, or the wait begins.
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && detail::Clock::now() >= deadline) {
            result.status = IoStatus::TimedOut;
            result.error = detail::errorForStatus(result.status, "accept");
            return result;
        }
        // The connection went away before we took it, or another thread took it: keep
        // waiting for the next one within the same deadline.
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED ||
            errno == EPROTO)
            continue;
        result.status = IoStatus::Failed;
        result.error = errorFromErrno("accept");
        return result;
    }
}

SocketResult connectTcp(const std::string& host, uint16_t port, int timeoutMs, const std::string& fromAddress)
{
    SocketResult result;
    const auto deadline = detail::deadlineAfter(timeoutMs);
    const std::string where = Endpoint{host, port}.toString();
    if (port == 0) {
        result.error = detail::errorWithCode("connect to " + where + ": port 0", wsa::AddressNotAvailable);
        return result;
    }

    std::string address = host;
    if (!parseIpv4(host)) {
        LookupResult resolved = resolveIpv4(host, std::max(timeoutMs, 0));
        if (!resolved.ok()) {
            result.error = resolved.error;
            result.error.text = "connect to " + where + ": " + resolved.error.text;
            return result;
        }
        address = resolved.text;
    }
    sockaddr_in addr{};
    detail::toSockaddr(address, port, &addr);

    result.socket.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!result.socket.isValid())
        return failed(std::move(result), "socket for " + where);
    const int fd = result.socket.fd();
    if (!fromAddress.empty()) {
        sockaddr_in from{};
        if (!detail::toSockaddr(fromAddress, 0, &from)) {
            errno = EINVAL;
            return failed(std::move(result), "connect from " + fromAddress + ": not an IPv4 address");
        }
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0)
            return failed(std::move(result), "bind to " + fromAddress + " for " + where);
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS && errno != EINTR)
            return failed(std::move(result), "connect to " + where);
        const IoStatus waited = detail::pollUntil(fd, POLLOUT, deadline, nullptr);
        if (waited != IoStatus::Ok) {
            result.error = detail::errorForStatus(waited, "connect to " + where);
            const int saved = waited == IoStatus::TimedOut ? ETIMEDOUT : errno;
            result.socket.close();
            errno = saved;
            return result;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
            return failed(std::move(result), "connect to " + where);
        if (soError != 0) {
            errno = soError;
            return failed(std::move(result), "connect to " + where);
        }
    }
    if (!setBlocking(fd, true))
        return failed(std::move(result), "fcntl on " + where);
    const auto local = detail::socketName(fd, false);
    if (!local)
        return failed(std::move(result), "getsockname after connect to " + where);
    result.local = *local;
    return result;
}

} // namespace platform::net
