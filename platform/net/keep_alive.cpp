#include "platform/net/keep_alive.h"

#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace platform::net {
namespace {

bool setInt(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

std::optional<int> getInt(int fd, int level, int name)
{
    int value = 0;
    socklen_t len = sizeof value;
    if (::getsockopt(fd, level, name, &value, &len) != 0)
        return std::nullopt;
    return value;
}

int bounded(int value)
{
    // TCP_KEEPIDLE and TCP_KEEPINTVL take at most 32767 s, TCP_KEEPCNT at most 127.
    return std::clamp(value, 1, 32767);
}

} // namespace

bool setKeepAlive(const Socket& sock, const KeepAlive& timing)
{
    const int fd = sock.fd();
    // The timings go first, so the probes never run on the system's two-hour default.
    return setInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, bounded(timing.idleSeconds)) &&
           setInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, bounded(timing.intervalSeconds)) &&
           setInt(fd, IPPROTO_TCP, TCP_KEEPCNT, std::clamp(timing.probes, 1, 127)) &&
           setInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
}

std::optional<KeepAlive> keepAliveOf(const Socket& sock)
{
    const int fd = sock.fd();
    const std::optional<int> on = getInt(fd, SOL_SOCKET, SO_KEEPALIVE);
    const std::optional<int> idle = getInt(fd, IPPROTO_TCP, TCP_KEEPIDLE);
    const std::optional<int> interval = getInt(fd, IPPROTO_TCP, TCP_KEEPINTVL);
    const std::optional<int> probes = getInt(fd, IPPROTO_TCP, TCP_KEEPCNT);
    if (!on || !*on || !idle || !interval || !probes)
        return std::nullopt;
    return KeepAlive{*idle, *interval, *probes};
}

} // namespace platform::net
