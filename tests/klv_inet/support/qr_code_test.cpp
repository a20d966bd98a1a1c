#include "klv_inet/support/qr_code.h"

#include "temp_env.h"

#include "platform/draw/image_dc.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <qrencode.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct Freer
{
    void operator()(unsigned char* p) const { std::free(p); }
};
using Image = std::unique_ptr<unsigned char, Freer>;

std::uint32_t u32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Made
{
    Image image;
    std::uint32_t size = 0;
    int result = 0;
};

Made make(const char* text, std::uint32_t colour, std::uint16_t module, const char* file = nullptr)
{
    Made m;
    unsigned char* buffer = nullptr;
    m.result = QRCode_KLV(text, file, &buffer, &m.size, colour, module);
    m.image.reset(buffer);
    return m;
}

// The pixel of the picture at (x, y) counted from its top left, as {blue, green, red}.
std::array<unsigned char, 3> pixelAt(const unsigned char* bmp, int x, int y)
{
    const int side = static_cast<int>(u32(bmp + 18));
    const int rowBytes = (side * 3 + 3) / 4 * 4;
    const unsigned char* p = bmp + 54 + static_cast<std::size_t>(side - 1 - y) * rowBytes + 3 * x;
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(QRCode_KLV, SizesOfTheImage)
{
    struct Case
    {
        const char* text;
        std::uint16_t module;
        std::uint32_t side, rowBytes;
    };
    const Case cases[] = {
        {"abc", 8, 168, 504}, // version 1: 21 modules
        {"abc", 1, 21, 64},   // 63 bytes padded to 64
        {"abc", 3, 63, 192},  // 189 padded to 192
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        Made m = make(c.text, 0, c.module);
        ASSERT_EQ(m.result, 1);
        const unsigned char* b = m.image.get();
        const std::uint32_t pixelBytes = c.rowBytes * c.side;
        EXPECT_EQ(m.size, pixelBytes + 54);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(u32(b + 2), pixelBytes + 54);
        EXPECT_EQ(u32(b + 6), 0u);
        EXPECT_EQ(u32(b + 10), 54u);
        EXPECT_EQ(u32(b + 14), 40u);
        EXPECT_EQ(u32(b + 18), c.side);
        EXPECT_EQ(u32(b + 22), c.side);
        EXPECT_EQ(b[26] | (b[27] << 8), 1);
        EXPECT_EQ(b[28] | (b[29] << 8), 24);
        EXPECT_EQ(u32(b + 30), 0u);
        EXPECT_EQ(u32(b + 34), pixelBytes);
        for (int off = 38; off < 54; off += 4)
            EXPECT_EQ(u32(b + off), 0u);
        // The fill bytes at the row ends stay white.
        for (std::uint32_t row = 0; row < c.side; ++row)
            for (std::uint32_t pad = c.side * 3; pad < c.rowBytes; ++pad)
                ASSERT_EQ(b[54 + row * c.rowBytes + pad], 0xFF);
    }
    EXPECT_EQ(make("abc", 0, 8).size, 84726u);
}

// Every module as libqrencode itself lays out the symbol, the top module row at the top of
// the picture (not mirrored), dark modules in the colour's blue, green and red bytes.
TEST(QRCode_KLV, ModulesMatchTheEncodersMatrix)
{
    const char* text = "Typestone QR 0123456789 https://example.test/a?b=c";
    const std::uint16_t module = 4;
    const std::uint32_t colour = 0x00336699; // red 0x99, green 0x66, blue 0x33
    Made m = make(text, colour, module);
    ASSERT_EQ(m.result, 1);
    std::unique_ptr<QRcode, void (*)(QRcode*)> ref(QRcode_encodeString(text, 0, QR_ECLEVEL_H, QR_MODE_8, 1),
                                                   QRcode_free);
    ASSERT_TRUE(ref);
    ASSERT_EQ(u32(m.image.get() + 18), static_cast<std::uint32_t>(ref->width * module));
    const std::array<unsigned char, 3> dark{0x33, 0x66, 0x99}, light{0xFF, 0xFF, 0xFF};
    for (int y = 0; y < ref->width; ++y)
        for (int x = 0; x < ref->width; ++x) {
            const bool isDark = ref->data[y * ref->width + x] & 1;
            for (int dy : {0, module - 1})
                for (int dx : {0, module - 1})
                    ASSERT_EQ(pixelAt(m.image.get(), x * module + dx, y * module + dy), isDark ? dark : light)
                        << "module " << x << "," << y;
        }
}

TEST(QRCode_KLV, FileAndBufferOutputs)
{
    TempEnv env;
    const std::string file = (env.dir() / "qr.bmp").string();
    Made both = make("abc", 0, 8, file.c_str());
    ASSERT_EQ(both.result, 1);
    EXPECT_EQ(std::filesystem::file_size(file), 84726u);
    EXPECT_EQ(readFile(file), std::string(reinterpret_cast<const char*>(both.image.get()), both.size));

    // Only a file: no buffer is made.
    EXPECT_EQ(QRCode_KLV("abc", file.c_str(), nullptr, nullptr, 0, 8), 1);
    // Only a buffer: no file is touched.
    std::filesystem::remove(file);
    Made onlyBuffer = make("abc", 0, 2);
    EXPECT_EQ(onlyBuffer.result, 1);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(pixelAt(onlyBuffer.image.get(), 0, 0),
              (std::array<unsigned char, 3>{0, 0, 0})); // finder corner

    // A file that cannot be created: 0, and no buffer is handed out.
    unsigned char* buffer = nullptr;
    std::uint32_t size = 7;
    EXPECT_EQ(QRCode_KLV("abc", (env.dir() / "no/such/qr.bmp").c_str(), &buffer, &size, 0, 8), 0);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 7u);
}

