#pragma once
// A 16-byte UUID in the field layout the node-id code reads (node = bytes 10 to 15).

#include <cstdint>

namespace klv {

struct Uuid
{
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};
};

// Status codes of UUID creation.
inline constexpr int kUuidOk = 0;
inline constexpr int kUuidNoAddress = 1739;
inline constexpr int kUuidLocalOnly = 1824;

} // namespace klv
