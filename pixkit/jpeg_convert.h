#pragma once
// BMP images to JPEG and back, in memory: what Bmp2Jpg, Jpg2Bmp and BmpSize do once their
// bytes are at hand.

#include "pixkit/jpeg_codec.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pixkit {

// The JPEG of an uncompressed 8-bit (grey levels) or 24-bit BMP image whose headers are
// checked against the `available` bytes; nullopt for any other image or a failed encoding.
std::optional<std::vector<unsigned char>> bmpToJpeg(const unsigned char* bmp, std::size_t available,
                                                    int quality);

// The size of the BMP image of `bitsPerPixel` (24 or 8) for a JPEG of that size: the headers
// (and for 8 bits the grey palette) and the padded rows; nullopt beyond kMaxImageBytes.
std::optional<std::uint64_t> bmpImageSize(const JpegInfo& info, int bitsPerPixel);

// The JPEG decoded into a BMP image of `bitsPerPixel` (24 or 8); nullopt when its headers
// cannot be read, the image would be too large or the decoder fails.
std::optional<std::vector<unsigned char>> jpegToBmp(const unsigned char* jpeg, std::size_t length,
                                                    int bitsPerPixel);

} // namespace pixkit
