#include "platform/net/sockaddr_util.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>

namespace platform::net::detail {

bool toSockaddr(const std::string& address, uint16_t port, sockaddr_in* out)
{
    const auto value = parseIpv4(address);
    if (!value) {
        errno = EINVAL;
        return false;
    }
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    out->sin_addr.s_addr = htonl(*value);
    return true;
}

Endpoint fromSockaddr(const sockaddr_in& addr)
{
    return Endpoint{formatIpv4(ntohl(addr.sin_addr.s_addr)), ntohs(addr.sin_port)};
}

std::optional<Endpoint> socketName(int fd, bool peer)
{
    sockaddr_storage storage{};
    socklen_t len = sizeof storage;
    auto* sa = reinterpret_cast<sockaddr*>(&storage);
    const int rc = peer ? ::getpeername(fd, sa, &len) : ::getsockname(fd, sa, &len);
    if (rc != 0)
        return std::nullopt;
    if (storage.ss_family != AF_INET || len < sizeof(sockaddr_in)) {
        errno = EAFNOSUPPORT;
        return std::nullopt;
    }
    return fromSockaddr(*reinterpret_cast<const sockaddr_in*>(&storage));
}

} // namespace platform::net::detail
