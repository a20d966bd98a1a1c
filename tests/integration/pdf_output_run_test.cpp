// The running program writes a job's own PDF document: the PDF page, rendered, is the page the
// printer got.

#include "server_run_fixture.h"

#include "tests/support/pdf/pdf_tools.h"

#include <QImage>

#include <gtest/gtest.h>

namespace runtest {
namespace {

std::string pdfDocument(uint16_t flags, const std::string& name)
{
    std::string params(20, '\0');
    params[0] = static_cast<char>(flags & 0xFF);
    params[1] = static_cast<char>(flags >> 8);
    params += name;
    params += '\0';
    uint8_t header[12] = {0xFD, 0xFD, 100, 0, 41, 0};
    const uint32_t length = static_cast<uint32_t>(params.size());
    for (int i = 0; i < 4; ++i)
        header[6 + i] = static_cast<uint8_t>(length >> (8 * i));
    uint16_t check = 0;
    for (int i = 0; i < 10; i += 2)
        check ^= static_cast<uint16_t>(header[i] | (header[i + 1] << 8));
    header[10] = static_cast<uint8_t>(check);
    header[11] = static_cast<uint8_t>(check >> 8);
    return std::string(reinterpret_cast<const char*>(header), sizeof header) + params;
}

// The mean grey of each 8 x 8 block: glyph edges that two rasterisers place a pixel apart
// count for little, a missing or moved word for much.
std::vector<int> blockGreys(const QImage& image)
{
    std::vector<int> out;
    for (int by = 0; by + 8 <= image.height(); by += 8)
        for (int bx = 0; bx + 8 <= image.width(); bx += 8) {
            int sum = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x)
                    sum += qGray(image.pixel(x, y));
            out.push_back(sum / 64);
        }
    return out;
}

fs::path waitForFile(const fs::path& folder, const std::string& extension)
{
    for (int i = 0; i < 600; ++i) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec))
            if (entry.path().extension() == extension)
                return entry.path();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

TEST_F(ServerRunTest, ThePdfDocumentPageIsThePrintersPage)
{
    // The printer: A4 at 150 dpi without margins, so that its page and the PDF's lie alike.
    {
        std::ofstream settings(dir / "spool/Printer1/.settings");
        settings << "media=iso_a4_210x297mm\nresolution=150x150\nmargin-left=0\nmargin-top=0\n"
                    "margin-right=0\nmargin-bottom=0\n";
    }
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    std::string stream = pdfDocument(0x0000, "C:\\PDF\\PAGE.PDF");
    stream +=
        "\xC9\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBB\r\n\xBA Typestone \xBA  the printer's page\r\n";
    stream += "\xC8\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xCD\xBC\r\n";
    for (int i = 0; i < 30; ++i)
        stream += "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\r\n";
    valdor::JobRequest job;
    job.printer = "Printer1";
    valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job),
                                                            {stream.begin(), stream.end()});
    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_EQ(result.replyCode, valdor::ReplyAccepted);

    const fs::path printed = waitForFile(dir / "spool/Printer1", ".pdf");
    ASSERT_FALSE(printed.empty()) << output();
    const fs::path pdf = dir / "state/typestone/drives/C/PDF/PAGE.PDF";
    for (int i = 0; i < 600 && !fs::exists(pdf); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(pdf)) << output();
    EXPECT_EQ(ts::support::pdfPageCount(pdf.string()), 1);

    const QImage printerPage = ts::support::renderPdfPage(printed.string(), (dir / "printer").string(), 150);
    // The image page rendered at four times its resolution is only enlarged, not smoothed.
    const QImage pdfPage = ts::support::sampled(
        ts::support::renderPdfPage(pdf.string(), (dir / "capture").string(), 4 * 150), 4);
    ASSERT_FALSE(printerPage.isNull());
    // The printer's A4 is 595.28 x 841.89 points, the PDF's 595 x 842: a pixel apart at most.
    ASSERT_NEAR(pdfPage.width(), printerPage.width(), 2);
    ASSERT_NEAR(pdfPage.height(), printerPage.height(), 2);
    const QRect common(0, 0, std::min(pdfPage.width(), printerPage.width()),
                       std::min(pdfPage.height(), printerPage.height()));
    EXPECT_GT(ts::support::inkShare(printerPage), 0.005);
    const std::vector<int> a = blockGreys(printerPage.copy(common));
    const std::vector<int> b = blockGreys(pdfPage.copy(common));
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differing += std::abs(a[i] - b[i]) > 48 ? 1 : 0;
    EXPECT_LT(static_cast<double>(differing) / a.size(), 0.01)
        << differing << " of " << a.size() << " blocks";

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
}

} // namespace
} // namespace runtest
