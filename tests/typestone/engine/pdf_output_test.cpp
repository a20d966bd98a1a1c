// The job's PDF document: its paper and metadata, which pages it holds, the printer's pages
// with and without the no-printer flag, where its file lands, and its pages against the
// printer's, read back with poppler.

#include "tests/typestone/engine/esc_block_builder.h"
#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/command_codes.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/pdf_doc.h"
#include "typestone/engine/win_prt.h"

#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/draw/image_page_device.h"
#include "tests/support/env/temp_dir.h"
#include "tests/support/fonts/test_fonts.h"
#include "tests/support/pdf/pdf_tools.h"

#include "platform/draw/capture_dc.h"
#include "platform/draw/image_dc.h"
#include "platform/draw/qt_font_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using engine_test::DeviceLog;
using engine_test::escBlock;
using engine_test::RecordingPageDevice;
using typestone::CPDFDoc;
using typestone::CWinPrt;
using typestone::PdfPageSize;

namespace fs = std::filesystem;

namespace {

std::string pdfDocument(uint16_t flags, const std::string& name)
{
    std::string params(20, '\0');
    params[0] = static_cast<char>(flags & 0xFF);
    params[1] = static_cast<char>(flags >> 8);
    return escBlock(typestone::kCmdPDFDocument, params + name + std::string(1, '\0'));
}

std::string nameCommand(uint16_t cmd, const std::string& name)
{
    return escBlock(cmd, std::string(2, '\0') + name + std::string(1, '\0'));
}

std::vector<std::string> filesUnder(const fs::path& dir)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec))
        if (e.is_regular_file())
            out.push_back(fs::relative(e.path(), dir).string());
    return out;
}

TEST(PdfPageSize, FlagsGiveThePaper)
{
    struct Case
    {
        uint16_t flags;
        PdfPageSize size;
    };
    for (const Case& c : {Case{0x0000, {595, 842}}, Case{0x0021, {421, 595}}, Case{0x0010, {842, 1190}},
                          Case{0x0030, {297, 421}}, Case{0x0040, {595, 842}}, Case{0x0FF1, {595, 842}},
                          Case{0x1010, {1190, 842}}, Case{0x1000, {842, 595}}, Case{0x1FFF, {842, 595}},
                          Case{0x2010, {842, 1190}}, Case{0x0FFF, {595, 842}}}) {
        EXPECT_EQ(CPDFDoc::PageSizeFor(c.flags), c.size) << std::hex << c.flags;
    }
}

TEST(CaptureDc, AHugePageIsCapturedAtACappedResolution)
{
    // 20000 x 20000 printer pixels at 2400 dpi, capped to a million pixels: 1000 x 1000 at 120 dpi,
    // drawn in the printer's coordinates.
    platform::draw::DeviceCaps printer = platform::draw::ImageDc::capsFor(100, 100, 2400);
    platform::draw::CaptureDc capture(printer, 20000, 20000, 1'000'000);
    ASSERT_TRUE(capture.isValid());
    EXPECT_TRUE(capture.isScaled());
    EXPECT_EQ(capture.image().width(), 1000);
    EXPECT_EQ(capture.image().height(), 1000);
    EXPECT_NEAR(capture.imageDpiX(), 120, 0.01);
    EXPECT_EQ(capture.caps().width, 20000);
    capture.fillRect({10000, 10000, 20000, 20000}, platform::draw::Brush::solid(platform::draw::kBlack));
    capture.finish();
    EXPECT_EQ(capture.image().pixel(750, 750) & 0xFFFFFF, 0u);
    EXPECT_EQ(capture.image().pixel(250, 250) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(capture.image().pixel(499, 750) & 0xFFFFFF, 0xFFFFFFu);

    // Within the bound the capture is the printer's own resolution.
    platform::draw::CaptureDc exact(printer, 300, 200, 1'000'000);
    EXPECT_FALSE(exact.isScaled());
    EXPECT_EQ(exact.image().width(), 300);
    EXPECT_EQ(exact.imageDpiX(), 2400);
}

class PdfOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        m_dir = m_folder.path();
        fs::create_directories(m_dir / "c");
        m_prt.SetSpoolFolder(m_dir.string());
        m_prt.SetFontEngine(&m_fonts);
        m_prt.SetPdfFolder((m_dir / "pdf").string());
        typestone::DriveMap map;
        map.add('C', (m_dir / "c").string());
        m_prt.SetDriveMap(map);
        // A small page keeps the captures small: 1/2 inch cells at 72 dpi would not fit the
        // grid, so the page is 80 x 58 cells of 6 x 12 pixels.
        m_prt.SetDeviceFactory([this](const typestone::EngineDeviceRequest&, std::string*) {
            return std::make_unique<RecordingPageDevice>(m_log,
                                                         platform::draw::ImageDc::capsFor(480, 696, 72));
        });
    }

    bool run(const std::string& stream)
    {
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        EXPECT_TRUE(m_prt.StartSpoolPrtJob(100, &r, "host_1"));
        EXPECT_TRUE(m_prt.SpoolData(stream.data(), stream.size()));
        return m_prt.StopSpoolPrtJob();
    }

    std::string file(const char* relative) const { return (m_dir / relative).string(); }

    ts::support::TempDir m_folder{"engine-pdf"};
    fs::path m_dir;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<DeviceLog> m_log = std::make_shared<DeviceLog>();
    CWinPrt m_prt;
};

