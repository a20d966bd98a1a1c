#include "typestone/engine/pcx_decoder.h"

#include <new>
#include <vector>

namespace typestone {

namespace {

constexpr std::size_t kHeader = 128;
constexpr std::size_t kPalette256 = 769; // the marker 0x0C and 256 x {red, green, blue}

std::uint16_t u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Run-length decoding of `planes` of `rowBytes` per row into `out`; false when the data
// ends first.
bool unpack(const unsigned char* data, std::size_t length, bool encoded, std::vector<unsigned char>& out)
{
    std::size_t at = 0;
    std::size_t filled = 0;
    while (filled < out.size()) {
        if (at >= length)
            return false;
        unsigned char b = data[at++];
        std::size_t count = 1;
        if (encoded && (b & 0xC0) == 0xC0) {
            count = b & 0x3F;
            if (at >= length)
                return false;
            b = data[at++];
        }
        // A run may cross the end of a row (many writers do that), not the end of the picture.
        for (; count > 0 && filled < out.size(); --count)
            out[filled++] = b;
    }
    return true;
}

} // namespace

QImage decodePcx(const unsigned char* bytes, std::size_t length)
{
    if (bytes == nullptr || length < kHeader || bytes[0] != 0x0A || bytes[2] > 1)
        return QImage();
    const bool encoded = bytes[2] == 1;
    const int bits = bytes[3];
    const int xMin = u16(bytes + 4), yMin = u16(bytes + 6), xMax = u16(bytes + 8), yMax = u16(bytes + 10);
    const int planes = bytes[65];
    const std::size_t rowBytes = u16(bytes + 66);
    if (xMax < xMin || yMax < yMin)
        return QImage();
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    const bool mono = bits == 1 && planes == 1;
    const bool planar16 = bits == 1 && planes == 4;
    const bool packed16 = bits == 4 && planes == 1;
    const bool indexed256 = bits == 8 && planes == 1;
    const bool trueColour = bits == 8 && planes == 3;
    if (!(mono || planar16 || packed16 || indexed256 || trueColour))
        return QImage();
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kPcxMaxPixels)
        return QImage();
    if (rowBytes * 8 < static_cast<std::size_t>(width) * static_cast<std::size_t>(bits))
        return QImage();

    // The 256-colour palette lies behind the pixels; without its marker the levels are grey.
    const unsigned char* palette256 = nullptr;
    std::size_t dataEnd = length;
    if (indexed256 && length >= kHeader + kPalette256 && bytes[length - kPalette256] == 0x0C) {
        palette256 = bytes + length - kPalette256 + 1;
        dataEnd = length - kPalette256;
    }

    const std::size_t scanLine = rowBytes * static_cast<std::size_t>(planes);
    // What the data can hold at most, before anything is allocated for the picture: a run of
    // two bytes gives at most 63 pixel bytes, plain data one each. A short file that names a
    // large picture ends early anyway, so it is refused without allocating for it.
    const std::uint64_t available = dataEnd - kHeader;
    const std::uint64_t mostBytes = encoded ? available * 32u : available;
    if (static_cast<std::uint64_t>(scanLine) * static_cast<std::uint64_t>(height) > mostBytes)
        return QImage();
    std::vector<unsigned char> pixels;
    try {
        pixels.resize(scanLine * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return QImage();
    }
    if (!unpack(bytes + kHeader, dataEnd - kHeader, encoded, pixels))
        return QImage();

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    const unsigned char* palette16 = bytes + 16;
    auto colour16 = [&](int index) {
        const unsigned char* c = palette16 + 3 * index;
        return qRgb(c[0], c[1], c[2]);
    };
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = pixels.data() + static_cast<std::size_t>(y) * scanLine;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::size_t byte = static_cast<std::size_t>(x) / 8;
            const int bit = 7 - x % 8;
            if (mono) {
                line[x] = (row[byte] >> bit) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            } else if (planar16) {
                int index = 0;
                for (int p = 0; p < 4; ++p)
                    index |= ((row[static_cast<std::size_t>(p) * rowBytes + byte] >> bit) & 1) << p;
                line[x] = colour16(index);
            } else if (packed16) {
                const unsigned char b = row[static_cast<std::size_t>(x) / 2];
                line[x] = colour16(x % 2 == 0 ? b >> 4 : b & 0x0F);
            } else if (indexed256) {
                const unsigned char v = row[x];
                line[x] = palette256 != nullptr
                              ? qRgb(palette256[3 * v], palette256[3 * v + 1], palette256[3 * v + 2])
                              : qRgb(v, v, v);
            } else {
                line[x] = qRgb(row[x], row[rowBytes + static_cast<std::size_t>(x)],
                               row[2 * rowBytes + static_cast<std::size_t>(x)]);
            }
        }
    }
    return image;
}

} // namespace typestone
