#include "pixkit/bmp_format.h"

#include <limits>

namespace pixkit {

std::uint16_t getU16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t getI32(const unsigned char* p)
{
    return static_cast<std::int32_t>(getU32(p));
}

void putU16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void putU32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

void putI32(unsigned char* p, std::int32_t v)
{
    putU32(p, static_cast<std::uint32_t>(v));
}

std::optional<std::uint64_t> rowStride(std::int64_t width, std::int64_t bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0 || width > static_cast<std::int64_t>(kMaxImageBytes) ||
        bitsPerPixel > 64)
        return std::nullopt;
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
    const std::uint64_t stride = ((bits + 31) / 32) * 4;
    if (stride > kMaxImageBytes)
        return std::nullopt;
    return stride;
}

std::optional<std::uint64_t> pixelBytes(std::int64_t width, std::int64_t height, std::int64_t bitsPerPixel)
{
    const auto stride = rowStride(width, bitsPerPixel);
    if (!stride)
        return std::nullopt;
    const std::uint64_t rows =
        height < 0 ? static_cast<std::uint64_t>(-height) : static_cast<std::uint64_t>(height);
    if (rows > kMaxImageBytes)
        return std::nullopt;
    const std::uint64_t total = *stride * rows; // both below 2^31: no overflow
    if (total > kMaxImageBytes)
        return std::nullopt;
    return total;
}

InfoHeader readInfoHeader(const unsigned char* p)
{
    InfoHeader h;
    h.size = getU32(p);
    h.width = getI32(p + 4);
    h.height = getI32(p + 8);
    h.planes = getU16(p + 12);
    h.bitCount = getU16(p + 14);
    h.compression = getU32(p + 16);
    h.sizeImage = getU32(p + 20);
    return h;
}

std::optional<BmpLayout> inspectBmp(const unsigned char* data, std::size_t available)
{
    constexpr std::uint32_t kBiRgb = 0;
    constexpr std::uint32_t kBiBitfields = 3;
    if (data == nullptr || available < kRgbPixelOffset || getU16(data) != kBmpMagic)
        return std::nullopt;
    BmpLayout layout;
    layout.fileSize = getU32(data + 2);
    layout.pixelOffset = getU32(data + 10);
    if (layout.fileSize < kRgbPixelOffset || layout.fileSize > available || layout.fileSize > kMaxImageBytes)
        return std::nullopt;
    layout.info = readInfoHeader(data + kFileHeaderSize);
    const InfoHeader& info = layout.info;
    if (info.size < kInfoHeaderSize || info.size > layout.fileSize - kFileHeaderSize)
        return std::nullopt;
    if (info.width <= 0 || info.height == 0 || info.height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    switch (info.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    if (layout.pixelOffset < kFileHeaderSize + info.size || layout.pixelOffset > layout.fileSize)
        return std::nullopt;
    layout.topDown = info.height < 0;
    layout.absHeight = static_cast<std::uint32_t>(layout.topDown ? -info.height : info.height);
    const std::uint64_t room = layout.fileSize - layout.pixelOffset;
    if (info.compression == kBiRgb || info.compression == kBiBitfields) {
        const auto stride = rowStride(info.width, info.bitCount);
        const auto bytes = pixelBytes(info.width, info.height, info.bitCount);
        if (!stride || !bytes || *bytes > room)
            return std::nullopt;
        layout.stride = *stride;
    } else if (info.sizeImage > room) {
        return std::nullopt;
    }
    return layout;
}

void writeGreyPalette(unsigned char* palette)
{
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<unsigned char>(i);
        palette[4 * i + 3] = 0;
    }
}

} // namespace pixkit
