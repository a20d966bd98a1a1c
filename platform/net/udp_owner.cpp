#include "platform/net/udp_owner.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <string>

namespace platform::net {
namespace {

// The next blank-separated word of `line` from `*pos`; empty at the end.
std::string_view nextWord(std::string_view line, size_t* pos)
{
    size_t begin = *pos;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    size_t end = begin;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t')
        ++end;
    *pos = end;
    return line.substr(begin, end - begin);
}

bool hexValue(std::string_view text, uint32_t* value)
{
    if (text.empty() || text.size() > 8)
        return false;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, 16);
    return ec == std::errc() && ptr == text.data() + text.size();
}

// "0100007F:0D0B" (or 32 hex digits before the colon for IPv6).
bool parseLocal(std::string_view text, bool v6, UdpTableEntry* entry)
{
    const size_t words = v6 ? 4 : 1;
    if (text.size() != words * 8 + 5 || text[words * 8] != ':')
        return false;
    for (size_t w = 0; w < words; ++w) {
        uint32_t word = 0;
        if (!hexValue(text.substr(w * 8, 8), &word))
            return false;
        // The kernel prints each 32-bit word of the address as the number it is in memory.
        std::memcpy(entry->address.data() + w * 4, &word, 4);
    }
    uint32_t port = 0;
    if (!hexValue(text.substr(words * 8 + 1, 4), &port))
        return false;
    entry->port = uint16_t(port);
    entry->v6 = v6;
    return true;
}

bool parseLine(std::string_view line, bool v6, UdpTableEntry* entry)
{
    size_t pos = 0;
    const std::string_view slot = nextWord(line, &pos);
    if (slot.size() < 2 || slot.back() != ':')
        return false;
    if (!parseLocal(nextWord(line, &pos), v6, entry))
        return false;
    // rem_address, st, tx_queue:rx_queue, tr:tm->when, retrnsmt, then uid.
    for (int skip = 0; skip < 5; ++skip)
        if (nextWord(line, &pos).empty())
            return false;
    const std::string_view uid = nextWord(line, &pos);
    if (uid.empty() || uid.size() > 10)
        return false;
    uint64_t value = 0;
    const auto [ptr, ec] = std::from_chars(uid.data(), uid.data() + uid.size(), value);
    if (ec != std::errc() || ptr != uid.data() + uid.size() || value > UINT32_MAX)
        return false;
    entry->uid = uint32_t(value);
    return true;
}

std::optional<std::string> readBounded(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    char chunk[16384];
    while (text.size() < kMaxUdpTableBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        text.append(chunk, size_t(in.gcount()));
    if (text.size() > kMaxUdpTableBytes)
        text.resize(kMaxUdpTableBytes);
    return text;
}

} // namespace

std::vector<UdpTableEntry> parseUdpTable(std::string_view text, bool v6, size_t maxEntries)
{
    std::vector<UdpTableEntry> entries;
    size_t begin = 0;
    while (begin < text.size() && entries.size() < maxEntries) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos)
            end = text.size();
        UdpTableEntry entry;
        if (parseLine(text.substr(begin, end - begin), v6, &entry))
            entries.push_back(entry);
        begin = end + 1;
    }
    return entries;
}

std::vector<uint32_t> senderOwners(const std::vector<UdpTableEntry>& entries, const Endpoint& sender)
{
    std::vector<uint32_t> owners;
    const std::optional<uint32_t> address = parseIpv4(sender.address);
    if (!address || sender.port == 0)
        return owners;
    const uint8_t bytes[4] = {uint8_t(*address >> 24), uint8_t(*address >> 16), uint8_t(*address >> 8),
                              uint8_t(*address)};
    static constexpr std::array<uint8_t, 16> kAny{};
    for (const UdpTableEntry& e : entries) {
        if (e.port != sender.port)
            continue;
        bool match;
        if (!e.v6) {
            match = std::equal(bytes, bytes + 4, e.address.begin()) ||
                    std::all_of(e.address.begin(), e.address.begin() + 4, [](uint8_t b) { return b == 0; });
        } else {
            static constexpr uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
            match = e.address == kAny || (std::equal(kMapped, kMapped + 12, e.address.begin()) &&
                                          std::equal(bytes, bytes + 4, e.address.begin() + 12));
        }
        if (match)
            owners.push_back(e.uid);
    }
    return owners;
}

std::optional<std::vector<uint32_t>> udpSenderOwners(const Endpoint& sender)
{
    const std::optional<std::string> v4 = readBounded("/proc/net/udp");
    if (!v4)
        return std::nullopt;
    std::vector<uint32_t> owners = senderOwners(parseUdpTable(*v4, false), sender);
    // Without IPv6 in the kernel there is no second table.
    if (const std::optional<std::string> v6 = readBounded("/proc/net/udp6")) {
        const std::vector<uint32_t> more = senderOwners(parseUdpTable(*v6, true), sender);
        owners.insert(owners.end(), more.begin(), more.end());
    }
    return owners;
}

} // namespace platform::net
