#pragma once
// The JPEG codec behind pixkit, over libjpeg-turbo's TurboJPEG interface: the roles of a
// codec's init and free (a handle per call), reading a JPEG's parameters, reading the whole
// image into BMP rows and writing BMP rows as a JPEG.

#include <cstddef>
#include <optional>
#include <vector>

namespace pixkit {

// The layout of BMP pixel rows handed to or taken from the codec.
struct RowLayout
{
    int width = 0;
    int height = 0;         // rows, always positive
    std::size_t stride = 0; // bytes per row, padding included
    int channels = 3;       // 3: blue, green, red; 1: grey levels
    bool bottomUp = true;   // the first row in memory is the picture's bottom row
};

struct JpegInfo
{
    int width = 0;
    int height = 0;
};

// The JPEG's width and height, read from its headers; nullopt when they cannot be read or are
// not positive.
std::optional<JpegInfo> readJpegInfo(const unsigned char* jpeg, std::size_t length);

// Decodes the whole JPEG into `rows` (rows.height x rows.stride bytes at `pixels`, of the
// JPEG's own size). A damaged stream that still gives a picture (as a truncated one, whose
// missing part is grey) is decoded; false when the decoder fails outright.
bool decodeJpeg(const unsigned char* jpeg, std::size_t length, const RowLayout& rows, unsigned char* pixels);

// The JPEG of the rows at `quality` (1 to 100), always with three colour channels (grey rows
// give a colour JPEG with grey pixels); nullopt when the encoder fails.
std::optional<std::vector<unsigned char>> encodeJpeg(const unsigned char* pixels, const RowLayout& rows,
                                                     int quality);

} // namespace pixkit
