#include "pixkit/pixkit.h"

#include "bmp_samples.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

using namespace pixkit_test;

namespace {

Bytes sample24()
{
    return makeBmp(5, 3, 24, gradient);
}

Bytes sample8()
{
    return makeBmp(6, 4, 8, [](int x, int y) {
        return std::array<unsigned char, 3>{static_cast<unsigned char>(x * 40 + y), 0, 0};
    });
}

} // namespace

TEST(BmpFiles, GoodFilesAreReadWhole)
{
    ScratchDir dir;
    const Bytes b24 = sample24();
    const Bytes b8 = sample8();
    writeBytes(dir.file("a24.bmp"), b24);
    writeBytes(dir.file("a8.bmp"), b8);

    int bpp = 0, w = 0, h = 0, image = 0, size = 0;
    ASSERT_EQ(LeeInfoGenBmp(dir.file("a24.bmp").c_str(), &bpp, &w, &h, &image, &size), 0);
    EXPECT_EQ(bpp, 24);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(image, 48);
    EXPECT_EQ(size, 54 + 48);

    Bytes out(b24.size());
    ASSERT_EQ(LeeBmp24(dir.file("a24.bmp").c_str(), out.data(), out.size()), 0);
    EXPECT_EQ(out, b24);
    Bytes out8(b8.size());
    ASSERT_EQ(LeeBmp8(dir.file("a8.bmp").c_str(), out8.data(), out8.size()), 0);
    EXPECT_EQ(out8, b8);
    // Each depth reader takes its own depth only.
    EXPECT_EQ(LeeBmp8(dir.file("a24.bmp").c_str(), out.data(), out.size()), -1);
    EXPECT_EQ(LeeBmp24(dir.file("a8.bmp").c_str(), out8.data(), out8.size()), -1);

    // LeeBmp gives what follows the file header.
    Bytes dib(b8.size() - 14);
    ASSERT_EQ(LeeBmp(dir.file("a8.bmp").c_str(), dib.data(), dib.size()), 0);
    EXPECT_EQ(dib, Bytes(b8.begin() + 14, b8.end()));
}

TEST(BmpFiles, BufferTooSmallIsRefusedUntouched)
{
    ScratchDir dir;
    const Bytes b24 = sample24();
    writeBytes(dir.file("a.bmp"), b24);
    Bytes out(b24.size() - 1, 0xEE);
    EXPECT_EQ(LeeBmp24(dir.file("a.bmp").c_str(), out.data(), out.size()), -1);
    EXPECT_EQ(LeeBmp(dir.file("a.bmp").c_str(), out.data(), b24.size() - 15), -1);
    EXPECT_EQ(out, Bytes(b24.size() - 1, 0xEE));
}

// Files whose headers do not match what is in them: every reader refuses them, and the
// header reader leaves all its outputs at -1.
TEST(BmpFiles, MalformedFilesAreRefused)
{
    struct Case
    {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"53 bytes", [](Bytes& b) { b.resize(53); }},
        {"bfSize larger than the file",
         [](Bytes& b) { put32(&b[2], static_cast<std::uint32_t>(b.size() + 1)); }},
        {"truncated pixels", [](Bytes& b) { b.resize(b.size() - 1); }},
        {"wrong magic", [](Bytes& b) { b[1] = 'A'; }},
        {"bfOffBits past the end", [](Bytes& b) { put32(&b[10], static_cast<std::uint32_t>(b.size() + 4)); }},
        {"bfOffBits inside the headers", [](Bytes& b) { put32(&b[10], 20); }},
        {"width 0", [](Bytes& b) { put32(&b[18], 0); }},
        {"negative width", [](Bytes& b) { put32(&b[18], static_cast<std::uint32_t>(-5)); }},
        {"height 0", [](Bytes& b) { put32(&b[22], 0); }},
        {"rows beyond the file", [](Bytes& b) { put32(&b[22], 4); }},
        {"huge width", [](Bytes& b) { put32(&b[18], 0x7FFFFFFF); }},
        {"huge height", [](Bytes& b) { put32(&b[22], 0x40000000); }},
        {"bit count 7", [](Bytes& b) { put16(&b[28], 7); }},
        {"info header of 12 bytes", [](Bytes& b) { put32(&b[14], 12); }},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = sample24();
        c.damage(b);
        const std::string path = dir.file("bad.bmp");
        writeBytes(path, b);
        int v[5] = {7, 7, 7, 7, 7};
        EXPECT_EQ(LeeInfoGenBmp(path.c_str(), &v[0], &v[1], &v[2], &v[3], &v[4]), -1);
        for (int x : v)
            EXPECT_EQ(x, -1);
        Bytes out(4096, 0xEE);
        EXPECT_EQ(LeeBmp24(path.c_str(), out.data(), out.size()), -1);
        EXPECT_EQ(LeeBmp(path.c_str(), out.data(), out.size()), -1);
        EXPECT_EQ(out, Bytes(4096, 0xEE));
        int length = 0;
        EXPECT_EQ(Bmp2Jpg(path.c_str(), nullptr, 75, dir.file("bad.jpg").c_str(), nullptr, &length), -1);
        EXPECT_FALSE(std::filesystem::exists(dir.file("bad.jpg")));
    }
    Bytes out(16);
    EXPECT_EQ(LeeBmp(dir.file("missing.bmp").c_str(), out.data(), out.size()), -1);
    EXPECT_EQ(LeeBmp8(dir.path().c_str(), out.data(), out.size()), -1); // a folder
}

