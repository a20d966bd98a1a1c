// The picture and QR-code commands through a running job: host files through the job's host
// link, local files through the drive map, inline pictures, the current area they are placed
// in, and QR symbols as a file, on the page or both.

#include "tests/pixkit/bmp_samples.h"
#include "tests/support/engine/recording_layout.h"
#include "tests/typestone/engine/command_job.h"

#include "typestone/engine/command_codes.h"

#include <fstream>

using namespace engine_test;
using namespace typestone;
using typestone::test::RecordingLayout;
namespace fs = std::filesystem;

namespace {

// Hands out a local file for every host name it knows, and remembers what it was asked.
class FakeHostFiles : public HostFileLink
{
public:
    bool FetchHostFile(const std::string& name, const HostFileFacts& facts, std::string* localPath) override
    {
        asked.push_back(name);
        lastFacts = facts;
        const auto it = files.find(name);
        *localPath = it != files.end() ? it->second : std::string();
        return it != files.end();
    }
    std::map<std::string, std::string> files;
    std::vector<std::string> asked;
    HostFileFacts lastFacts{};
};

std::string bytesOf(const pixkit_test::Bytes& b)
{
    return std::string(b.begin(), b.end());
}

// A PRT_BMP_DATA block.
std::string bmpData(uint32_t options, uint32_t units, int x, int y, int cx, int cy, uint32_t length,
                    const std::string& tail)
{
    return le32(options) + le32(units) + le32(x) + le32(y) + le32(cx) + le32(cy) + le16(0) + le32(length) +
           tail;
}

std::string facts()
{
    std::string f(18, '\0');
    for (size_t i = 0; i < f.size(); ++i)
        f[i] = static_cast<char>(0xA0 + i);
    return f;
}

std::string qrCode(const std::string& file, uint16_t flags, uint16_t module, const std::string& text)
{
    return escBlock(kCmdQRCode, field(file, 256) + le16(flags) + std::string("\x00\x00\x00", 3) +
                                    std::string(5, '\0') + le16(module) + le16(0) + text +
                                    std::string(1, '\0'));
}

class ImageCommandsTest : public CommandJobTest
{
protected:
    void SetUp() override
    {
        CommandJobTest::SetUp();
        m_bmp = (m_dir / "fetched.bmp").string();
        pixkit_test::writeBytes(m_bmp, pixkit_test::makeBmp(30, 20, 24, pixkit_test::gradient));
        m_files.files["PICTURE.BMP"] = m_bmp;
    }
    void withLink() { m_host.link = &m_files; }

    std::string m_bmp;
    FakeHostFiles m_files;
};

} // namespace

TEST_F(ImageCommandsTest, HostPictureAtItsOwnSize)
{
    withLink();
    const std::string tail = "PICTURE.BMP" + std::string(1, '\0') + facts();
    ASSERT_TRUE(run(
        escBlock(kCmdPrintBitmap, bmpData(0, 1, 100, 200, 0, 0, static_cast<uint32_t>(tail.size()), tail))));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 100,200,130,220 30x20"});
    EXPECT_EQ(m_files.asked, std::vector<std::string>{"PICTURE.BMP"});
    EXPECT_EQ(std::string(m_files.lastFacts.begin(), m_files.lastFacts.end()), facts());
    EXPECT_EQ(failures(), 0) << m_host.trace;
    EXPECT_EQ(m_log->count("startPage"), 1);
}

TEST_F(ImageCommandsTest, AreaUnitsAreConverted)
{
    withLink();
    // 10 mm and 20 mm at 600 dpi; the picture fitted to a width of 1 inch.
    const std::string tail = "PICTURE.BMP" + std::string(1, '\0');
    ASSERT_TRUE(run(escBlock(kCmdPrintBitmap, bmpData(0x100, 4, 10, 20, 25, 0, 12, tail)) +
                    escBlock(kCmdPrintBitmap, bmpData(0x100, 8, 1, 2, 1, 0, 12, tail))));
    EXPECT_EQ(drawn("image"),
              (std::vector<std::string>{"image 236,472,827,866 30x20", "image 600,1200,1200,1600 30x20"}));
}

TEST_F(ImageCommandsTest, HostFilesThatCannotBeHad)
{
    const std::string tail = "PICTURE.BMP" + std::string(1, '\0');
    // No host link: the command fails and says why.
    run(escBlock(kCmdPrintBitmap, bmpData(0, 1, 0, 0, 0, 0, 12, tail)));
    EXPECT_TRUE(failed("PrintBitmap")) << m_host.trace;
    EXPECT_NE(m_host.trace.find("the job has no host link"), std::string::npos);
    EXPECT_TRUE(drawn("image").empty());

    // A name the host does not have, and a name longer than any a host sends.
    SetUp();
    withLink();
    run(escBlock(kCmdPrintBitmap, bmpData(0, 1, 0, 0, 0, 0, 0, "MISSING.BMP")) +
        escBlock(kCmdPrintBitmap, bmpData(0, 1, 0, 0, 0, 0, 0, std::string(300, 'N'))));
    EXPECT_EQ(failures(), 2) << m_host.trace;
    EXPECT_EQ(m_files.asked, std::vector<std::string>{"MISSING.BMP"});
    EXPECT_NE(m_host.trace.find("could not be fetched"), std::string::npos);
}

