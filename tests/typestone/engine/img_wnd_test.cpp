#include "typestone/engine/img_wnd.h"

#include "typestone/engine/drive_map.h"
#include "typestone/engine/pcx_decoder.h"

#include "tests/pixkit/bmp_samples.h"

#include "pixkit/pixkit.h"
#include "platform/draw/recording_dc.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

using namespace pixkit_test;
using typestone::CImgWnd;
using typestone::PRT_BMP_DATA;

namespace {

// A PRT_BMP_DATA block: the 30-byte head and the tail.
Bytes block(std::uint32_t options, int x, int y, int w, int h, const Bytes& tail, std::uint32_t length = 0)
{
    Bytes b(30, 0);
    put32(&b[0], options);
    put32(&b[8], static_cast<std::uint32_t>(x));
    put32(&b[12], static_cast<std::uint32_t>(y));
    put32(&b[16], static_cast<std::uint32_t>(w));
    put32(&b[20], static_cast<std::uint32_t>(h));
    put32(&b[26], length);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

Bytes name(const std::string& s)
{
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

Bytes jpegOf(const Bytes& bmp)
{
    Bytes jpeg(1 << 20);
    int length = static_cast<int>(jpeg.size());
    EXPECT_EQ(Bmp2Jpg(nullptr, bmp.data(), 90, nullptr, jpeg.data(), &length), 0);
    jpeg.resize(static_cast<std::size_t>(length));
    return jpeg;
}

class ImgWndTest : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::ui::setBridge(m_ui);
        writeBytes(m_dir.file("p400x200.bmp"), makeBmp(400, 200, 24, gradient));
        writeBytes(m_dir.file("p30x20.BMP"), makeBmp(30, 20, 24, gradient));
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    // Draws the record and returns the Dc's lines.
    std::vector<std::string> draw(const Bytes& b, const std::string& file, bool expected = true)
    {
        const PRT_BMP_DATA data = typestone::parsePrtBmpData(b.data(), b.size());
        CImgWnd wnd;
        platform::draw::RecordingDc dc;
        EXPECT_EQ(wnd.DrawImg(&dc, &data, file.empty() ? nullptr : file.c_str()), expected);
        return dc.lines();
    }

    std::vector<std::string> boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& call : m_ui->calls())
            texts.push_back(call.box.text);
        return texts;
    }

    ScratchDir m_dir;
    std::shared_ptr<platform::ui::ScriptedUiBridge> m_ui = std::make_shared<platform::ui::ScriptedUiBridge>();
};

} // namespace

