// Barcodes and a QR code printed by the real program on a folder printer: each page of the
// job's PDF, rendered at 300 dpi, is read back by a barcode scanner (zbarimg).

#include "host_blocks.h"
#include "server_run_fixture.h"

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

using runtest::ServerRunTest;
namespace fs = std::filesystem;

namespace {

using runtest::escBlock;
using runtest::le16;
using runtest::le32;

std::string field(const std::string& text, size_t width)
{
    std::string f = text;
    f.resize(width, '\0');
    return f;
}

// A barcode in cells of 1/5 by 1/2 inch.
std::string barCodes(const std::string& face, const std::string& text)
{
    return escBlock(26, le32(240) + le32(600) + le32(0) + field(face, 32) + text + std::string(1, '\0'));
}

std::string qrCode(const std::string& text)
{
    return escBlock(27, field("", 256) + le16(2) + std::string(8, '\0') + le16(12) + le16(0) + text +
                            std::string(1, '\0'));
}

// Runs a tool to its end (at most a minute); its standard output, or nullopt.
std::optional<std::string> runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        return std::nullopt;
    }
    return p.readAllStandardOutput().toStdString();
}

} // namespace

TEST_F(ServerRunTest, BarcodesAndQrCodeOnThePageScan)
{
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    const QString zbarimg = QStandardPaths::findExecutable("zbarimg");
    if (pdftoppm.isEmpty() || zbarimg.isEmpty())
        GTEST_SKIP() << "pdftoppm or zbarimg is not installed";
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    struct Symbol
    {
        std::string block;
        std::string scanned;
    };
    const Symbol symbols[] = {
        {barCodes("EAN 13", "400638133393"), "EAN-13:4006381333931"},
        {barCodes("3 of 9 Barcode", "abc-1"), "CODE-39:ABC-1"},
        {barCodes("Wide39", "WIDE 39"), "CODE-39:WIDE 39"},
        {barCodes("Code128A", "HELLO 128A"), "CODE-128:HELLO 128A"},
        {barCodes("Code128B", "Hello 128b"), "CODE-128:Hello 128b"},
        {barCodes("Code128C", "12345678"), "CODE-128:12345678"},
        {qrCode("Typestone QR"), "QR-Code:Typestone QR"},
    };
    std::string stream;
    for (const Symbol& s : symbols)
        stream += "\r\n\r\n" + s.block + "\f";

    const fs::path pdf = printToPdf("barcodes", stream);
    ASSERT_FALSE(pdf.empty()) << output();
    for (int i = 0;
         i < 100 && !runTool("pdfinfo", {QString::fromStdString(pdf.string())}).value_or("").size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const fs::path pages = dir / "page";
    ASSERT_TRUE(runTool(pdftoppm, {"-r", "300", "-gray", "-png", QString::fromStdString(pdf.string()),
                                   QString::fromStdString(pages.string())}));
    std::vector<fs::path> images;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".png")
            images.push_back(entry.path());
    std::sort(images.begin(), images.end());
    ASSERT_EQ(images.size(), std::size(symbols)) << output();
    for (size_t i = 0; i < images.size(); ++i) {
        const auto scanned = runTool(zbarimg, {"-q", QString::fromStdString(images[i].string())});
        ASSERT_TRUE(scanned);
        EXPECT_EQ(*scanned, symbols[i].scanned + "\n") << images[i];
    }

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
}
