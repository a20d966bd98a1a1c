#pragma once
// Who owns the socket a datagram came from, read from the kernel's socket tables
// (/proc/net/udp and /proc/net/udp6).
//
// A datagram from this machine carries its socket's port, and only one user's sockets can hold
// a port (apart from sockets that share it on purpose): the owner of the socket bound to the
// sender's port is the user who sent it.

#include "platform/net/endpoint.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::net {

struct UdpTableEntry
{
    // The local address in network byte order; an IPv4 entry uses the first four bytes.
    std::array<uint8_t, 16> address{};
    bool v6 = false;
    uint16_t port = 0;
    uint32_t uid = 0;
    bool operator==(const UdpTableEntry&) const = default;
};

// More sockets than this in one table are not looked at (the rest of the text is ignored).
inline constexpr size_t kMaxUdpTableEntries = 65536;
// The most text read from one table.
inline constexpr size_t kMaxUdpTableBytes = 16u << 20;

// Parses the text of /proc/net/udp (`v6` false) or /proc/net/udp6 (`v6` true): one entry per
// line "sl: local_address rem_address st queues timer retrnsmt uid ...", the address as the
// kernel prints it (32-bit words in hex, in this machine's byte order), the port in hex. The
// heading and any line that does not read so are skipped; at most `maxEntries` entries.
std::vector<UdpTableEntry> parseUdpTable(std::string_view text, bool v6,
                                         size_t maxEntries = kMaxUdpTableEntries);

// The owners of the entries a datagram from `sender` (an IPv4 address) can have been sent
// from: bound to its port, and to its address or to any address (IPv4, or IPv6 with the
// address mapped or any).
std::vector<uint32_t> senderOwners(const std::vector<UdpTableEntry>& entries, const Endpoint& sender);

// The same from this machine's tables. Empty when no socket holds the sender's port (it may be
// closed already); nothing when the tables cannot be read.
std::optional<std::vector<uint32_t>> udpSenderOwners(const Endpoint& sender);

} // namespace platform::net
