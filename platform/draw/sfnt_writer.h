#pragma once
// Assembles a TrueType file from its tables (internal to platform/draw): the table directory
// sorted by tag with its binary-search fields, every table at a four-byte boundary with its
// checksum, and head's checkSumAdjustment made to balance the whole file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::draw {

struct SfntTable
{
    std::string_view tag; // four characters
    std::string_view data;
};

// The file holding `tables` (any order; tags are unique and four characters long).
std::string writeSfnt(std::vector<SfntTable> tables);

// The sum of the big-endian 32-bit words of `data`, the last one padded with zeros.
std::uint32_t sfntChecksum(std::string_view data);

} // namespace platform::draw
