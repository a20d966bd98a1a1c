#pragma once
// JPEG to a 24-bit BMP image in memory (a complete BMP file: 14-byte file header, 40-byte
// information header, bottom-up rows of blue, green, red padded to four bytes).
//
// The decoding goes through the image library pixkit (Jpg2Bmp).

#include "klv_inet/support/klv_export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klv {

// The largest picture decoded, in pixels per side.
inline constexpr int kMaxJpegSide = 8192;

// Decodes JPEG bytes into *bmp; false (and *bmp empty) when the bytes are not a JPEG picture
// that decodes whole.
KLV_EXPORT bool JpegToBmp(const uint8_t* jpeg, size_t length, std::vector<uint8_t>* bmp);

// Width and height from a BMP image's information header; false when it is too short.
KLV_EXPORT bool BmpImageSize(const uint8_t* bmp, size_t size, int* width, int* height);

} // namespace klv

// The library's entry points: the image is allocated with malloc and freed by the caller with
// free(). 1 on success, 0 on failure (nothing allocated then).
KLV_EXPORT int JPEG_2_Mem(const uint8_t* jpeg, size_t length, uint8_t** image, size_t* size);
// A name without '/' is looked for in the program's data folder.
KLV_EXPORT int JPEG_2_Mem(const char* fileName, uint8_t** image, size_t* size);
// The path JPEG_2_Mem reads for a file name.
KLV_EXPORT std::string JpegFilePath(const char* fileName);
