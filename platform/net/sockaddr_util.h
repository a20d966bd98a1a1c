#pragma once
// Internal to platform/net: conversions between Endpoint and sockaddr_in.

#include "platform/net/endpoint.h"

#include <netinet/in.h>
#include <optional>
#include <string>

namespace platform::net::detail {

// False (errno = EINVAL) when `address` is not dotted IPv4.
bool toSockaddr(const std::string& address, uint16_t port, sockaddr_in* out);
Endpoint fromSockaddr(const sockaddr_in& addr);
// getsockname / getpeername of an IPv4 socket.
std::optional<Endpoint> socketName(int fd, bool peer);

} // namespace platform::net::detail
