#pragma once
// One entry per parser of outside bytes, for the fuzzing harness: each runs the parser the way
// the library's functions do and throws its result away. Images larger than kEntryMaxPixels
// are refused before decoding, so that a short input cannot make a fuzzer run out of memory.

#include "pixkit/pixkit.h"

#include <cstddef>
#include <cstdint>

namespace pixkit {

inline constexpr std::uint64_t kEntryMaxPixels = 4096u * 4096u;

// The BMP reader: the header checks and, for a BMP image they accept, the conversion to JPEG.
// 0 when the bytes were accepted as a BMP image, -1 otherwise.
PIXKIT_API int parseBmpEntry(const std::uint8_t* data, std::size_t size);

// The JPEG path: the header read and the decoding into 24-bit and 8-bit BMP images. 0 when the
// bytes decoded, -1 otherwise.
PIXKIT_API int parseJpegEntry(const std::uint8_t* data, std::size_t size);

} // namespace pixkit
