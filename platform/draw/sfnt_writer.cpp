#include "platform/draw/sfnt_writer.h"

#include <algorithm>

namespace platform::draw {

namespace {

constexpr std::uint32_t kChecksumMagic = 0xB1B0AFBA;
constexpr size_t kHeaderSize = 12;
constexpr size_t kEntrySize = 16;
constexpr size_t kHeadAdjustmentOffset = 8;

size_t padded4(size_t size)
{
    return (size + 3) & ~size_t{3};
}

void put16(std::string& out, size_t offset, std::uint32_t value)
{
    out[offset] = static_cast<char>((value >> 8) & 0xFF);
    out[offset + 1] = static_cast<char>(value & 0xFF);
}

void put32(std::string& out, size_t offset, std::uint32_t value)
{
    put16(out, offset, value >> 16);
    put16(out, offset + 2, value & 0xFFFF);
}

} // namespace

std::uint32_t sfntChecksum(std::string_view data)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const size_t whole = data.size() & ~size_t{3};
    std::uint32_t sum = 0;
    for (size_t i = 0; i < whole; i += 4) {
        sum += (std::uint32_t{p[i]} << 24) | (std::uint32_t{p[i + 1]} << 16) |
               (std::uint32_t{p[i + 2]} << 8) | std::uint32_t{p[i + 3]};
    }
    std::uint32_t last = 0;
    for (size_t i = whole; i < data.size(); ++i) {
        last |= std::uint32_t{p[i]} << (24 - 8 * (i - whole));
    }
    return sum + last;
}

std::string writeSfnt(std::vector<SfntTable> tables)
{
    std::sort(tables.begin(), tables.end(),
              [](const SfntTable& a, const SfntTable& b) { return a.tag < b.tag; });
    const size_t count = tables.size();
    size_t total = kHeaderSize + kEntrySize * count;
    for (const SfntTable& t : tables) {
        total += padded4(t.data.size());
    }

    std::string out(total, '\0');
    std::uint32_t power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    put32(out, 0, 0x00010000);
    put16(out, 4, static_cast<std::uint32_t>(count));
    put16(out, 6, power * 16);
    put16(out, 8, log2);
    put16(out, 10, static_cast<std::uint32_t>(count * 16 - power * 16));

    size_t offset = kHeaderSize + kEntrySize * count;
    size_t headOffset = 0;
    bool haveHead = false;
    for (size_t i = 0; i < count; ++i) {
        const SfntTable& t = tables[i];
        std::copy(t.data.begin(), t.data.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
        // head's own checksum is taken with the file's adjustment still zero.
        if (t.tag == "head" && t.data.size() >= kHeadAdjustmentOffset + 4) {
            put32(out, offset + kHeadAdjustmentOffset, 0);
            headOffset = offset;
            haveHead = true;
        }
        const size_t entry = kHeaderSize + kEntrySize * i;
        std::copy(t.tag.begin(), t.tag.end(), out.begin() + static_cast<std::ptrdiff_t>(entry));
        put32(out, entry + 4, sfntChecksum(std::string_view(out).substr(offset, t.data.size())));
        put32(out, entry + 8, static_cast<std::uint32_t>(offset));
        put32(out, entry + 12, static_cast<std::uint32_t>(t.data.size()));
        offset += padded4(t.data.size());
    }
    if (haveHead) {
        put32(out, headOffset + kHeadAdjustmentOffset, kChecksumMagic - sfntChecksum(out));
    }
    return out;
}

} // namespace platform::draw