struct PaperCase
{
    uint16_t flags;
    double width, height;
    int printerPages;
};

class PdfPaper : public PdfOutput, public ::testing::WithParamInterface<PaperCase>
{
};

TEST_P(PdfPaper, FlagsGiveThePaperTheMetadataAndThePrintersPages)
{
    const PaperCase& c = GetParam();
    ASSERT_TRUE(run(pdfDocument(c.flags, "C:\\OUT\\DOC.PDF") + "One\fTwo"));
    const std::string pdf = file("c/OUT/DOC.PDF");
    EXPECT_EQ(ts::support::pdfPageCount(pdf), 2);
    for (int page : {1, 2}) {
        const auto size = ts::support::pdfPageSize(pdf, page);
        ASSERT_TRUE(size) << ts::support::pdfInfoText(pdf, page, page);
        EXPECT_NEAR(size->first, c.width, 1.0);
        EXPECT_NEAR(size->second, c.height, 1.0);
    }
    const std::string info = ts::support::pdfInfoText(pdf);
    EXPECT_EQ(ts::support::pdfInfoField(info, "Creator"), "Typestone Server");
    EXPECT_EQ(ts::support::pdfInfoField(info, "Author"), "Typestone");
    EXPECT_EQ(ts::support::pdfInfoField(info, "Title"), "Typestone PDF Document");

    EXPECT_EQ(m_log->count("startPage"), c.printerPages);
    EXPECT_EQ(m_log->count("endPage"), c.printerPages);
    // Without printer pages the printer's document is dropped, never handed over.
    EXPECT_EQ(m_log->count("endDoc"), c.printerPages > 0 ? 1 : 0);
    EXPECT_EQ(m_log->count("abortDoc"), c.printerPages > 0 ? 0 : 1);
    // Only the document itself is left: no temporary files beside it.
    EXPECT_EQ(filesUnder(m_dir / "c"), std::vector<std::string>{"OUT/DOC.PDF"});
}

INSTANTIATE_TEST_SUITE_P(Flags, PdfPaper,
                         ::testing::Values(PaperCase{0x0021, 421, 595, 0}, PaperCase{0x1010, 1190, 842, 2},
                                           PaperCase{0x2010, 842, 1190, 2}, PaperCase{0x0001, 595, 842, 0}));

struct PagesCase
{
    const char* name;
    std::string stream;
    int printerPages;
    int pdfPages; // of C:\A.PDF, then C:\B.PDF (-1: not written)
    int secondPages;
};

class PdfPages : public PdfOutput, public ::testing::WithParamInterface<PagesCase>
{
};

