// The BMP file functions of pixkit: reading whole files or their headers, and writing DIBs and
// BMP images as files.

#include "pixkit/pixkit.h"

#include "pixkit/bmp_format.h"
#include "pixkit/file_io.h"

#include <array>
#include <cstring>

using namespace pixkit;

namespace {

// The checked layout of a BMP file; its headers are read first, so a file that lies about
// its sizes is refused before anything is copied.
std::optional<BmpLayout> inspectFile(InputFile& file)
{
    std::array<unsigned char, kRgbPixelOffset> head{};
    if (!file.isOpen() || file.length() < head.size() || !file.readAt(0, head.data(), head.size()))
        return std::nullopt;
    return inspectBmp(head.data(), static_cast<std::size_t>(file.length()));
}

// LeeBmp24 and LeeBmp8: the whole file of one depth.
int readWholeBmp(const char* path, unsigned char* out, size_t capacity, std::uint16_t bitCount,
                 std::uint64_t minLength)
{
    if (out == nullptr)
        return -1;
    InputFile file(path);
    if (file.length() < minLength)
        return -1;
    const auto layout = inspectFile(file);
    if (!layout || layout->info.bitCount != bitCount || layout->fileSize > capacity)
        return -1;
    return file.readAt(0, out, layout->fileSize) ? 0 : -1;
}

} // namespace

extern "C" {

int LeeBmp(const char* path, unsigned char* out, size_t capacity)
{
    if (out == nullptr)
        return -1;
    InputFile file(path);
    const auto layout = inspectFile(file);
    if (!layout)
        return -1;
    const std::size_t count = layout->fileSize - kFileHeaderSize;
    if (count > capacity)
        return -1;
    return file.readAt(kFileHeaderSize, out, count) ? 0 : -1;
}

int LeeBmp24(const char* path, unsigned char* out, size_t capacity)
{
    return readWholeBmp(path, out, capacity, 24, kRgbPixelOffset);
}

int LeeBmp8(const char* path, unsigned char* out, size_t capacity)
{
    return readWholeBmp(path, out, capacity, 8, kGreyPixelOffset);
}

int LeeInfoGenBmp(const char* path, int* bitsPerPixel, int* width, int* height, int* imageSize, int* fileSize)
{
    for (int* p : {bitsPerPixel, width, height, imageSize, fileSize})
        if (p != nullptr)
            *p = -1;
    InputFile file(path);
    const auto layout = inspectFile(file);
    if (!layout)
        return -1;
    if (bitsPerPixel != nullptr)
        *bitsPerPixel = layout->info.bitCount;
    if (width != nullptr)
        *width = layout->info.width;
    if (height != nullptr)
        *height = layout->info.height;
    if (imageSize != nullptr)
        *imageSize = static_cast<int>(layout->info.sizeImage);
    if (fileSize != nullptr)
        *fileSize = static_cast<int>(layout->fileSize);
    return 0;
}

int SaveBmp(const char* path, const unsigned char* dib)
{
    if (dib == nullptr)
        return -1;
    const InfoHeader info = readInfoHeader(dib);
    if (info.bitCount != 8)
        return -1;
    std::uint64_t imageBytes = info.sizeImage;
    if (imageBytes == 0) {
        const auto computed = pixelBytes(info.width, info.height, 8);
        if (!computed)
            return -1;
        imageBytes = *computed;
    }
    if (imageBytes + kGreyPixelOffset > kMaxImageBytes)
        return -1;
    std::array<unsigned char, kFileHeaderSize> header{};
    putU16(header.data(), kBmpMagic);
    putU32(header.data() + 2, static_cast<std::uint32_t>(imageBytes + kGreyPixelOffset));
    putU32(header.data() + 10, static_cast<std::uint32_t>(kGreyPixelOffset));
    return writeWholeFile(path, {{header.data(), header.size()},
                                 {dib, static_cast<std::size_t>(imageBytes + kDibHeadSize)}})
               ? 0
               : -1;
}

int SaveBmp8(const char* path, const unsigned char* bmp)
{
    if (bmp == nullptr || getU16(bmp) != kBmpMagic)
        return -1;
    const std::uint32_t size = getU32(bmp + 2);
    if (size < kRgbPixelOffset || size > kMaxImageBytes)
        return -1;
    return writeWholeFile(path, {{bmp, size}}) ? 0 : -1;
}

// The same function under its second name.
int SaveBmp24(const char* path, const unsigned char* bmp) __attribute__((alias("SaveBmp8")));

} // extern "C"
