#pragma once
// PRT_BMP_DATA: the image placement record of the print-stream image commands, as it arrives
// in an escape block (byte-packed, little-endian):
//   0 u32 dwOptions, 4 u32 units, 8 i32 x, 12 i32 y, 16 i32 width (0: the picture's own),
//   20 i32 height, 24 u16 rotation in degrees, 26 u32 length of inline picture bytes,
//   30 a NUL-terminated file name, or with kBmpInline the picture bytes themselves.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace typestone {

inline constexpr std::uint32_t kBmpTypeMask = 0xFF; // picture type: 2 JPEG, else by extension
inline constexpr std::uint32_t kBmpTypeJpeg = 2;
inline constexpr std::uint32_t kBmpFitWidth = 0x100;
inline constexpr std::uint32_t kBmpFitHeight = 0x200;
inline constexpr std::uint32_t kBmpCenterH = 0x400; // only without kBmpFitWidth
inline constexpr std::uint32_t kBmpCenterV = 0x800; // only without kBmpFitHeight
inline constexpr std::uint32_t kBmpOwnSize = 0x1000;
inline constexpr std::uint32_t kBmpLocalFile = 0x8000; // a file of this machine, not of the host
inline constexpr std::uint32_t kBmpInline = 0x10000000;

inline constexpr std::size_t kPrtBmpDataHead = 30;

struct PRT_BMP_DATA
{
    std::uint32_t dwOptions = 0;
    std::uint32_t units = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t rotation = 0;
    std::uint32_t dwLength = 0;
    // The block's bytes behind the head (a view into the caller's block, which must outlive
    // the record).
    std::span<const unsigned char> tail;

    // The inline picture: dwLength bytes of the tail; nullopt when the tail is shorter.
    std::optional<std::span<const unsigned char>> inlineBytes() const;
    // The file name: the tail up to its first NUL, or all of it when it has none.
    std::string fileName() const;
};

// The record of a parameter block of `length` bytes; a block shorter than the head reads as
// padded with zeros.
PRT_BMP_DATA parsePrtBmpData(const unsigned char* block, std::size_t length);

} // namespace typestone
