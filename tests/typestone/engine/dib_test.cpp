#include "typestone/engine/dib.h"

#include "tests/pixkit/bmp_samples.h"

#include "platform/draw/image_dc.h"
#include "platform/draw/recording_dc.h"
#include "platform/fileio/file.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QBuffer>
#include <QByteArray>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace pixkit_test;
using typestone::CDib;

namespace {

class DibTest : public testing::Test
{
protected:
    void SetUp() override { platform::ui::setBridge(m_ui); }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    std::vector<std::string> boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& call : m_ui->calls())
            if (call.kind == platform::ui::ScriptedUiBridge::Call::Kind::MessageBox)
                texts.push_back(call.box.text);
        return texts;
    }

    std::shared_ptr<platform::ui::ScriptedUiBridge> m_ui = std::make_shared<platform::ui::ScriptedUiBridge>();
};

// Distinct colours per pixel: blue = 10 x + 1, green = 20 y + 2, red = 99.
std::array<unsigned char, 3> distinct(int x, int y)
{
    return {static_cast<unsigned char>(10 * x + 1), static_cast<unsigned char>(20 * y + 2), 99};
}

// The picture's pixel at (x, y from the top) of a bottom-up 24-bit BMP image.
std::array<unsigned char, 3> pixel24(const unsigned char* bmp, int x, int yFromTop)
{
    const int w = i32(bmp + 18), h = i32(bmp + 22);
    const unsigned char* p =
        bmp + u32(bmp + 10) + stride(w, 24) * static_cast<std::size_t>(h - 1 - yFromTop) + 3 * x;
    return {p[0], p[1], p[2]};
}

constexpr std::array<unsigned char, 3> kBlackPixel{0, 0, 0};

} // namespace

