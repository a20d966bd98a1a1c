#include "klv_inet/support/jpeg_bmp.h"

#include "platform/folders/folders.h"

#include "pixkit/pixkit.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace klv {
namespace {

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
    // The image library reads the header first: the size of the BMP image it will make.
    const int needed = BmpSize(jpeg, 24, int(length), 0);
    if (needed <= int(kHeaders))
        return false;
    std::vector<uint8_t> out(static_cast<size_t>(needed));
    int size = needed;
    // A picture that does not decode is a failure, never a black picture.
    if (Jpg2Bmp(nullptr, jpeg, 24, int(length), nullptr, out.data(), &size) != 0 || size != needed)
        return false;
    int width = 0, height = 0;
    if (!BmpImageSize(out.data(), out.size(), &width, &height) || width <= 0 || width > kMaxJpegSide ||
        height == 0 || height > kMaxJpegSide || height < -kMaxJpegSide)
        return false;
    *bmp = std::move(out);
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
