#include "klv_inet/support/qr_code.h"

#include <qrencode.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kHeaders = kFileHeader + kInfoHeader;

struct SymbolFree
{
    void operator()(QRcode* code) const { QRcode_free(code); }
};

struct Free
{
    void operator()(unsigned char* p) const { std::free(p); }
};

void put16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

void writeHeaders(unsigned char* h, std::uint32_t side, std::uint32_t pixelBytes)
{
    std::memset(h, 0, kHeaders);
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, pixelBytes + static_cast<std::uint32_t>(kHeaders));
    put32(h + 10, static_cast<std::uint32_t>(kHeaders));
    put32(h + 14, static_cast<std::uint32_t>(kInfoHeader));
    put32(h + 18, side);
    put32(h + 22, side);
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 34, pixelBytes);
}

bool writeFile(const char* name, const unsigned char* headers, const unsigned char* pixels,
               std::size_t pixelBytes)
{
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr)
        return false;
    const bool written = std::fwrite(headers, 1, kHeaders, f) == kHeaders &&
                         std::fwrite(pixels, 1, pixelBytes, f) == pixelBytes;
    const bool closed = std::fclose(f) == 0;
    if (written && closed)
        return true;
    std::remove(name);
    return false;
}

} // namespace

int QRCode_KLV(const char* text, const char* bmpFileName, unsigned char** buffer, std::uint32_t* size,
               std::uint32_t colour, std::uint16_t moduleSize, int, int, int, int)
{
    if (text == nullptr || moduleSize == 0 || moduleSize > kQrMaxModuleSize)
        return 0;
    const std::unique_ptr<QRcode, SymbolFree> symbol(
        QRcode_encodeString(text, 0, QR_ECLEVEL_H, QR_MODE_8, 1));
    if (!symbol || symbol->width <= 0 || symbol->data == nullptr)
        return 0;

    // Sizes in 64 bits: a symbol is at most 177 modules wide, the module side is bounded, so
    // nothing here can overflow before the check against the picture limit.
    const std::uint64_t modules = static_cast<std::uint64_t>(symbol->width);
    const std::uint64_t side = modules * moduleSize;
    const std::uint64_t rowBytes = (side * 3 + 3) / 4 * 4;
    const std::uint64_t pixelBytes = rowBytes * side;
    if (pixelBytes > kQrMaxPixelBytes)
        return 0;

    const std::unique_ptr<unsigned char, Free> pixels(static_cast<unsigned char*>(std::malloc(pixelBytes)));
    if (!pixels)
        return 0;
    std::memset(pixels.get(), 0xFF, pixelBytes);
    const unsigned char blue = static_cast<unsigned char>((colour >> 16) & 0xFF);
    const unsigned char green = static_cast<unsigned char>((colour >> 8) & 0xFF);
    const unsigned char red = static_cast<unsigned char>(colour & 0xFF);
    for (std::uint64_t y = 0; y < modules; ++y) {
        for (std::uint64_t x = 0; x < modules; ++x) {
            if ((symbol->data[y * modules + x] & 1) == 0)
                continue;
            // Module row y counts from the symbol's top; stored rows count from the bottom.
            for (std::uint64_t dy = 0; dy < moduleSize; ++dy) {
                const std::uint64_t storedRow = side - 1 - (y * moduleSize + dy);
                unsigned char* p = pixels.get() + storedRow * rowBytes + x * moduleSize * 3;
                for (std::uint64_t dx = 0; dx < moduleSize; ++dx, p += 3) {
                    p[0] = blue;
                    p[1] = green;
                    p[2] = red;
                }
            }
        }
    }

    unsigned char headers[kHeaders];
    writeHeaders(headers, static_cast<std::uint32_t>(side), static_cast<std::uint32_t>(pixelBytes));
    if (bmpFileName != nullptr && *bmpFileName != '\0' &&
        !writeFile(bmpFileName, headers, pixels.get(), static_cast<std::size_t>(pixelBytes)))
        return 0;
    if (buffer != nullptr && size != nullptr) {
        const std::size_t total = static_cast<std::size_t>(pixelBytes) + kHeaders;
        auto* image = static_cast<unsigned char*>(std::calloc(total, 1));
        if (image == nullptr) {
            *size = 0;
            return 0;
        }
        std::memcpy(image, headers, kHeaders);
        std::memcpy(image + kHeaders, pixels.get(), static_cast<std::size_t>(pixelBytes));
        *buffer = image;
        *size = static_cast<std::uint32_t>(total);
    }
    return 1;
}