TEST_F(DibTest, LoadsGood8And24BitFilesAndDrawsThem)
{
    ScratchDir dir;
    const Bytes b24 = makeBmp(5, 3, 24, distinct);
    const Bytes b8 = makeBmp(6, 4, 8, [](int x, int y) {
        return std::array<unsigned char, 3>{static_cast<unsigned char>(40 * x + y), 0, 0};
    });
    writeBytes(dir.file("c.bmp"), b24);
    writeBytes(dir.file("g.bmp"), b8);

    CDib dib;
    int w = 0, h = 0;
    EXPECT_FALSE(dib.width(w));
    EXPECT_FALSE(dib.draw(*std::make_unique<platform::draw::RecordingDc>(), 0, 0));

    ASSERT_TRUE(dib.loadFile(dir.file("c.bmp")));
    EXPECT_EQ(dib.bitsPerPixel(), 24);
    EXPECT_EQ(dib.length(), b24.size());
    ASSERT_TRUE(dib.width(w) && dib.height(h));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    platform::draw::RecordingDc rec;
    EXPECT_TRUE(dib.draw(rec, 10, 20));
    EXPECT_TRUE(dib.stretch(rec, 0, 0, 50, 30));
    EXPECT_FALSE(dib.stretch(rec, 0, 0, 0, 30));
    EXPECT_EQ(rec.lines(), (std::vector<std::string>{"image 10,20,15,23 5x3", "image 0,0,50,30 5x3"}));

    // The pixels land where they belong, colours as stored.
    platform::draw::ImageDc page(platform::draw::ImageDc::capsFor(20, 20));
    ASSERT_TRUE(dib.draw(page, 2, 3));
    const QImage& img = page.image();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const auto px = distinct(x, y);
            ASSERT_EQ(img.pixel(2 + x, 3 + y), qRgb(px[2], px[1], px[0])) << x << "," << y;
        }

    platform::fileio::File file;
    ASSERT_TRUE(file.openRead(dir.file("g.bmp")));
    ASSERT_TRUE(dib.loadFile(file));
    EXPECT_EQ(dib.bitsPerPixel(), 8);
    ASSERT_TRUE(dib.width(w) && dib.height(h));
    EXPECT_EQ(w, 6);
    EXPECT_EQ(h, 4);
    ASSERT_TRUE(dib.draw(page, 0, 0));
    EXPECT_EQ(page.image().pixel(3, 2), qRgb(122, 122, 122)); // grey level 40 x 3 + 2

    ASSERT_TRUE(dib.loadMemory(b24.data(), b24.size()));
    EXPECT_EQ(dib.bitsPerPixel(), 24);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(DibTest, DamagedFilesLeaveItEmptyWithTheirMessage)
{
    const std::string readError = "Error al leer el fichero .bmp";
    const std::string notBm = "Tipo del fichero no válido. Debe ser BM";
    struct Case
    {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::string message;
    };
    const Case cases[] = {
        {"truncated", [](Bytes& b) { b.resize(b.size() - 10); }, readError},
        {"only the magic", [](Bytes& b) { b.resize(2); }, readError},
        {"wrong magic", [](Bytes& b) { b[0] = 'X'; }, notBm},
        {"bfSize beyond the file", [](Bytes& b) { put32(&b[2], 100000); }, readError},
        {"bfOffBits beyond the file", [](Bytes& b) { put32(&b[10], 100000); }, readError},
        {"rows beyond the file", [](Bytes& b) { put32(&b[22], 30); }, readError},
        {"width 0", [](Bytes& b) { put32(&b[18], 0); }, readError},
        {"bit count 0", [](Bytes& b) { put16(&b[28], 0); }, readError},
    };
    ScratchDir dir;
    const Bytes good = makeBmp(5, 3, 24, distinct);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_ui = std::make_shared<platform::ui::ScriptedUiBridge>();
        platform::ui::setBridge(m_ui);
        Bytes b = good;
        c.damage(b);
        writeBytes(dir.file("bad.bmp"), b);
        CDib dib;
        ASSERT_TRUE(dib.loadMemory(good.data(), good.size()));
        EXPECT_FALSE(dib.loadFile(dir.file("bad.bmp")));
        EXPECT_TRUE(dib.isEmpty());
        EXPECT_EQ(boxes(), std::vector<std::string>{c.message});
        // From memory the same bytes are refused without a message.
        EXPECT_FALSE(dib.loadMemory(b.data(), b.size()));
        EXPECT_TRUE(dib.isEmpty());
        EXPECT_EQ(boxes().size(), 1u);
    }
    CDib dib;
    EXPECT_FALSE(dib.loadFile(dir.file("missing.bmp")));
    EXPECT_EQ(boxes().back(), readError);
}

TEST_F(DibTest, RotationTurnsThePictureAboutItsCentre)
{
    const Bytes source = makeBmp(3, 2, 24, distinct);
    CDib dib;
    ASSERT_TRUE(dib.loadMemory(source.data(), source.size()));
    ASSERT_TRUE(dib.rotate(0));
    EXPECT_EQ(Bytes(dib.buffer(), dib.buffer() + dib.length()), source);

    ASSERT_TRUE(dib.rotate(180));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixel24(dib.buffer(), x, y), distinct(2 - x, 1 - y)) << x << "," << y;
    ASSERT_TRUE(dib.rotate(-180));
    EXPECT_EQ(Bytes(dib.buffer(), dib.buffer() + dib.length()), source);

    // A quarter turn counter-clockwise on a square: the top-left pixel goes to the bottom
    // left. On 3 x 2 the frame stays 3 x 2: the corners that leave it are lost, the rest is
    // black.
    const Bytes square = makeBmp(3, 3, 24, distinct);
    ASSERT_TRUE(dib.loadMemory(square.data(), square.size()));
    ASSERT_TRUE(dib.rotate(90));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixel24(dib.buffer(), x, y), distinct(2 - y, x)) << x << "," << y;

    ASSERT_TRUE(dib.loadMemory(source.data(), source.size()));
    ASSERT_TRUE(dib.rotate(90));
    int black = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            black += pixel24(dib.buffer(), x, y) == kBlackPixel;
    EXPECT_GT(black, 0);
    // The headers stay as they were.
    EXPECT_EQ(Bytes(dib.buffer(), dib.buffer() + 54), Bytes(source.begin(), source.begin() + 54));

    // 8 bits turn by palette index; 1 and 4 bits are refused unchanged.
    const Bytes grey = makeBmp(3, 2, 8, [](int x, int y) {
        return std::array<unsigned char, 3>{static_cast<unsigned char>(x + 3 * y), 0, 0};
    });
    ASSERT_TRUE(dib.loadMemory(grey.data(), grey.size()));
    ASSERT_TRUE(dib.rotate(180));
    EXPECT_EQ(dib.buffer()[1078], 2); // the bottom-left pixel is now the old top-right one
    for (std::uint16_t bits : {1, 4}) {
        Bytes low = grey;
        put16(&low[28], bits);
        ASSERT_TRUE(dib.loadMemory(low.data(), low.size()));
        EXPECT_FALSE(dib.rotate(90));
        EXPECT_EQ(Bytes(dib.buffer(), dib.buffer() + dib.length()), low);
    }
    CDib empty;
    EXPECT_FALSE(empty.rotate(90));
}

