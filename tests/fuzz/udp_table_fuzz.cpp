// The kernel's UDP socket table (/proc/net/udp and /proc/net/udp6), whose owners decide who may
// control the server. The first input byte chooses the table (bit 0: IPv6); the rest is its
// text. Properties: no more entries than lines; an entry written back in the kernel's format
// reads as the same entry; the owners of a sender are owners of entries with its port.

#include "tests/fuzz/fuzz_target.h"

#include "platform/net/udp_owner.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

using namespace platform::net;

namespace {

std::string kernelLine(const UdpTableEntry& e)
{
    std::string local;
    for (size_t w = 0; w < (e.v6 ? 4u : 1u); ++w) {
        uint32_t word;
        std::memcpy(&word, e.address.data() + w * 4, 4);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", word);
        local += hex;
    }
    char rest[160];
    std::snprintf(rest, sizeof rest,
                  ":%04X 00000000:0000 07 00000000:00000000 00:00000000 00000000 %5u        0 1 2 0 0",
                  unsigned(e.port), unsigned(e.uid));
    return "   7: " + local + rest;
}

} // namespace

FUZZ_TARGET(udp_table)
{
    if (size == 0)
        return 0;
    const bool v6 = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<UdpTableEntry> entries = parseUdpTable(text, v6);
    FUZZ_CHECK(entries.size() <= size_t(std::count(text.begin(), text.end(), '\n')) + 1);
    for (const UdpTableEntry& e : entries) {
        FUZZ_CHECK(e.v6 == v6);
        const std::vector<UdpTableEntry> again = parseUdpTable(kernelLine(e), v6);
        FUZZ_CHECK(again.size() == 1 && again[0] == e);
    }
    if (!entries.empty()) {
        const Endpoint sender{"127.0.0.1", entries.front().port};
        for (uint32_t uid : senderOwners(entries, sender))
            FUZZ_CHECK(std::any_of(entries.begin(), entries.end(), [&](const UdpTableEntry& e) {
                return e.uid == uid && e.port == sender.port;
            }));
    }
    return 0;
}