TEST_P(PdfPages, OnlyPagesBegunWhileTheDocumentIsOpen)
{
    const PagesCase& c = GetParam();
    ASSERT_TRUE(run(c.stream));
    EXPECT_EQ(m_log->count("startPage"), c.printerPages);
    EXPECT_EQ(ts::support::pdfPageCount(file("c/A.PDF")), c.pdfPages);
    EXPECT_EQ(ts::support::pdfPageCount(file("c/B.PDF")), c.secondPages);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, PdfPages,
    ::testing::Values(
        PagesCase{"AfterSomePages", "A\fB" + pdfDocument(0, "C:\\A.PDF") + "\fC\fD", 4, 2, -1},
        // The page open when the command comes began no PDF page: its end ends none.
        PagesCase{"InTheMiddleOfAPage", "A" + pdfDocument(0, "C:\\A.PDF") + "B\fC\fD", 3, 2, -1},
        // A second document ends the first, which keeps its pages (the open one as far as drawn).
        PagesCase{"SecondEndsTheFirst",
                  pdfDocument(0, "C:\\A.PDF") + "A\fB" + pdfDocument(0, "C:\\B.PDF") + "C\fD", 3, 2, 1},
        // A document that never saw a page writes no file.
        PagesCase{"NoPageNoFile", "A\fB" + pdfDocument(0, "C:\\A.PDF"), 2, -1, -1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PdfOutput, WrappedTextGoesOnAcrossPagesIntoTheDocument)
{
    // Justified text that wraps over page ends: each page end changes the context drawn on
    // (the document's capture is made per page), and the rest of the line goes on the next.
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "word" + std::to_string(i) + " ";
    ASSERT_TRUE(run(pdfDocument(0, "C:\\A.PDF") +
                    escBlock(typestone::kCmdSetFontAlign, std::string("\x03\x00", 2)) + "\r\n" + text +
                    "\r\n"));
    const int pages = m_log->count("startPage");
    EXPECT_GE(pages, 2);
    EXPECT_EQ(ts::support::pdfPageCount(file("c/A.PDF")), pages);
}

TEST_F(PdfOutput, NamesAreBoundedAndStayInTheMappedFolders)
{
    struct Case
    {
        std::string name;
        std::string lands; // relative to the test's folder; empty: refused
    };
    const std::string folder(100, 'D');
    const std::string longest = "C:\\" + folder + "\\" + std::string(151, 'N') + ".PDF"; // 259 characters
    const std::string tooLong = "C:\\" + std::string(253, 'N') + ".PDF";                 // 260
    ASSERT_EQ(longest.size(), 259u);
    const Case cases[] = {
        {"C:\\DOCS\\IN.PDF", "c/DOCS/IN.PDF"},
        {longest, "c/" + folder + "/" + std::string(151, 'N') + ".PDF"},
        {"Z:\\OTHER\\UNMAPPED.PDF", "pdf/UNMAPPED.PDF"},
        {"C:\\..\\..\\ESCAPE.PDF", "pdf/ESCAPE.PDF"},
        {tooLong, ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_dir / "pdf");
        fs::remove_all(m_dir / "c");
        fs::create_directories(m_dir / "c");
        m_log = std::make_shared<DeviceLog>();
        run(pdfDocument(0, c.name) + "Text");
        if (c.lands.empty()) {
            EXPECT_TRUE(filesUnder(m_dir / "c").empty() && filesUnder(m_dir / "pdf").empty()) << c.name;
            // The job goes on without PDF output.
            EXPECT_EQ(m_log->count("endDoc"), 1) << c.name;
        } else {
            EXPECT_EQ(ts::support::pdfPageCount((m_dir / c.lands).string()), 1) << c.name;
        }
    }
}

TEST_F(PdfOutput, DocumentAndOutputNamesAreTakenUpToTheirBound)
{
    typestone::INIT_DATA r = typestone::DefaultInitData();
    ASSERT_TRUE(m_prt.StartPrtJob(&r, "direct", false));
    auto send = [this](uint16_t cmd, const std::string& name) {
        const std::string block = nameCommand(cmd, name);
        m_prt.PrintData(block.data(), block.size(), true);
    };
    const std::string longest(259, 'D');
    struct Case
    {
        uint16_t cmd;
        std::string name;
        std::string kept;
    };
    const Case cases[] = {
        // Taken as the host sent it: no character set conversion.
        {typestone::kCmdPrtOutput, "C:\\OUT\\\x8E.PDF", "C:\\OUT\\\x8E.PDF"},
        {typestone::kCmdPrtOutput, longest, longest},
        {typestone::kCmdPrtOutput, longest + "X", longest}, // refused: the name before stays
        {typestone::kCmdPrtDocname, "Invoice 7", "Invoice 7"},
        {typestone::kCmdPrtDocname, longest, longest},
        {typestone::kCmdPrtDocname, longest + "X", longest},
    };
    for (const Case& c : cases) {
        send(c.cmd, c.name);
        EXPECT_EQ(c.cmd == typestone::kCmdPrtOutput ? m_prt.OutputName() : m_prt.DocName(), c.kept) << c.name;
    }
    m_prt.StopPrtJob(true);
}

TEST_F(PdfOutput, APdfThatCannotBeWrittenFailsAJobThatPrintsNothingElse)
{
    struct Case
    {
        uint16_t flags;
        bool jobSucceeds;
    };
    for (const Case& c : {Case{0x0001, false}, Case{0x0000, true}}) {
        fs::create_directories(m_dir / "c/GONE");
        m_log = std::make_shared<DeviceLog>();
        typestone::INIT_DATA r = typestone::DefaultInitData();
        ASSERT_TRUE(m_prt.StartPrtJob(&r, "direct", false));
        const std::string stream = pdfDocument(c.flags, "C:\\GONE\\X.PDF") + "Text";
        m_prt.PrintData(stream.data(), stream.size(), true);
        // The folder goes while the job prints: the document cannot be written at its end.
        fs::remove_all(m_dir / "c/GONE");
        EXPECT_EQ(m_prt.StopPrtJob(true), c.jobSucceeds) << c.flags;
        EXPECT_FALSE(fs::exists(m_dir / "c/GONE"));
        EXPECT_EQ(m_log->count("endDoc"), c.jobSucceeds ? 1 : 0);
    }
}

// The PDF page is the printer's page: a job drawn with real faces (text, box drawing) on an
// image page and captured, the PDF rendered back at the printer's resolution.
class PdfLikeThePrinter : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }
};

