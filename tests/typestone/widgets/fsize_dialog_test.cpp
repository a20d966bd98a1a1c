// The font size tester on a fixed screen: the question, the report of the fitting and its
// neighbourhood, the output fields, and the refusal of counts without a cell.

#include "typestone/widgets/fsize_test.h"

#include "typestone/engine/font_mapper.h"

#include "platform/draw/qt_font_engine.h"
#include "platform/ui/message_box.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

using platform::ui::ScriptedUiBridge;
using typestone::CFontMapper;
using typestone::CFSizeTest;

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;

class FSizeTestDialog : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QApplication::instance())
            return;
        setenv("FONTCONFIG_FILE", TYPESTONE_TEST_FONTS_CONF, 1);
        static int argc = 1;
        static char name[] = "fsize_dialog_test";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    void SetUp() override { platform::ui::setBridge(bridge); }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    static CFSizeTest::ScreenSize fixedScreen()
    {
        return [] { return std::optional<QSize>(QSize(kScreenW, kScreenH)); };
    }

    std::vector<ScriptedUiBridge::Call> boxes() const { return bridge->calls(); }

    // What the mapper's fitting gives for the test's record, computed apart from the dialog.
    static platform::draw::LogFont expectedFit(const std::string& face, int tw, int th, bool printer)
    {
        platform::draw::QtFontEngine engine;
        CFontMapper mapper(nullptr, 0, &engine);
        mapper.SetPrinting(printer);
        platform::draw::LogFont lf{};
        lf.setFaceName(face);
        lf.charSet = platform::draw::kDefaultCharset;
        mapper.FitFont(lf, tw, th, 0, false);
        return lf;
    }

    std::shared_ptr<ScriptedUiBridge> bridge = std::make_shared<ScriptedUiBridge>();
};

TEST_F(FSizeTestDialog, DefaultsAskThenReportAndFillTheOutput)
{
    CFSizeTest dialog(nullptr, fixedScreen());
    EXPECT_EQ(dialog.faceEdit()->text(), "Arial");
    EXPECT_EQ(dialog.columnsEdit()->text(), "80");
    EXPECT_EQ(dialog.rowsEdit()->text(), "58");

    bridge->pushBoxAnswer(platform::ui::kIdYes);
    dialog.executeButton()->click();

    const auto calls = boxes();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].box.text, "Use new SetFontSize()");
    EXPECT_EQ(calls[0].box.style & platform::ui::kMbTypeMask, platform::ui::kMbYesNo);
    EXPECT_EQ(calls[1].box.style & platform::ui::kMbTypeMask, platform::ui::kMbOk);

    const int tw = kScreenW / 80, th = kScreenH / 58;
    const platform::draw::LogFont fit = expectedFit("Arial", tw, th, true);
    platform::draw::QtFontEngine engine;
    CFontMapper measurer(nullptr, 0, &engine);
    const CFontMapper::Measure m = measurer.MeasureFont(fit, 0);
    ASSERT_GT(m.width, 0);

    const std::string& report = calls[1].box.text;
    char head[256];
    std::snprintf(head, sizeof head,
                  " msec) Arial(Liberation Sans) h=%d, w=%d, (cols=80, rows=58), dx=%d/%d, dy=%d/%d- (%s)"
                  "\n\n**********************\n",
                  fit.height, fit.width, m.width, tw, m.height, th, m.fixed ? "FIXED" : "PROPORTIONAL");
    ASSERT_EQ(report.rfind("(", 0), 0u) << report;
    EXPECT_EQ(report.find(head), report.find(' ')) << report;

    // The neighbourhood: three heights by up to six widths, each line marked by how it fits,
    // the fitted size set off by empty lines.
    const int w = fit.width;
    int lines = 0;
    std::istringstream in(report.substr(report.find("*\n") + 2));
    std::string line;
    while (std::getline(in, line)) {
        int lh = 0, lw = 0, dx = 0, ltw = 0, dy = 0, lth = 0;
        char markText[32] = {};
        if (std::sscanf(line.c_str(), "\th=%d, w=%d, dx=%d/%d, dy=%d/%d %31s", &lh, &lw, &dx, &ltw, &dy, &lth,
                        markText) < 6)
            continue;
        ++lines;
        EXPECT_EQ(ltw, tw);
        EXPECT_EQ(lth, th);
        const std::string mark = markText;
        const std::string expected = dx == tw && dy == th  ? "<<<<<<<<<<<<<<<<<<"
                                     : dx == tw && dy < th ? "*****"
                                     : dy == th && dx < tw ? "+++++"
                                     : dx < tw && dy < th  ? "-----"
                                                           : "";
        EXPECT_EQ(mark, expected) << line;
    }
    EXPECT_EQ(lines, 3 * (w + 2 - std::max(0, w - 3) + 1));
    char chosen[64];
    std::snprintf(chosen, sizeof chosen, "\n\n\th=%d, w=%d, dx=%d/%d", fit.height, w, m.width, tw);
    const size_t at = report.find(chosen);
    ASSERT_NE(at, std::string::npos) << report;
    EXPECT_EQ(report.find("\n\n", at + 2), report.find('\n', at + 2)) << "an empty line after it too";
    EXPECT_NE(report.find("\nElapsed="), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 5), " msec");

    EXPECT_EQ(dialog.chosenFaceEdit()->text(), "Liberation Sans");
    EXPECT_EQ(dialog.dxEdit()->text(), QStringLiteral("%1/%2").arg(m.width).arg(tw));
    EXPECT_EQ(dialog.dyEdit()->text(), QStringLiteral("%1/%2").arg(m.height).arg(th));
    EXPECT_EQ(dialog.widthEdit()->text(), QString::number(fit.width));
    EXPECT_EQ(dialog.heightEdit()->text(), QString::number(fit.height));
    EXPECT_EQ(dialog.sampleEdit()->toPlainText(), "AaBbCcDdEe0123456789");
    EXPECT_EQ(dialog.sampleEdit()->font().family(), "Liberation Sans");
}