TEST_F(ImgWndTest, PlacementCases)
{
    struct Case
    {
        const char* what;
        std::uint32_t options;
        int x, y, w, h;
        const char* file;
        const char* line;
    };
    const Case cases[] = {
        {"own size, no flags", 0, 100, 200, 0, 0, "p30x20.BMP", "image 100,200,130,220 30x20"},
        {"fit width keeps the aspect", 0x100, 0, 0, 800, 0, "p400x200.bmp", "image 0,0,800,400 400x200"},
        {"fit both", 0x300, 10, 20, 800, 300, "p400x200.bmp", "image 10,20,810,320 400x200"},
        {"fit height keeps the aspect", 0x200, 0, 0, 0, 100, "p400x200.bmp", "image 0,0,200,100 400x200"},
        {"centred in a target as wide as itself", 0x400, 50, 60, 400, 0, "p400x200.bmp",
         "image 50,60,450,260 400x200"},
        {"centred both ways", 0xC00, 0, 0, 1000, 600, "p400x200.bmp", "image 300,200,700,400 400x200"},
        {"without fit the target only centres", 0, 7, 8, 1000, 600, "p400x200.bmp",
         "image 7,8,407,208 400x200"},
        {"own size flag", 0x1100, 5, 5, 800, 0, "p400x200.bmp", "image 5,5,405,205 400x200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(draw(block(c.options, c.x, c.y, c.w, c.h, {}), m_dir.file(c.file)),
                  std::vector<std::string>{c.line});
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ImgWndTest, InlinePicturesAreStretchedToTheirBox)
{
    const Bytes bmp = makeBmp(40, 40, 24, gradient);
    const Bytes jpeg = jpegOf(bmp);
    const auto length = static_cast<std::uint32_t>(jpeg.size());
    EXPECT_EQ(draw(block(0x10000002, 10, 20, 300, 150, jpeg, length), ""),
              std::vector<std::string>{"image 10,20,310,170 40x40"});
    EXPECT_EQ(draw(block(0x10000000, 0, 0, 0, 0, bmp, static_cast<std::uint32_t>(bmp.size())), ""),
              std::vector<std::string>{"image 0,0,40,40 40x40"});
    // A length beyond the block, a damaged JPEG and a JPEG file that is none fail quietly.
    EXPECT_TRUE(draw(block(0x10000002, 0, 0, 300, 150, jpeg, length + 1), "", false).empty());
    Bytes broken(jpeg.begin(), jpeg.begin() + 60);
    EXPECT_TRUE(draw(block(0x10000002, 0, 0, 300, 150, broken, 60), "", false).empty());
    writeBytes(m_dir.file("fake.jpg"), Bytes(500, 0x33));
    EXPECT_TRUE(draw(block(2, 0, 0, 300, 150, {}), m_dir.file("fake.jpg"), false).empty());
    EXPECT_TRUE(boxes().empty());

    // The PDF capture Dc gets the same picture.
    const Bytes b = block(0x10000000, 1, 2, 3, 4, bmp, static_cast<std::uint32_t>(bmp.size()));
    const PRT_BMP_DATA data = typestone::parsePrtBmpData(b.data(), b.size());
    CImgWnd wnd;
    platform::draw::RecordingDc printer, pdf;
    wnd.setSecondDc(&pdf);
    ASSERT_TRUE(wnd.DrawImg(&printer, &data));
    EXPECT_EQ(pdf.lines(), printer.lines());
}

TEST_F(ImgWndTest, OtherFormatsMissingFilesAndLocalNames)
{
    // A PNG through Qt's readers, a PCX through our decoder: 4 x 2, 8 bits with a palette.
    QImage png(12, 6, QImage::Format_RGB32);
    png.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(png.save(QString::fromStdString(m_dir.file("a.png")), "PNG"));
    EXPECT_EQ(draw(block(0, 0, 0, 0, 0, {}), m_dir.file("a.png")),
              std::vector<std::string>{"image 0,0,12,6 12x6"});

    Bytes pcx(128, 0);
    pcx[0] = 0x0A;
    pcx[1] = 5;
    pcx[2] = 1;
    pcx[3] = 8;
    put16(&pcx[8], 3);
    put16(&pcx[10], 1); // 4 x 2
    pcx[65] = 1;
    put16(&pcx[66], 4);
    const Bytes rows = {0xC4, 0x01, 0x02, 0x02, 0x02, 0x01}; // run of 4 x 1, then 2 2 2 1
    pcx.insert(pcx.end(), rows.begin(), rows.end());
    pcx.push_back(0x0C);
    Bytes palette(768, 0);
    palette[3] = 255;                 // 1: red
    palette[6] = 0, palette[8] = 255; // 2: blue
    pcx.insert(pcx.end(), palette.begin(), palette.end());
    const QImage decoded = typestone::decodePcx(pcx.data(), pcx.size());
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(decoded.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(decoded.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_TRUE(typestone::decodePcx(pcx.data(), 130).isNull()); // pixels cut short
    // A short file that names an 8000 x 8000 picture is refused before anything is allocated
    // for it (it once took gigabytes).
    Bytes huge(pcx.begin(), pcx.begin() + 140);
    put16(&huge[8], 7999);
    put16(&huge[10], 7999);
    put16(&huge[66], 8000);
    EXPECT_TRUE(typestone::decodePcx(huge.data(), huge.size()).isNull());
    writeBytes(m_dir.file("v.pcx"), pcx);
    EXPECT_EQ(draw(block(0, 0, 0, 0, 0, {}), m_dir.file("v.pcx")),
              std::vector<std::string>{"image 0,0,4,2 4x2"});
    EXPECT_TRUE(boxes().empty());

    const auto before = m_dir.entries().size();
    writeBytes(m_dir.file("x.xyz"), Bytes(300, 0x55));
    EXPECT_TRUE(draw(block(0, 0, 0, 0, 0, {}), m_dir.file("x.xyz"), false).empty());
    EXPECT_TRUE(draw(block(0, 0, 0, 0, 0, {}), m_dir.file("none.bmp"), false).empty());
    EXPECT_EQ(boxes(),
              (std::vector<std::string>{
                  "The graphic format of the file '" + m_dir.file("x.xyz") + "' is not supported",
                  "Error trying to display image: file '" + m_dir.file("none.bmp") + "' does not exist."}));
    EXPECT_EQ(m_dir.entries().size(), before + 1); // no temporary file stays behind

    // A name in the record is read only for a local file inside the mapped folders.
    const Bytes local = block(0x8000, 0, 0, 0, 0, name("C:\\p30x20.BMP"));
    EXPECT_TRUE(draw(local, "", false).empty());
    typestone::DriveMap map;
    map.add('C', m_dir.path().string());
    const PRT_BMP_DATA data = typestone::parsePrtBmpData(local.data(), local.size());
    platform::draw::RecordingDc dc;
    CImgWnd wnd;
    wnd.setDriveMap(&map);
    EXPECT_TRUE(wnd.DrawImg(&dc, &data));
    const Bytes outside = block(0x8000, 0, 0, 0, 0, name("C:\\..\\secret.bmp"));
    const PRT_BMP_DATA out = typestone::parsePrtBmpData(outside.data(), outside.size());
    EXPECT_FALSE(wnd.DrawImg(&dc, &out));
    const Bytes host = block(0, 0, 0, 0, 0, name("C:\\p30x20.BMP"));
    const PRT_BMP_DATA hostData = typestone::parsePrtBmpData(host.data(), host.size());
    EXPECT_FALSE(wnd.DrawImg(&dc, &hostData)); // a host file needs the handler's fetch
}
