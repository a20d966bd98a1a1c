// The JPEG functions of pixkit: Bmp2Jpg, Jpg2Bmp and BmpSize. Conversions run in memory; the
// only files touched are the ones the caller names.

#include "pixkit/pixkit.h"

#include "pixkit/bmp_format.h"
#include "pixkit/file_io.h"
#include "pixkit/jpeg_convert.h"

#include <cstring>
#include <new>

using namespace pixkit;

namespace {

using Bytes = std::vector<unsigned char>;

// Hands a finished image to the caller: to the named file, and into the caller's buffer
// whose capacity `*length` gives on entry. `*length` becomes the image's size, also when the
// buffer is too small for it (-1 then).
int deliver(const Bytes& image, const char* path, unsigned char* buffer, int* length)
{
    if (path != nullptr && *path != '\0' && !writeWholeFile(path, {{image.data(), image.size()}}))
        return -1;
    if (buffer != nullptr) {
        if (length == nullptr || *length < 0 || static_cast<std::size_t>(*length) < image.size()) {
            if (length != nullptr)
                *length = static_cast<int>(image.size());
            return -1;
        }
        std::memcpy(buffer, image.data(), image.size());
    }
    if (length != nullptr)
        *length = static_cast<int>(image.size());
    return 0;
}

int bmp2Jpg(const char* bmpPath, const unsigned char* bmp, int quality, const char* jpgPath,
            unsigned char* jpg, int* jpgLength)
{
    if (quality < 1 || quality > 100)
        return -1;
    const bool fromFile = bmpPath != nullptr && *bmpPath != '\0';
    if (!fromFile && bmp == nullptr)
        return -1;
    // The caller's capacity is read once: the second conversion may not take the first one's
    // length for it.
    const int capacity = jpgLength != nullptr ? *jpgLength : 0;
    int result = 0;
    if (fromFile) {
        const auto file = readWholeFile(bmpPath, kMaxImageBytes);
        const auto jpeg = file ? bmpToJpeg(file->data(), file->size(), quality) : std::nullopt;
        int length = capacity;
        if (!jpeg || deliver(*jpeg, jpgPath, jpg, &length) != 0)
            result = -1;
        if (jpgLength != nullptr && jpeg)
            *jpgLength = length;
    }
    if (bmp != nullptr) {
        // A BMP image in memory is as long as its own header says.
        const std::size_t available = getU16(bmp) == kBmpMagic ? getU32(bmp + 2) : 0;
        const auto jpeg = bmpToJpeg(bmp, available, quality);
        int length = capacity;
        if (!jpeg || deliver(*jpeg, jpgPath, jpg, &length) != 0)
            result = -1;
        if (jpgLength != nullptr && jpeg)
            *jpgLength = length;
    }
    return result;
}

int jpg2Bmp(const char* jpgPath, const unsigned char* jpg, int bitsPerPixel, int jpgLength,
            const char* bmpPath, unsigned char* bmp, int* bmpSize)
{
    if (bitsPerPixel != 24 && bitsPerPixel != 8)
        return -1;
    const bool fromFile = jpgPath != nullptr && *jpgPath != '\0';
    const bool fromMemory = jpg != nullptr && jpgLength > 0;
    if (!fromFile && !fromMemory)
        return -1;
    const int capacity = bmpSize != nullptr ? *bmpSize : 0;
    int result = 0;
    auto convert = [&](const unsigned char* bytes, std::size_t length) {
        const auto image = jpegToBmp(bytes, length, bitsPerPixel);
        int size = capacity;
        if (!image || deliver(*image, bmpPath, bmp, &size) != 0)
            result = -1;
        if (bmpSize != nullptr && image)
            *bmpSize = size;
    };
    if (fromFile) {
        const auto file = readWholeFile(jpgPath, kMaxImageBytes);
        if (file)
            convert(file->data(), file->size());
        else
            result = -1;
    }
    if (fromMemory)
        convert(jpg, static_cast<std::size_t>(jpgLength));
    return result;
}

} // namespace

// No exception leaves the library: a conversion that runs out of memory is a failure.
extern "C" {

int Bmp2Jpg(const char* bmpPath, const unsigned char* bmp, int quality, const char* jpgPath,
            unsigned char* jpg, int* jpgLength)
{
    try {
        return bmp2Jpg(bmpPath, bmp, quality, jpgPath, jpg, jpgLength);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int Jpg2Bmp(const char* jpgPath, const unsigned char* jpg, int bitsPerPixel, int jpgLength,
            const char* bmpPath, unsigned char* bmp, int* bmpSize)
{
    try {
        return jpg2Bmp(jpgPath, jpg, bitsPerPixel, jpgLength, bmpPath, bmp, bmpSize);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int BmpSize(const unsigned char* jpg, int bitsPerPixel, int jpgLength, int size)
{
    if (jpg == nullptr || jpgLength <= 0)
        return size;
    const auto info = readJpegInfo(jpg, static_cast<std::size_t>(jpgLength));
    const auto bytes = info ? bmpImageSize(*info, bitsPerPixel) : std::nullopt;
    return bytes ? static_cast<int>(*bytes) : size;
}

} // extern "C"
