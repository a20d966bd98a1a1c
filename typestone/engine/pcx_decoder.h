#pragma once
// A decoder for PCX pictures, which Qt's image readers do not read: run-length encoded or
// plain, 1 bit (black and white), 1 bit in 4 planes or 4 bits (16 colours of the header's
// palette), 8 bits (the 256-colour palette behind the pixels, else grey) and 8 bits in 3
// planes (true colour).

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace typestone {

// The largest picture decoded, in pixels.
inline constexpr std::uint64_t kPcxMaxPixels = 64u * 1024u * 1024u;

// The picture in `length` bytes of a PCX file; a null image when the header is not that of a
// PCX file of a kind above, the picture is larger than kPcxMaxPixels, or the pixel data ends
// before the picture is complete.
QImage decodePcx(const unsigned char* bytes, std::size_t length);

} // namespace typestone