TEST_F(PdfLikeThePrinter, TheRenderedPdfPageMatchesThePrintersPage)
{
    ts::support::TempDir folder{"engine-pdf-image"};
    ASSERT_TRUE(folder.ok()) << folder.error();
    const fs::path dir = folder.path();
    fs::create_directories(dir / "c");
    platform::draw::QtFontEngine fonts;
    CWinPrt prt;
    prt.SetSpoolFolder(dir.string());
    prt.SetFontEngine(&fonts);
    typestone::DriveMap map;
    map.add('C', (dir / "c").string());
    prt.SetDriveMap(map);
    // An A4 sheet at 144 dpi, all of it printable: the capture's page exactly.
    platform::draw::ImagePageDevice* device = nullptr;
    prt.SetDeviceFactory([&device](const typestone::EngineDeviceRequest&, std::string*) {
        auto made = std::make_unique<platform::draw::ImagePageDevice>(
            platform::draw::ImageDc::capsFor(1190, 1684, 144));
        device = made.get();
        return made;
    });
    std::string stream = pdfDocument(0, "C:\\PAGE.PDF");
    stream += "\xC9\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBB\r\n";
    stream += "\xBA Typestone \xBA  PDF output of the printer's page\r\n";
    stream += "\xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC\r\n";
    for (int i = 0; i < 40; ++i)
        stream +=
            "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog 0123456789\r\n";
    typestone::INIT_DATA r = typestone::DefaultInitData();
    std::strncpy(r.printer, "Office", sizeof r.printer - 1);
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_1"));
    ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
    // The device is gone when the job ends: keep its page as it ends.
    QImage printed;
    ASSERT_TRUE(prt.StartPrtJob(&r, "host_1", false));
    prt.PrintData(stream.data(), stream.size(), true);
    prt.EndOfStream();
    ASSERT_TRUE(prt.EndPage());
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->pages().size(), 1u);
    printed = device->pages().front();
    ASSERT_TRUE(prt.StopPrtJob(true));
    prt.DiscardSpoolPrtJob();

    const std::string pdf = (dir / "c/PAGE.PDF").string();
    ASSERT_EQ(ts::support::pdfPageCount(pdf), 1);
    // Rendered at four times the page's resolution, so that the renderer only enlarges the image.
    const QImage rendered =
        ts::support::sampled(ts::support::renderPdfPage(pdf, (dir / "page").string(), 4 * 144), 4);
    ASSERT_FALSE(rendered.isNull());
    ASSERT_EQ(rendered.size(), printed.size());
    EXPECT_GT(ts::support::inkShare(printed), 0.01);
    EXPECT_LT(ts::support::differingShare(rendered, printed), 0.002);
}

} // namespace
