#include "klv_inet/support/jpeg_bmp.h"

#include "platform/folders/folders.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace klv {
namespace {

void putLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + size_t(i)] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t getLe(const uint8_t* in, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint32_t(in[i]) << (8 * i);
    return value;
}

constexpr size_t kHeaders = 14 + 40;

} // namespace

bool JpegToBmp(const uint8_t* jpeg, size_t length, std::vector<uint8_t>* bmp)
{
    if (!bmp)
        return false;
    bmp->clear();
    if (!jpeg || length < 4 || length > size_t(INT32_MAX) || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return false;
    QByteArray bytes(reinterpret_cast<const char*>(jpeg), static_cast<qsizetype>(length));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxJpegSide || size.height() > kMaxJpegSide)
        return false;
    QImage image;
    // A picture that does not decode whole is a failure, never a black or partial picture.
    if (!reader.read(&image) || image.isNull() || image.size() != size)
        return false;
    image = image.convertToFormat(QImage::Format_RGB888);

    const uint32_t width = uint32_t(image.width());
    const uint32_t height = uint32_t(image.height());
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t total = kHeaders + stride * height;
    bmp->assign(total, 0);
    (*bmp)[0] = 'B';
    (*bmp)[1] = 'M';
    putLe(*bmp, 2, uint32_t(total), 4);
    putLe(*bmp, 10, uint32_t(kHeaders), 4);
    putLe(*bmp, 14, 40, 4);
    putLe(*bmp, 18, width, 4);
    putLe(*bmp, 22, height, 4);
    putLe(*bmp, 26, 1, 2);
    putLe(*bmp, 28, 24, 2);
    putLe(*bmp, 34, uint32_t(stride * height), 4);
    putLe(*bmp, 38, 2835, 4); // 72 dpi
    putLe(*bmp, 42, 2835, 4);
    for (uint32_t y = 0; y < height; ++y) {
        const uchar* src = image.constScanLine(int(y));
        uint8_t* row = bmp->data() + kHeaders + stride * (height - 1 - y);
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x] = src[3 * x + 2];
            row[3 * x + 1] = src[3 * x + 1];
            row[3 * x + 2] = src[3 * x];
        }
    }
    return true;
}

bool BmpImageSize(const uint8_t* bmp, size_t size, int* width, int* height)
{
    if (!bmp || size < kHeaders || !width || !height)
        return false;
    *width = static_cast<int32_t>(getLe(bmp + 18, 4));
    *height = static_cast<int32_t>(getLe(bmp + 22, 4));
    return true;
}

} // namespace klv

int JPEG_2_Mem(const uint8_t* jpeg, size_t length, uint8_t** image, size_t* size)
{
    if (!image || !size)
        return 0;
    *image = nullptr;
    *size = 0;
    std::vector<uint8_t> bmp;
    if (!klv::JpegToBmp(jpeg, length, &bmp))
        return 0;
    auto* out = static_cast<uint8_t*>(std::malloc(bmp.size()));
    if (!out)
        return 0;
    std::memcpy(out, bmp.data(), bmp.size());
    *image = out;
    *size = bmp.size();
    return 1;
}

std::string JpegFilePath(const char* fileName)
{
    if (!fileName || !*fileName)
        return std::string();
    const std::string name = fileName;
    if (name.find('/') != std::string::npos)
        return name;
    return platform::folders::dataDir() + "/" + name;
}

int JPEG_2_Mem(const char* fileName, uint8_t** image, size_t* size)
{
    if (!image || !size)
        return 0;
    *image = nullptr;
    *size = 0;
    const std::string path = JpegFilePath(fileName);
    if (path.empty())
        return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    // A logo is small; anything beyond this is not read.
    constexpr std::streamsize kMaxFile = 64 * 1024 * 1024;
    std::vector<uint8_t> bytes(static_cast<size_t>(kMaxFile) + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), kMaxFile + 1);
    const std::streamsize got = in.gcount();
    if (got <= 0 || got > kMaxFile)
        return 0;
    return JPEG_2_Mem(bytes.data(), static_cast<size_t>(got), image, size);
}
