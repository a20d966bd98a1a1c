#pragma once
// Turning picture files and bytes into BMP file images for CDib: JPEG through pixkit, PCX
// through our own decoder, everything else Qt's image readers know (PNG, GIF, TIFF, BMP ...).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace typestone {

using ByteVector = std::vector<unsigned char>;

// The largest picture converted, in pixels.
inline constexpr std::uint64_t kPictureMaxPixels = 64u * 1024u * 1024u;

// The whole file when it can be read and holds at most `maxBytes` bytes.
std::optional<ByteVector> readFileBytes(const std::string& path, std::size_t maxBytes);

// A JPEG decoded into a 24-bit BMP image; nullopt when it cannot be decoded.
std::optional<ByteVector> jpegToBmpImage(std::span<const unsigned char> jpeg);

// A picture file of any other format as a 24-bit BMP image (transparent parts on white);
// nullopt when no reader here knows its format or it cannot be decoded.
std::optional<ByteVector> pictureFileToBmpImage(const std::string& path);

} // namespace typestone