TEST_F(DibTest, SerializeRoundTripsAndRefusesBadArchives)
{
    const Bytes source = makeBmp(4, 3, 24, distinct);
    CDib dib;
    ASSERT_TRUE(dib.loadMemory(source.data(), source.size()));
    QByteArray stored;
    {
        QDataStream out(&stored, QIODevice::WriteOnly);
        ASSERT_TRUE(dib.Serialize(out, true));
    }
    ASSERT_EQ(stored.size(), 6 + static_cast<int>(source.size()));
    EXPECT_EQ(static_cast<unsigned char>(stored[0]), 0x6F);
    EXPECT_EQ(static_cast<unsigned char>(stored[1]), 0x74);
    EXPECT_EQ(u32(reinterpret_cast<const unsigned char*>(stored.constData()) + 2), source.size());
    CDib back;
    {
        QDataStream in(stored);
        ASSERT_TRUE(back.Serialize(in, false));
    }
    EXPECT_EQ(Bytes(back.buffer(), back.buffer() + back.length()), source);
    EXPECT_EQ(back.bitsPerPixel(), 24);

    // Empty: the tag and a length of 0, read back as empty.
    CDib empty;
    QByteArray none;
    {
        QDataStream out(&none, QIODevice::WriteOnly);
        ASSERT_TRUE(empty.Serialize(out, true));
    }
    EXPECT_EQ(none, QByteArray("\x6F\x74\0\0\0\0", 6));
    {
        QDataStream in(none);
        EXPECT_TRUE(back.Serialize(in, false));
        EXPECT_TRUE(back.isEmpty());
    }
    EXPECT_TRUE(boxes().empty());

    // A wrong tag: the message, and empty.
    QByteArray wrongTag = stored;
    wrongTag[0] = 0x01;
    {
        QDataStream in(wrongTag);
        ASSERT_TRUE(back.loadMemory(source.data(), source.size()));
        EXPECT_FALSE(back.Serialize(in, false));
        EXPECT_TRUE(back.isEmpty());
    }
    EXPECT_EQ(boxes(), std::vector<std::string>{"Fichero DIB no válido"});

    // A length beyond the stream, from a random-access and a sequential device.
    QByteArray lying = stored;
    lying[5] = 0x40; // about 1 GiB
    {
        QDataStream in(lying);
        EXPECT_FALSE(back.Serialize(in, false));
        EXPECT_TRUE(back.isEmpty());
    }
    QByteArray cut = stored.left(stored.size() - 1);
    {
        QDataStream in(cut);
        EXPECT_FALSE(back.Serialize(in, false));
        EXPECT_TRUE(back.isEmpty());
    }
}
