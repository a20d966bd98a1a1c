#pragma once
// QR-code bitmaps: a text encoded as a QR symbol (libqrencode: automatic version, error
// correction level H, 8-bit mode, case-sensitive) and painted into a 24-bit BMP image.

#include "klv_inet/support/klv_export.h"

#include <cstdint>

// The largest module side in pixels, and the largest picture (pixel bytes) that is made.
inline constexpr std::uint16_t kQrMaxModuleSize = 255;
inline constexpr std::uint32_t kQrMaxPixelBytes = 64u * 1024u * 1024u;

// Encodes `text` and paints the symbol: each module a square of `moduleSize` pixels, dark
// modules in `colour` (a Windows colour value 0x00BBGGRR), the rest white; the rows are stored
// bottom-up as the header declares, so the picture shows the symbol the right way up. There
// is no quiet zone around the symbol.
//
// With a non-empty `bmpFileName` the image is written to that file; with both `buffer` and
// `size`, a new buffer holding the whole image (free it with free()) and its size are handed
// out. 1 on success; 0 when the text cannot be encoded (empty, or too long for any version at
// level H), `moduleSize` is 0 or above kQrMaxModuleSize, the picture would exceed
// kQrMaxPixelBytes, memory runs out or the file cannot be written (no buffer is made then).
//
// The last four arguments (a version, a libqrencode mode, a level and a case flag) are kept
// for callers that pass them; they are not read: the symbol is always made at the settings
// above.
KLV_EXPORT int QRCode_KLV(const char* text, const char* bmpFileName, unsigned char** buffer,
                          std::uint32_t* size, std::uint32_t colour, std::uint16_t moduleSize,
                          int version = 0, int mode = 0, int level = 0, int caseSensitive = 0);
