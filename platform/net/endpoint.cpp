#include "platform/net/endpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace platform::net {

std::string Endpoint::toString() const
{
    return address + ':' + std::to_string(port);
}

std::optional<uint32_t> parseIpv4(const std::string& text)
{
    // inet_pton takes exactly four decimal parts, unlike inet_aton's shorthand forms.
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1)
        return std::nullopt;
    return ntohl(addr.s_addr);
}

std::string formatIpv4(uint32_t address)
{
    in_addr addr{};
    addr.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &addr, text, sizeof text))
        return {};
    return text;
}

bool isLoopback(uint32_t address)
{
    return (address >> 24) == 127;
}

bool isLoopback(const std::string& address)
{
    const auto value = parseIpv4(address);
    return value && isLoopback(*value);
}

} // namespace platform::net
