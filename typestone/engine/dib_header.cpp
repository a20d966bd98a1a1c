#include "typestone/engine/dib_header.h"

#include <limits>

namespace typestone {

namespace {

std::uint32_t u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::size_t kHeaders = 54;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

} // namespace

DibCheck checkDib(const unsigned char* bytes, std::size_t length, DibLayout* layout)
{
    if (bytes == nullptr || length < 2)
        return DibCheck::Short;
    if (bytes[0] != 'B' || bytes[1] != 'M')
        return DibCheck::NotBmp;
    if (length < kHeaders)
        return DibCheck::Short;
    DibLayout l;
    l.fileSize = u32(bytes + 2);
    l.pixelOffset = u32(bytes + 10);
    const std::uint32_t infoSize = u32(bytes + 14);
    l.width = static_cast<std::int32_t>(u32(bytes + 18));
    l.height = static_cast<std::int32_t>(u32(bytes + 22));
    l.bitCount = u16(bytes + 28);
    l.compression = u32(bytes + 30);
    const std::uint32_t sizeImage = u32(bytes + 34);
    if (l.fileSize < kHeaders || l.fileSize > length || infoSize < 40 || infoSize > l.fileSize - 14)
        return DibCheck::BadSizes;
    if (l.width <= 0 || l.height == 0 || l.height == std::numeric_limits<std::int32_t>::min())
        return DibCheck::BadSizes;
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return DibCheck::BadSizes;
    }
    if (l.pixelOffset < 14 + infoSize || l.pixelOffset > l.fileSize)
        return DibCheck::BadSizes;
    const std::uint64_t room = l.fileSize - l.pixelOffset;
    const std::uint64_t rows = l.height < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(l.height))
                                            : static_cast<std::uint64_t>(l.height);
    if (l.compression == kBiRgb || l.compression == kBiBitfields) {
        // width < 2^31 and at most 32 bits: the stride fits 64 bits, and so does the product
        // with rows < 2^31 once the stride is known to fit the room.
        const std::uint64_t stride = (static_cast<std::uint64_t>(l.width) * l.bitCount + 31) / 32 * 4;
        if (stride > room || stride * rows > room)
            return DibCheck::BadSizes;
        l.stride = static_cast<std::size_t>(stride);
    } else if (sizeImage > room) {
        return DibCheck::BadSizes;
    }
    if (layout != nullptr)
        *layout = l;
    return DibCheck::Ok;
}

} // namespace typestone
