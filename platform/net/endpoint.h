#pragma once
// An IPv4 address and port as the sockets layer passes them around.
//
// Addresses are dotted-decimal text ("127.0.0.1") everywhere in our interfaces; the helpers
// below convert to and from the 32-bit value in host byte order where arithmetic is needed.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::net {

inline constexpr const char* kAnyAddress = "0.0.0.0";
inline constexpr const char* kLoopbackAddress = "127.0.0.1";

struct Endpoint
{
    std::string address; // dotted IPv4 text
    uint16_t port = 0;

    // "127.0.0.1:3339"
    std::string toString() const;
    bool operator==(const Endpoint&) const = default;
};

// Strict dotted-decimal IPv4 ("a.b.c.d", each 0..255, no names, no shorthand); the value in
// host byte order, or nothing when the text is not such an address.
std::optional<uint32_t> parseIpv4(const std::string& text);
// The dotted-decimal text of a host-order value.
std::string formatIpv4(uint32_t address);
// True for addresses in 127.0.0.0/8; false for anything that is not an IPv4 address.
bool isLoopback(const std::string& address);
bool isLoopback(uint32_t address);

} // namespace platform::net
