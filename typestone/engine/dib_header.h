#pragma once
// The check of a BMP file image that CDib runs before it keeps or draws one.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace typestone {

struct DibLayout
{
    std::uint32_t fileSize = 0;    // bfSize
    std::uint32_t pixelOffset = 0; // bfOffBits
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows top-down
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t stride = 0; // bytes per row of an uncompressed picture
};

enum class DibCheck
{
    Ok,
    Short,    // fewer bytes than the headers need
    NotBmp,   // no "BM"
    BadSizes, // a size in the headers does not fit the bytes there
};

// Checks "BM", bfSize (at least 54, at most `length`), the info header, width and height,
// the depth, bfOffBits and the rows (stride x |height| for an uncompressed picture) against
// the `length` bytes at `bytes`; `layout` is set when the result is Ok.
DibCheck checkDib(const unsigned char* bytes, std::size_t length, DibLayout* layout = nullptr);

} // namespace typestone
