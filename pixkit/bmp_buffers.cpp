// The buffer functions of pixkit: flipping rows, building grey DIBs, cropping and the grey
// palette.

#include "pixkit/pixkit.h"

#include "pixkit/bmp_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace pixkit;

namespace {

constexpr std::int32_t kPelsPerMeter = 19685; // 500 dpi
constexpr int kCropMaxWidth = 640;
constexpr int kCropMaxHeight = 480;

std::int64_t absolute(int v)
{
    return v < 0 ? -static_cast<std::int64_t>(v) : v;
}

std::uint64_t greyStride(std::int64_t width)
{
    return static_cast<std::uint64_t>((width + 3) / 4 * 4);
}

} // namespace

extern "C" {

int OrientarBuffer(unsigned char* buffer, int rowBytes, int rows)
{
    if (buffer == nullptr || rowBytes < 0 || rows < 0)
        return -1;
    const std::size_t row = static_cast<std::size_t>(rowBytes);
    for (std::size_t top = 0, bottom = static_cast<std::size_t>(rows); top + 1 < bottom; ++top, --bottom)
        std::swap_ranges(buffer + top * row, buffer + (top + 1) * row, buffer + (bottom - 1) * row);
    return 0;
}

int Img2Bmp(const unsigned char* pixels, unsigned char* dib, int width, int height)
{
    if (pixels == nullptr || dib == nullptr)
        return -1;
    const std::int64_t w = absolute(width);
    const std::int64_t h = absolute(height);
    const std::uint64_t stride = greyStride(w);
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(h); // both < 2^32
    if (imageBytes + kDibHeadSize > kMaxImageBytes)
        return -1;
    std::memset(dib, 0, kInfoHeaderSize);
    putU32(dib, kInfoHeaderSize);
    putI32(dib + 4, static_cast<std::int32_t>(w));
    putI32(dib + 8, static_cast<std::int32_t>(h));
    putU16(dib + 12, 1);
    putU16(dib + 14, 8);
    putU32(dib + 20, static_cast<std::uint32_t>(imageBytes));
    putI32(dib + 24, kPelsPerMeter);
    putI32(dib + 28, kPelsPerMeter);
    writeGreyPalette(dib + kInfoHeaderSize);
    std::memcpy(dib + kDibHeadSize, pixels, static_cast<std::size_t>(imageBytes));
    return 0;
}

int RecortaBMP(const unsigned char* source, unsigned char* out, int x0, int y0, int x1, int y1)
{
    if (source == nullptr || out == nullptr)
        return -1;
    const InfoHeader info = readInfoHeader(source);
    if (info.bitCount != 8 || info.width <= 0 || info.height == 0 || !pixelBytes(info.width, info.height, 8))
        return -1;
    const bool topDown = info.height < 0;
    const int height = static_cast<int>(absolute(info.height));
    x1 = std::min({x1, info.width, kCropMaxWidth});
    y1 = std::min({y1, height, kCropMaxHeight});
    if (x0 >= x1 || x0 < 0 || x1 < 0 || y0 >= y1 || y0 < 0 || y1 < 0)
        return -2;
    const std::size_t sourceStride = static_cast<std::size_t>(greyStride(info.width));
    const std::size_t cropWidth = static_cast<std::size_t>(x1 - x0);
    const std::size_t outStride = static_cast<std::size_t>(greyStride(x1 - x0));
    const int rows = y1 - y0;

    // The head first (the source's, with the new sizes), then the rows bottom-up: out row i is
    // the picture's row y1 - 1 - i counted from the top. Only the box's own pixels are copied;
    // the row ends are zero.
    std::memmove(out, source, kDibHeadSize);
    putI32(out + 4, x1 - x0);
    putI32(out + 8, rows);
    putU32(out + 20, static_cast<std::uint32_t>(outStride * static_cast<std::size_t>(rows)));
    const unsigned char* sourcePixels = source + kDibHeadSize;
    unsigned char* outPixels = out + kDibHeadSize;
    for (int i = 0; i < rows; ++i) {
        const int pictureRow = y1 - 1 - i;
        const int storedRow = topDown ? pictureRow : height - 1 - pictureRow;
        const unsigned char* from = sourcePixels + static_cast<std::size_t>(storedRow) * sourceStride + x0;
        unsigned char* to = outPixels + static_cast<std::size_t>(i) * outStride;
        std::memmove(to, from, cropWidth);
        std::memset(to + cropWidth, 0, outStride - cropWidth);
    }
    return 0;
}

int GeneraPaletaGrises(unsigned char* palette)
{
    if (palette == nullptr)
        return -1;
    writeGreyPalette(palette);
    return 0;
}

} // extern "C"
