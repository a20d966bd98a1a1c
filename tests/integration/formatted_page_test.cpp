// A page laid out by the text formatter, printed by the real program on a folder printer and
// rendered with pdftoppm: ink where the framed area's edge, its centred line and lines turned
// by 90 degrees (one at an area's left edge) should be, and none where unturned text would
// have gone.

#include "host_blocks.h"
#include "server_run_fixture.h"

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

using runtest::ServerRunTest;
namespace fs = std::filesystem;

namespace {

using runtest::escBlock;
using runtest::le16;
using runtest::le32;

// A print area in millimetres: chained, on every page.
std::string area(uint16_t number, int x, int y, int cx, int cy)
{
    return escBlock(5, le16(number) + le16(0) + le32(uint32_t(x)) + le32(uint32_t(y)) + le32(uint32_t(cx)) +
                           le32(uint32_t(cy)) + le32(0x1E0 | 4));
}
std::string select(uint16_t number)
{
    return escBlock(15, le16(number) + le16(0) + le32(0));
}
std::string align(uint16_t word)
{
    return escBlock(10, le16(word));
}

constexpr double kDpi = 100;
constexpr double kMarginMm = 4.23; // the folder printer's default printable-area margin

int px(double mm)
{
    return static_cast<int>(std::lround((kMarginMm + mm) * kDpi / 25.4));
}

// A length in pixels.
int len(double mm)
{
    return static_cast<int>(std::lround(mm * kDpi / 25.4));
}

// Dark pixels in the box [x0, x1) x [y0, y1) of a grey image.
int ink(const QImage& page, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(page.height(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(page.width(), x1); ++x)
            n += qGray(page.pixel(x, y)) < 128;
    return n;
}

} // namespace

TEST_F(ServerRunTest, FormattedTextFramesAndTurnedLinesReachThePage)
{
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        GTEST_SKIP() << "pdftoppm is not installed";
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    // Area 1 (20, 30) 120 x 40 mm, framed, one centred word; area 2 (20, 100) 120 x 80 mm, a
    // line turned by 90 degrees at its left edge and its top, and one starting 30 mm right of
    // its left edge and 40 mm below its top.
    const auto setPos = [](int x, int y) { return escBlock(19, le32(x) + le32(y) + le32(4) + le16(2)); };
    const std::string turned =
        escBlock(17, le16(90) + le32(0)) + "Turned text" + escBlock(17, le16(0) + le32(0));
    const std::string stream = "Grid line\r\n" + area(1, 20, 30, 120, 40) + select(1) + align(1 | 0x20) +
                               "Centred\r\n" + area(2, 20, 100, 120, 80) + select(2) + align(0) +
                               setPos(0, 0) + turned + "\r\n" + setPos(30, 40) + turned + "\r\n\f";
    const fs::path pdf = printToPdf("formatted", stream);
    ASSERT_FALSE(pdf.empty()) << output();
    const fs::path stem = dir / "formatted";
    QProcess render;
    render.start(pdftoppm, {"-r", "100", "-gray", "-png", "-singlefile", QString::fromStdString(pdf.string()),
                            QString::fromStdString(stem.string())});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(QString::fromStdString(stem.string() + ".png"));
    ASSERT_FALSE(page.isNull());

    // The frame: area 1's left edge, down its whole height.
    int framed = 0;
    for (int y = px(32); y < px(68); ++y)
        framed += ink(page, px(20) - 3, y, px(20) + 3, y + 1) > 0;
    EXPECT_GE(framed, (px(68) - px(32)) * 9 / 10);

    // The centred word: ink on its first line, as far from the left edge as from the right.
    int left = -1;
    int right = -1;
    for (int x = px(21); x < px(139); ++x)
        if (ink(page, x, px(31), x + 1, px(36)) > 0) {
            if (left < 0)
                left = x;
            right = x;
        }
    ASSERT_GE(left, 0) << "no text in the area";
    EXPECT_NEAR(left - px(20), px(140) - right, len(4)); // within 4 mm
    EXPECT_GT(left - px(20), len(30));                   // not at the left edge

    // The turned lines read upwards inside their own lines, which are as tall as the text is
    // long (about 28 mm): ink right of where each starts, none where it would run unturned.
    const int x0 = px(50);
    const int y0 = px(140);
    EXPECT_GT(ink(page, x0, y0 + len(4), x0 + len(6), y0 + len(34)), 50);
    EXPECT_EQ(ink(page, x0 + len(8), y0, x0 + len(40), y0 + len(36)), 0);
    EXPECT_EQ(ink(page, x0 - len(10), y0, x0 - len(1), y0 + len(36)), 0) << "nothing left of its start";
    // At the area's left edge the glyphs lie inside the area instead of being cut off left of it.
    EXPECT_GT(ink(page, px(20), px(100) + len(4), px(20) + len(6), px(100) + len(34)), 50);
    EXPECT_EQ(ink(page, px(20) + len(8), px(100), px(20) + len(40), px(100) + len(36)), 0);

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
}