TEST(BmpFiles, TopDownFilesAreRead)
{
    ScratchDir dir;
    Bytes b = sample24();
    put32(&b[22], static_cast<std::uint32_t>(-3));
    writeBytes(dir.file("td.bmp"), b);
    int bpp = 0, w = 0, h = 0, image = 0, size = 0;
    ASSERT_EQ(LeeInfoGenBmp(dir.file("td.bmp").c_str(), &bpp, &w, &h, &image, &size), 0);
    EXPECT_EQ(h, -3); // as stored
    Bytes out(b.size());
    EXPECT_EQ(LeeBmp24(dir.file("td.bmp").c_str(), out.data(), out.size()), 0);
}

TEST(SaveBmp, WritesTheDibAsAFileAndComputesAMissingSize)
{
    ScratchDir dir;
    const Bytes bmp = sample8(); // 6 x 4: stride 8, 32 pixel bytes
    Bytes dib(bmp.begin() + 14, bmp.end());
    put32(&dib[20], 0); // biSizeImage 0: the size comes from width and height
    ASSERT_EQ(SaveBmp(dir.file("s.bmp").c_str(), dib.data()), 0);
    const Bytes file = readBytes(dir.file("s.bmp"));
    ASSERT_EQ(file.size(), 1078u + 32u);
    EXPECT_EQ(u16(&file[0]), 0x4D42);
    EXPECT_EQ(u32(&file[2]), 1078u + 32u);
    EXPECT_EQ(u32(&file[6]), 0u);
    EXPECT_EQ(u32(&file[10]), 1078u);
    EXPECT_EQ(Bytes(file.begin() + 14, file.end()), dib);

    EXPECT_EQ(SaveBmp(dir.file("no/such/folder.bmp").c_str(), dib.data()), -1);
    put16(&dib[14], 24);
    EXPECT_EQ(SaveBmp(dir.file("t.bmp").c_str(), dib.data()), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("t.bmp")));
}

TEST(SaveBmp8, WritesTheWholeImageUnderBothNames)
{
    ScratchDir dir;
    const Bytes b24 = sample24();
    ASSERT_EQ(SaveBmp24(dir.file("a.bmp").c_str(), b24.data()), 0);
    EXPECT_EQ(readBytes(dir.file("a.bmp")), b24);
    const Bytes b8 = sample8();
    ASSERT_EQ(SaveBmp8(dir.file("b.bmp").c_str(), b8.data()), 0);
    EXPECT_EQ(readBytes(dir.file("b.bmp")), b8);
    EXPECT_EQ(SaveBmp8(dir.file("no/such/b.bmp").c_str(), b8.data()), -1);
    Bytes notBmp = b8;
    notBmp[0] = 'X';
    EXPECT_EQ(SaveBmp8(dir.file("c.bmp").c_str(), notBmp.data()), -1);
}
