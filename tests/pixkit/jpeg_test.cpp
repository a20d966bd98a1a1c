#include "pixkit/pixkit.h"

#include "bmp_samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace pixkit_test;

namespace {

Bytes toJpeg(const Bytes& bmp, int quality = 90)
{
    Bytes jpeg(1 << 20);
    int length = static_cast<int>(jpeg.size());
    EXPECT_EQ(Bmp2Jpg(nullptr, bmp.data(), quality, nullptr, jpeg.data(), &length), 0);
    jpeg.resize(static_cast<std::size_t>(std::max(length, 0)));
    return jpeg;
}

Bytes toBmp(const Bytes& jpeg, int bits)
{
    int size = BmpSize(jpeg.data(), bits, static_cast<int>(jpeg.size()), -5);
    EXPECT_GT(size, 0);
    Bytes bmp(static_cast<std::size_t>(std::max(size, 0)));
    EXPECT_EQ(Jpg2Bmp(nullptr, jpeg.data(), bits, static_cast<int>(jpeg.size()), nullptr, bmp.data(), &size),
              0);
    EXPECT_EQ(static_cast<std::size_t>(size), bmp.size());
    return bmp;
}

// The mean absolute difference of the pixel bytes of two BMP images of one layout.
double meanDifference(const Bytes& a, const Bytes& b, std::size_t offset)
{
    EXPECT_EQ(a.size(), b.size());
    double sum = 0;
    for (std::size_t i = offset; i < a.size() && i < b.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size() - offset);
}

// Changes the working folder for the life of the object.
class InFolder
{
public:
    explicit InFolder(const std::filesystem::path& path) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~InFolder() { std::filesystem::current_path(m_old); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    std::filesystem::path m_old;
};

} // namespace

TEST(JpegConversion, SizesOfTheDecodedImage)
{
    const Bytes jpeg = toJpeg(makeBmp(10, 5, 24, gradient));
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(BmpSize(jpeg.data(), 24, static_cast<int>(jpeg.size()), 0), 5 * (30 + 2) + 54);
    EXPECT_EQ(BmpSize(jpeg.data(), 8, static_cast<int>(jpeg.size()), 0), 5 * (10 + 2) + 1078);
    EXPECT_EQ(BmpSize(jpeg.data(), 16, static_cast<int>(jpeg.size()), 33), 33);

    const Bytes b24 = toBmp(jpeg, 24);
    ASSERT_EQ(b24.size(), 214u);
    EXPECT_EQ(u16(&b24[0]), 0x4D42);
    EXPECT_EQ(u32(&b24[2]), 214u);
    EXPECT_EQ(u32(&b24[10]), 54u);
    EXPECT_EQ(u32(&b24[14]), 40u);
    EXPECT_EQ(i32(&b24[18]), 10);
    EXPECT_EQ(i32(&b24[22]), 5);
    EXPECT_EQ(u16(&b24[26]), 1);
    EXPECT_EQ(u16(&b24[28]), 24);
    EXPECT_EQ(u32(&b24[30]), 0u);
    EXPECT_EQ(u32(&b24[34]), 0u);
    EXPECT_EQ(i32(&b24[38]), 1);
    EXPECT_EQ(i32(&b24[42]), 1);

    const Bytes b8 = toBmp(jpeg, 8);
    ASSERT_EQ(b8.size(), 1138u);
    EXPECT_EQ(u32(&b8[10]), 1078u);
    EXPECT_EQ(u16(&b8[28]), 8);
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(b8[54 + 4 * i] == i && b8[55 + 4 * i] == i && b8[56 + 4 * i] == i && b8[57 + 4 * i] == 0);
}

TEST(JpegConversion, RoundTripsStayWithinATolerance)
{
    // 24 bits, bottom-up, a width whose rows are padded.
    const Bytes b24 = makeBmp(37, 21, 24, gradient);
    const Bytes back24 = toBmp(toJpeg(b24), 24);
    EXPECT_LT(meanDifference(b24, back24, 54), 3.0);

    // Grey 8 bits.
    const Bytes b8 = makeBmp(23, 17, 8, [](int x, int y) {
        return std::array<unsigned char, 3>{static_cast<unsigned char>(30 + 5 * x + 3 * y), 0, 0};
    });
    const Bytes back8 = toBmp(toJpeg(b8), 8);
    EXPECT_LT(meanDifference(b8, back8, 1078), 3.0);

    // A top-down picture comes back bottom-up with the same pixels.
    Bytes topDown = b24;
    put32(&topDown[22], static_cast<std::uint32_t>(-21));
    ASSERT_EQ(OrientarBuffer(topDown.data() + 54, static_cast<int>(stride(37, 24)), 21), 0);
    EXPECT_LT(meanDifference(b24, toBmp(toJpeg(topDown), 24), 54), 3.0);

    // Files on both sides.
    ScratchDir dir;
    writeBytes(dir.file("in.bmp"), b24);
    int length = 0;
    ASSERT_EQ(Bmp2Jpg(dir.file("in.bmp").c_str(), nullptr, 90, dir.file("out.jpg").c_str(), nullptr, &length),
              0);
    EXPECT_EQ(static_cast<std::size_t>(length), std::filesystem::file_size(dir.file("out.jpg")));
    int size = 0;
    ASSERT_EQ(
        Jpg2Bmp(dir.file("out.jpg").c_str(), nullptr, 24, 0, dir.file("back.bmp").c_str(), nullptr, &size),
        0);
    EXPECT_EQ(size, static_cast<int>(b24.size()));
    EXPECT_LT(meanDifference(b24, readBytes(dir.file("back.bmp")), 54), 3.0);
}

TEST(JpegConversion, BadArgumentsAndBadBytesFail)
{
    ScratchDir dir;
    const Bytes bmp = makeBmp(8, 8, 24, gradient);
    writeBytes(dir.file("in.bmp"), bmp);
    for (int quality : {0, 101}) {
        int length = 0;
        EXPECT_EQ(Bmp2Jpg(dir.file("in.bmp").c_str(), bmp.data(), quality, dir.file("q.jpg").c_str(), nullptr,
                          &length),
                  -1);
        EXPECT_FALSE(std::filesystem::exists(dir.file("q.jpg")));
    }
    int length = 0;
    EXPECT_EQ(Bmp2Jpg(nullptr, nullptr, 75, dir.file("n.jpg").c_str(), nullptr, &length), -1);
    // Only 24 and 8 bits are converted.
    Bytes b16 = bmp;
    put16(&b16[28], 16);
    EXPECT_EQ(Bmp2Jpg(nullptr, b16.data(), 75, dir.file("d.jpg").c_str(), nullptr, &length), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("d.jpg")));

