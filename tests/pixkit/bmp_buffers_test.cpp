#include "pixkit/pixkit.h"

#include "bmp_samples.h"

#include <gtest/gtest.h>

#include <string>

using namespace pixkit_test;

namespace {

constexpr std::size_t kHead = 1064;

// An 8-bit bottom-up DIB whose pixel (x, y from the top) is (x + 7 * y) mod 256, in a buffer
// of exactly its own size so that reading past it is caught by the sanitizers.
Bytes makeDib(int width, int height)
{
    const Bytes bmp = makeBmp(width, height, 8, [](int x, int y) {
        return std::array<unsigned char, 3>{static_cast<unsigned char>((x + 7 * y) & 0xFF), 0, 0};
    });
    return Bytes(bmp.begin() + 14, bmp.end());
}

unsigned char dibPixel(const Bytes& dib, int x, int yFromTop)
{
    const int width = i32(&dib[4]);
    const int height = i32(&dib[8]);
    return dib[kHead + stride(width, 8) * static_cast<std::size_t>(height - 1 - yFromTop) +
               static_cast<std::size_t>(x)];
}

} // namespace

TEST(OrientarBuffer, ReversesTheRows)
{
    std::string odd = "AAAABBBBCCCC";
    EXPECT_EQ(OrientarBuffer(reinterpret_cast<unsigned char*>(odd.data()), 4, 3), 0);
    EXPECT_EQ(odd, "CCCCBBBBAAAA");
    std::string even = "ABCD";
    EXPECT_EQ(OrientarBuffer(reinterpret_cast<unsigned char*>(even.data()), 1, 4), 0);
    EXPECT_EQ(even, "DCBA");
    EXPECT_EQ(OrientarBuffer(nullptr, 1, 1), -1);
    EXPECT_EQ(OrientarBuffer(reinterpret_cast<unsigned char*>(even.data()), 1, -1), -1);
}

TEST(Img2Bmp, NegativeSizesAreTakenAsAbsoluteAndTheHeadIsGrey)
{
    Bytes pixels(24);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(i + 1);
    Bytes dib(kHead + 24, 0xEE);
    ASSERT_EQ(Img2Bmp(pixels.data(), dib.data(), -7, -3), 0);
    EXPECT_EQ(u32(&dib[0]), 40u);
    EXPECT_EQ(i32(&dib[4]), 7);
    EXPECT_EQ(i32(&dib[8]), 3);
    EXPECT_EQ(u16(&dib[12]), 1);
    EXPECT_EQ(u16(&dib[14]), 8);
    EXPECT_EQ(u32(&dib[16]), 0u);
    EXPECT_EQ(u32(&dib[20]), 24u); // stride 8 x 3 rows
    EXPECT_EQ(i32(&dib[24]), 19685);
    EXPECT_EQ(i32(&dib[28]), 19685);
    EXPECT_EQ(u32(&dib[32]), 0u);
    EXPECT_EQ(u32(&dib[36]), 0u);
    for (int i = 0; i < 256; ++i) {
        const unsigned char* e = &dib[40 + 4 * i];
        ASSERT_TRUE(e[0] == i && e[1] == i && e[2] == i && e[3] == 0) << i;
    }
    EXPECT_EQ(Bytes(dib.begin() + kHead, dib.end()), pixels);

    Bytes palette(1024, 0xEE);
    ASSERT_EQ(GeneraPaletaGrises(palette.data()), 0);
    EXPECT_EQ(Bytes(dib.begin() + 40, dib.begin() + kHead), palette);
}

// The crop: the box top-down, x1 and y1 exclusive, clamped to the image and to 640 x 480.
TEST(RecortaBMP, BoxesClampsAndRefusals)
{
    struct Case
    {
        int width, height, x0, y0, x1, y1;
        int result, outWidth, outHeight;
    };
    const Case cases[] = {
        {1000, 800, 0, 0, 1000, 800, 0, 640, 480}, // clamped to 640 x 480
        {30, 20, 5, 3, 12, 9, 0, 7, 6},            // inside
        {30, 20, 25, 15, 99, 99, 0, 5, 5},         // clamped to the image: the last columns
        {30, 20, 29, 0, 30, 1, 0, 1, 1},           // one pixel at the right edge
        {30, 20, 4, 0, 4, 10, -2, 0, 0},           // x0 = x1
        {30, 20, 0, 5, 10, 5, -2, 0, 0},           // y0 = y1
        {30, 20, -1, 0, 10, 10, -2, 0, 0},         // x0 < 0
        {30, 20, 0, -3, 10, 10, -2, 0, 0},         // y0 < 0
        {30, 20, 0, 0, -5, 10, -2, 0, 0},          // x1 < 0
        {30, 20, 31, 0, 40, 10, -2, 0, 0},         // the box right of the image
        {700, 500, 650, 0, 700, 10, -2, 0, 0},     // right of the 640 limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " box " << c.x0 << "," << c.y0 << "-"
                                        << c.x1 << "," << c.y1);
        const Bytes source = makeDib(c.width, c.height);
        Bytes out(source.size(), 0xEE);
        ASSERT_EQ(RecortaBMP(source.data(), out.data(), c.x0, c.y0, c.x1, c.y1), c.result);
        if (c.result != 0) {
            EXPECT_EQ(out, Bytes(source.size(), 0xEE)); // nothing written
            continue;
        }
        const std::size_t outStride = stride(c.outWidth, 8);
        EXPECT_EQ(i32(&out[4]), c.outWidth);
        EXPECT_EQ(i32(&out[8]), c.outHeight);
        EXPECT_EQ(u32(&out[20]), outStride * static_cast<std::size_t>(c.outHeight));
        EXPECT_EQ(Bytes(out.begin() + 40, out.begin() + kHead),
                  Bytes(source.begin() + 40, source.begin() + kHead));
        for (int y = 0; y < c.outHeight; ++y) {
            for (int x = 0; x < c.outWidth; ++x)
                ASSERT_EQ(dibPixel(out, x, y), dibPixel(source, c.x0 + x, c.y0 + y)) << x << "," << y;
            // The row ends hold nothing of the source.
            const std::size_t rowStart = kHead + outStride * static_cast<std::size_t>(c.outHeight - 1 - y);
            for (std::size_t pad = static_cast<std::size_t>(c.outWidth); pad < outStride; ++pad)
                ASSERT_EQ(out[rowStart + pad], 0) << "padding of row " << y;
        }
    }
}

TEST(RecortaBMP, TopDownSourceAndNon8BitRefused)
{
    // The same picture stored top-down crops to the same bottom-up result.
    const Bytes bottomUp = makeDib(9, 6);
    Bytes topDown = bottomUp;
    put32(&topDown[8], static_cast<std::uint32_t>(-6));
    ASSERT_EQ(OrientarBuffer(topDown.data() + kHead, static_cast<int>(stride(9, 8)), 6), 0);
    Bytes a(bottomUp.size()), b(bottomUp.size());
    ASSERT_EQ(RecortaBMP(bottomUp.data(), a.data(), 2, 1, 7, 5), 0);
    ASSERT_EQ(RecortaBMP(topDown.data(), b.data(), 2, 1, 7, 5), 0);
    EXPECT_EQ(a, b);

    Bytes wrongDepth = bottomUp;
    put16(&wrongDepth[14], 24);
    EXPECT_EQ(RecortaBMP(wrongDepth.data(), a.data(), 0, 0, 2, 2), -1);
}
