#include "pixkit/jpeg_convert.h"

#include "pixkit/bmp_format.h"

#include <cstring>

namespace pixkit {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::int32_t kJpegPelsPerMeter = 1;

} // namespace

std::optional<std::vector<unsigned char>> bmpToJpeg(const unsigned char* bmp, std::size_t available,
                                                    int quality)
{
    const auto layout = inspectBmp(bmp, available);
    if (!layout || layout->info.compression != kBiRgb ||
        (layout->info.bitCount != 24 && layout->info.bitCount != 8))
        return std::nullopt;
    RowLayout rows;
    rows.width = layout->info.width;
    rows.height = static_cast<int>(layout->absHeight);
    rows.stride = static_cast<std::size_t>(layout->stride);
    rows.channels = layout->info.bitCount == 24 ? 3 : 1;
    rows.bottomUp = !layout->topDown;
    return encodeJpeg(bmp + layout->pixelOffset, rows, quality);
}

std::optional<std::uint64_t> bmpImageSize(const JpegInfo& info, int bitsPerPixel)
{
    if (bitsPerPixel != 24 && bitsPerPixel != 8)
        return std::nullopt;
    const auto pixels = pixelBytes(info.width, info.height, bitsPerPixel);
    if (!pixels)
        return std::nullopt;
    const std::uint64_t total = *pixels + (bitsPerPixel == 24 ? kRgbPixelOffset : kGreyPixelOffset);
    if (total > kMaxImageBytes)
        return std::nullopt;
    return total;
}

std::optional<std::vector<unsigned char>> jpegToBmp(const unsigned char* jpeg, std::size_t length,
                                                    int bitsPerPixel)
{
    const auto info = readJpegInfo(jpeg, length);
    if (!info)
        return std::nullopt;
    const auto size = bmpImageSize(*info, bitsPerPixel);
    if (!size)
        return std::nullopt;
    const std::size_t offset = bitsPerPixel == 24 ? kRgbPixelOffset : kGreyPixelOffset;
    std::vector<unsigned char> image(static_cast<std::size_t>(*size), 0);
    unsigned char* p = image.data();
    putU16(p, kBmpMagic);
    putU32(p + 2, static_cast<std::uint32_t>(*size));
    putU32(p + 10, static_cast<std::uint32_t>(offset));
    unsigned char* info40 = p + kFileHeaderSize;
    putU32(info40, kInfoHeaderSize);
    putI32(info40 + 4, info->width);
    putI32(info40 + 8, info->height);
    putU16(info40 + 12, 1);
    putU16(info40 + 14, static_cast<std::uint16_t>(bitsPerPixel));
    putI32(info40 + 24, kJpegPelsPerMeter);
    putI32(info40 + 28, kJpegPelsPerMeter);
    if (bitsPerPixel == 8)
        writeGreyPalette(p + kRgbPixelOffset);

    RowLayout rows;
    rows.width = info->width;
    rows.height = info->height;
    rows.stride = static_cast<std::size_t>(*rowStride(info->width, bitsPerPixel));
    rows.channels = bitsPerPixel == 24 ? 3 : 1;
    rows.bottomUp = true;
    if (!decodeJpeg(jpeg, length, rows, p + offset))
        return std::nullopt;
    return image;
}

} // namespace pixkit