    const Bytes jpeg = toJpeg(bmp);
    int size = 4096;
    Bytes out(4096, 0xEE);
    EXPECT_EQ(Jpg2Bmp(nullptr, jpeg.data(), 16, static_cast<int>(jpeg.size()), nullptr, out.data(), &size),
              -1);
    EXPECT_EQ(Jpg2Bmp(nullptr, nullptr, 24, 0, nullptr, out.data(), &size), -1);
    EXPECT_EQ(Jpg2Bmp(dir.file("missing.jpg").c_str(), nullptr, 24, 0, nullptr, out.data(), &size), -1);
    // Bytes that are no JPEG, and a JPEG cut before its image data.
    const Bytes notJpeg(300, 0x42);
    EXPECT_EQ(
        Jpg2Bmp(nullptr, notJpeg.data(), 24, static_cast<int>(notJpeg.size()), nullptr, out.data(), &size),
        -1);
    EXPECT_EQ(BmpSize(notJpeg.data(), 24, static_cast<int>(notJpeg.size()), 77), 77);
    const Bytes cut(jpeg.begin(), jpeg.begin() + 100);
    EXPECT_EQ(Jpg2Bmp(nullptr, cut.data(), 24, static_cast<int>(cut.size()), dir.file("cut.bmp").c_str(),
                      out.data(), &size),
              -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.bmp")));
    EXPECT_EQ(size, 4096);
    EXPECT_EQ(out, Bytes(4096, 0xEE));
}

TEST(JpegConversion, SmallOutputBuffersAreNotOverrun)
{
    const Bytes jpeg = toJpeg(makeBmp(10, 5, 24, gradient));
    Bytes out(213, 0xEE);
    int size = 213; // one byte short of the 214-byte image
    EXPECT_EQ(Jpg2Bmp(nullptr, jpeg.data(), 24, static_cast<int>(jpeg.size()), nullptr, out.data(), &size),
              -1);
    EXPECT_EQ(size, 214);
    EXPECT_EQ(out, Bytes(213, 0xEE));

    Bytes small(10, 0xEE);
    int length = 10;
    EXPECT_EQ(Bmp2Jpg(nullptr, makeBmp(10, 5, 24, gradient).data(), 90, nullptr, small.data(), &length), -1);
    EXPECT_EQ(length, static_cast<int>(jpeg.size()));
    EXPECT_EQ(small, Bytes(10, 0xEE));
}

TEST(JpegConversion, ConversionsInMemoryLeaveNoFileBehind)
{
    ScratchDir dir;
    InFolder here(dir.path());
    const Bytes bmp = makeBmp(12, 9, 24, gradient);
    const Bytes jpeg = toJpeg(bmp);
    const Bytes back = toBmp(jpeg, 24);
    EXPECT_EQ(back.size(), bmp.size());
    EXPECT_EQ(BmpSize(jpeg.data(), 8, static_cast<int>(jpeg.size()), 0), 9 * 12 + 1078);
    EXPECT_TRUE(dir.entries().empty());
}

// Two conversions at once no longer meet in a shared temporary file.
TEST(JpegConversion, ParallelConversionsKeepTheirOwnPictures)
{
    const Bytes red = makeBmp(16, 16, 24, [](int, int) { return std::array<unsigned char, 3>{0, 0, 250}; });
    const Bytes blue = makeBmp(16, 16, 24, [](int, int) { return std::array<unsigned char, 3>{250, 0, 0}; });
    Bytes a, b;
    std::thread t([&] {
        for (int i = 0; i < 20; ++i)
            a = toBmp(toJpeg(red), 24);
    });
    for (int i = 0; i < 20; ++i)
        b = toBmp(toJpeg(blue), 24);
    t.join();
    EXPECT_LT(meanDifference(a, red, 54), 4.0);
    EXPECT_LT(meanDifference(b, blue, 54), 4.0);
}