TEST_F(ImageCommandsTest, LocalFilesOnlyThroughTheDriveMap)
{
    withLink();
    fs::copy_file(m_bmp, m_dir / "c" / "LOCAL.BMP");
    run(escBlock(kCmdPrintBitmap, bmpData(0x8000, 1, 5, 6, 0, 0, 0, std::string("C:\\LOCAL.BMP") + '\0')) +
        escBlock(kCmdPrintBitmap, bmpData(0x8000, 1, 5, 6, 0, 0, 0, std::string("D:\\LOCAL.BMP") + '\0')) +
        escBlock(kCmdPrintBitmap,
                 bmpData(0x8000, 1, 5, 6, 0, 0, 0, std::string("C:\\..\\fetched.bmp") + '\0')));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 5,6,35,26 30x20"});
    EXPECT_TRUE(m_files.asked.empty()); // never asked of the host
    EXPECT_EQ(failures(), 2) << m_host.trace;
}

TEST_F(ImageCommandsTest, InlinePictureLengthIsHeldToTheBlock)
{
    const std::string bmp = bytesOf(pixkit_test::makeBmp(8, 4, 24, pixkit_test::gradient));
    // The length says more than the block carries: the picture is what the block holds.
    ASSERT_TRUE(run(escBlock(kCmdPrintBitmap, bmpData(0x10000000, 1, 1, 2, 0, 0, 1u << 30, bmp)) +
                    escBlock(kCmdPrintBitmap,
                             bmpData(0x10000000, 1, 3, 4, 16, 8, static_cast<uint32_t>(bmp.size()), bmp))));
    EXPECT_EQ(drawn("image"), (std::vector<std::string>{"image 1,2,9,6 8x4", "image 3,4,19,12 8x4"}));
    EXPECT_NE(m_host.trace.find("1073741824 picture bytes announced"), std::string::npos);
}

TEST_F(ImageCommandsTest, PrtImageFillsTheCurrentArea)
{
    withLink();
    const std::string block =
        escBlock(kCmdPrtImage, le16(0x300) + facts() + "PICTURE.BMP" + std::string(1, '\0'));
    // In the formatter's current area, with its rotation.
    RecordingLayout layout;
    layout.area = {100, 100, 700, 400};
    m_prt->FontMapper()->SetLayout(&layout);
    ASSERT_TRUE(run(block));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 100,100,700,400 30x20"});
    EXPECT_EQ(std::string(m_files.lastFacts.begin(), m_files.lastFacts.end()), facts());

    // Without a formatter: the drawing area, else the page.
    SetUp();
    withLink();
    ASSERT_TRUE(run(
        block + escBlock(kCmdSetDCA, le32(0) + le32(1) + le32(10) + le32(20) + le32(60) + le32(40)) + block));
    EXPECT_EQ(drawn("image"),
              (std::vector<std::string>{"image 0,0,4800,6960 30x20", "image 10,20,70,60 30x20"}));
    EXPECT_EQ(failures(), 0) << m_host.trace;
}

TEST_F(ImageCommandsTest, QrCodeToAFileToThePageOrBoth)
{
    // Flags 1: only the file, through the drive map; nothing printed, no page started.
    ASSERT_TRUE(run(qrCode("C:\\QR\\ABC.BMP", 1, 0, "abc")));
    const fs::path file = m_dir / "c" / "QR" / "ABC.BMP";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 84726u); // 21 modules of 8 pixels
    EXPECT_TRUE(drawn("image").empty());
    EXPECT_EQ(m_log->count("startPage"), 0);

    // Flags 2: only the page, at the current area's corner; module size 4.
    SetUp();
    ASSERT_TRUE(run(qrCode("C:\\QR\\NOT.BMP", 2, 4, "abc")));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 0,0,84,84 84x84"});
    EXPECT_FALSE(fs::exists(m_dir / "c" / "QR" / "NOT.BMP"));

    // Both, a name outside the map landing in the PDF folder; then text that makes no symbol.
    SetUp();
    ASSERT_TRUE(run(qrCode("Q:\\ELSE\\BOTH.BMP", 3, 0, "abc")));
    EXPECT_TRUE(fs::exists(m_dir / "pdf" / "BOTH.BMP"));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 0,0,168,168 168x168"});
    // Fitted to an area of 1000 x 500 and centred across it: a square of 500.
    SetUp();
    ASSERT_TRUE(run(escBlock(kCmdSetDCA, le32(0) + le32(1) + le32(100) + le32(200) + le32(1000) + le32(500)) +
                    qrCode("", 2 | 0x300 | 0x400, 0, "abc")));
    EXPECT_EQ(drawn("image"), std::vector<std::string>{"image 350,200,850,700 168x168"});
    SetUp();
    run(qrCode("", 2, 0, "") + qrCode("", 2, 300, "abc"));
    EXPECT_EQ(failures(), 2) << m_host.trace;
}
