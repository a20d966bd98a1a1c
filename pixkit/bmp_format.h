#pragma once
// The BMP layouts pixkit reads and writes, and the one check every reader runs on untrusted
// bytes before it uses a size from them.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pixkit {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kPaletteSize = 1024; // 256 entries of {blue, green, red, 0}
inline constexpr std::size_t kDibHeadSize = kInfoHeaderSize + kPaletteSize;       // 1064
inline constexpr std::size_t kGreyPixelOffset = kFileHeaderSize + kDibHeadSize;   // 1078
inline constexpr std::size_t kRgbPixelOffset = kFileHeaderSize + kInfoHeaderSize; // 54
inline constexpr std::uint16_t kBmpMagic = 0x4D42;                                // "BM"

// The largest image this library builds or accepts, in bytes: every size travels in a signed
// 32-bit field of the headers and of the interface.
inline constexpr std::uint64_t kMaxImageBytes = 0x7FFFFFFF;

// Little-endian fields.
std::uint16_t getU16(const unsigned char* p);
std::uint32_t getU32(const unsigned char* p);
std::int32_t getI32(const unsigned char* p);
void putU16(unsigned char* p, std::uint16_t v);
void putU32(unsigned char* p, std::uint32_t v);
void putI32(unsigned char* p, std::int32_t v);

// Bytes of one row of `width` pixels of `bitsPerPixel`, padded to a multiple of 4; nullopt
// when width or depth is not positive or the row would not fit kMaxImageBytes.
std::optional<std::uint64_t> rowStride(std::int64_t width, std::int64_t bitsPerPixel);

// stride x |height| for an uncompressed image, nullopt beyond kMaxImageBytes.
std::optional<std::uint64_t> pixelBytes(std::int64_t width, std::int64_t height, std::int64_t bitsPerPixel);

// The BITMAPINFOHEADER fields pixkit uses.
struct InfoHeader
{
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows top-down
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
};
InfoHeader readInfoHeader(const unsigned char* p); // reads 40 bytes

// A BMP image that passed inspectBmp: every field is within the bytes given.
struct BmpLayout
{
    std::uint32_t fileSize = 0;    // bfSize, at most the bytes given
    std::uint32_t pixelOffset = 0; // bfOffBits
    InfoHeader info;
    std::uint32_t absHeight = 0;
    std::uint64_t stride = 0; // uncompressed images; 0 for compressed ones
    bool topDown = false;
};

// Checks the first `available` bytes of a BMP file image: "BM"; bfSize at least 54 and not
// beyond the bytes there; an info header of 40 bytes or more inside it; a width above 0 and
// a height other than 0; a depth of 1, 4, 8, 16, 24 or 32 bits; a pixel offset behind the
// headers and inside the file; and for an uncompressed image stride x |height| pixel bytes
// between that offset and bfSize (for a compressed one biSizeImage). Nullopt when any fails.
// Only the first 54 bytes at `data` are read, so a file's headers may be checked against the
// file's length before the rest is read.
std::optional<BmpLayout> inspectBmp(const unsigned char* data, std::size_t available);

// The 256-entry grey palette into 1024 bytes.
void writeGreyPalette(unsigned char* palette);

} // namespace pixkit