TEST(QRCode_KLV, RefusedTextsAndSizes)
{
    const std::string tooLong(1300, 'x'); // level H holds at most 1273 bytes
    const std::string large(1200, 'y');   // version 40: 177 modules
    struct Case
    {
        const char* what;
        const char* text;
        std::uint16_t module;
    };
    const Case cases[] = {
        {"empty text", "", 8},
        {"null text", nullptr, 8},
        {"text too long for level H", tooLong.c_str(), 1},
        {"module size 0", "abc", 0},
        {"module size above the bound", "abc", 256},
        {"picture above the bound", large.c_str(), 40}, // 7080 x 7080 pixels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unsigned char* buffer = nullptr;
        std::uint32_t size = 5;
        EXPECT_EQ(QRCode_KLV(c.text, nullptr, &buffer, &size, 0, c.module), 0);
        EXPECT_EQ(buffer, nullptr);
    }
    // Large modules still work for a small symbol within the picture bound.
    EXPECT_EQ(make("abc", 0, 200).result, 1);
}

// The picture drawn on a page through the device context reads back as the text.
TEST(QRCode_KLV, RenderedPageDecodesToTheText)
{
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbarimg.isEmpty())
        GTEST_SKIP() << "zbarimg (zbar-tools) is not installed";
    const char* text = "Typestone QR 12345 page test";
    Made m = make(text, 0x00000000, 6);
    ASSERT_EQ(m.result, 1);
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(m.image.get(), static_cast<int>(m.size), "BMP"));

    platform::draw::ImageDc dc(platform::draw::ImageDc::capsFor(1000, 800, 300));
    const int side = picture.width();
    dc.drawImage({200, 150, 200 + side, 150 + side}, picture);
    TempEnv env;
    const QString png = QString::fromStdString((env.dir() / "page.png").string());
    ASSERT_TRUE(dc.image().save(png, "PNG"));

    QProcess zbar;
    zbar.start(zbarimg, {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-Sdisable"),
                         QStringLiteral("-Sqrcode.enable"), png});
    ASSERT_TRUE(zbar.waitForFinished(30000));
    EXPECT_EQ(zbar.exitCode(), 0) << zbar.readAllStandardError().toStdString();
    EXPECT_EQ(zbar.readAllStandardOutput().trimmed().toStdString(), text);
}
