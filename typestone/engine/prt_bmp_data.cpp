#include "typestone/engine/prt_bmp_data.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace typestone {

namespace {

std::uint32_t u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

std::optional<std::span<const unsigned char>> PRT_BMP_DATA::inlineBytes() const
{
    if (dwLength > tail.size())
        return std::nullopt;
    return tail.first(dwLength);
}

std::string PRT_BMP_DATA::fileName() const
{
    const auto end = std::find(tail.begin(), tail.end(), static_cast<unsigned char>(0));
    return std::string(tail.begin(), end);
}

PRT_BMP_DATA parsePrtBmpData(const unsigned char* block, std::size_t length)
{
    if (block == nullptr)
        length = 0;
    std::array<unsigned char, kPrtBmpDataHead> head{};
    if (length > 0)
        std::memcpy(head.data(), block, std::min(length, head.size()));
    PRT_BMP_DATA d;
    d.dwOptions = u32(&head[0]);
    d.units = u32(&head[4]);
    d.x = static_cast<std::int32_t>(u32(&head[8]));
    d.y = static_cast<std::int32_t>(u32(&head[12]));
    d.width = static_cast<std::int32_t>(u32(&head[16]));
    d.height = static_cast<std::int32_t>(u32(&head[20]));
    d.rotation = static_cast<std::uint16_t>(head[24] | (head[25] << 8));
    d.dwLength = u32(&head[26]);
    if (length > kPrtBmpDataHead)
        d.tail = std::span<const unsigned char>(block + kPrtBmpDataHead, length - kPrtBmpDataHead);
    return d;
}

} // namespace typestone