TEST_F(FSizeTestDialog, NoTakesTheScreenFittingAndHexCountsAreRead)
{
    CFSizeTest dialog(nullptr, fixedScreen());
    dialog.faceEdit()->setText("Courier New");
    dialog.columnsEdit()->setText("0x50");
    dialog.rowsEdit()->setText("0X3a");
    bridge->pushBoxAnswer(platform::ui::kIdNo);
    dialog.Execute();
    const auto calls = boxes();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[1].box.text.find("Courier New(Liberation Mono)"), std::string::npos);
    EXPECT_NE(calls[1].box.text.find("(cols=80, rows=58)"), std::string::npos);
    const platform::draw::LogFont fit = expectedFit("Courier New", kScreenW / 80, kScreenH / 58, false);
    EXPECT_EQ(dialog.heightEdit()->text(), QString::number(fit.height));
    EXPECT_EQ(dialog.widthEdit()->text(), QString::number(fit.width));
}

TEST_F(FSizeTestDialog, CountsWithoutACellAreRefused)
{
    CFSizeTest dialog(nullptr, fixedScreen());
    const struct
    {
        const char* columns;
        const char* rows;
    } cases[] = {{"0", "58"},  {"80", "0"},    {"", "58"},     {"80x", "58"},
                 {"-1", "58"}, {"1921", "58"}, {"80", "0x439"}};
    for (const auto& c : cases) {
        const size_t before = bridge->callCount();
        dialog.columnsEdit()->setText(c.columns);
        dialog.rowsEdit()->setText(c.rows);
        dialog.Execute();
        const auto calls = boxes();
        ASSERT_EQ(calls.size(), before + 1) << c.columns << " x " << c.rows;
        EXPECT_NE(calls.back().box.text.find("from 1 to 1920"), std::string::npos) << calls.back().box.text;
    }
    EXPECT_TRUE(dialog.dxEdit()->text().isEmpty()) << "nothing computed";
    EXPECT_EQ(CFSizeTest::ParseCount("010"), 8u) << "a leading 0 is octal, as strtoul reads it";
    EXPECT_EQ(CFSizeTest::ParseCount(" 1920 "), 1920u);
    EXPECT_FALSE(CFSizeTest::ParseCount("+5"));
    EXPECT_FALSE(CFSizeTest::ParseCount("099999999999999999999999"));
}

TEST_F(FSizeTestDialog, WithoutAScreenNothingIsComputed)
{
    CFSizeTest dialog(nullptr, [] { return std::optional<QSize>(); });
    dialog.Execute();
    EXPECT_EQ(bridge->callCount(), 0u);
    EXPECT_TRUE(dialog.chosenFaceEdit()->text().isEmpty());
    EXPECT_TRUE(dialog.sampleEdit()->toPlainText().isEmpty());
}

} // namespace
