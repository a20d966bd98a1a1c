// The barcode command and the barcode faces: the bars a symbol is drawn with (read back from
// the Dc as element widths), the cell they fill, where the position goes, the text that is
// printed as it is, and the data that is refused.

#include "tests/support/engine/recording_layout.h"
#include "tests/typestone/engine/command_job.h"

#include "typestone/engine/barcode_face.h"
#include "typestone/engine/command_codes.h"

#include <algorithm>
#include <sstream>

using namespace engine_test;
using namespace typestone;

namespace {

// SetFontSize part, face name, text.
std::string barCodes(int width, int height, int unit, const std::string& face, const std::string& text)
{
    return escBlock(kCmdBarCodes,
                    le32(width) + le32(height) + le32(unit) + field(face, 32) + text + std::string(1, '\0'));
}

struct Bars
{
    std::vector<platform::draw::Rect> rects;
    // The symbol as element widths in units (bar, space, bar, ...), digits joined.
    std::string widths(int unit) const
    {
        std::string out;
        for (size_t i = 0; i < rects.size(); ++i) {
            if (i > 0)
                out += static_cast<char>('0' + (rects[i].left - rects[i - 1].right) / unit);
            out += static_cast<char>('0' + rects[i].width() / unit);
        }
        return out;
    }
};

Bars barsOf(const std::vector<std::string>& fills)
{
    Bars b;
    for (const auto& line : fills) {
        platform::draw::Rect r;
        char comma;
        std::istringstream in(line.substr(5));
        in >> r.left >> comma >> r.top >> comma >> r.right >> comma >> r.bottom;
        b.rects.push_back(r);
    }
    std::sort(b.rects.begin(), b.rects.end(), [](const auto& a, const auto& c) { return a.left < c.left; });
    return b;
}

class BarCodesTest : public CommandJobTest
{
protected:
    // The fills of the barcode (the page's white fills of text cells left out).
    Bars bars() const
    {
        std::vector<std::string> fills;
        for (const auto& l : drawn("fill "))
            if (l.find("solid #000000") != std::string::npos)
                fills.push_back(l);
        return barsOf(fills);
    }
};

} // namespace

TEST(BarcodeFace, ChosenByName)
{
    using K = BarcodeFace::Kind;
    const std::pair<const char*, K> faces[] = {
        {"3 of 9 Barcode", K::Code39}, {"Free 3of9", K::Code39}, {"Code 39", K::Code39},
        {"WIDE39", K::Wide39},         {"code128", K::Code128},  {"Code128B", K::Code128},
        {"EAN-13", K::Ean13},
    };
    for (const auto& [name, kind] : faces) {
        const auto face = BarcodeFace::forName(name);
        ASSERT_TRUE(face) << name;
        EXPECT_EQ(face->kind(), kind) << name;
    }
    for (const char* none : {"Arial", "", "EAN", "Code 128"})
        EXPECT_FALSE(BarcodeFace::forName(none)) << none;
}

// Every Code 128 character is 11 units, the stop 13; bytes outside the face draw nothing.
TEST(BarcodeFace, Code128CharacterWidths)
{
    const auto face = *BarcodeFace::forName("Code128");
    for (int b = 0; b < 256; ++b) {
        const bool character = (b >= 32 && b <= 126) || (b >= 194 && b <= 202) || (b >= 153 && b <= 155);
        const int expected = character ? 11 : b == 156 ? 13 : 0;
        EXPECT_EQ(face.width(11, std::string(1, static_cast<char>(b))), expected) << b;
    }
}

TEST_F(BarCodesTest, Code128SymbolInItsCell)
{
    // Cells of the 80 x 58 grid: 60 pixels wide (5 pixels a unit), 120 high.
    ASSERT_TRUE(run("AB" + barCodes(80, 58, 1, "Code128B", "A") + "C"));
    const Bars b = bars();
    // Start B, A, check 34, stop: each character's bar and space widths.
    EXPECT_EQ(b.widths(5), std::string("211214") + "111323" + "131123" + "2331112");
    ASSERT_FALSE(b.rects.empty());
    const auto pos0 = b.rects.front();
    EXPECT_EQ(pos0.height(), 120);
    EXPECT_EQ(b.rects.back().right - pos0.left, (11 * 3 + 13) * 5);
    // The bars follow the text before them, and the text after follows the bars.
    const auto texts = drawn("text ");
    ASSERT_EQ(texts.size(), 2u) << m_host.trace;
    EXPECT_EQ(failures(), 0) << m_host.trace;
    EXPECT_NE(texts[1].find(std::to_string(b.rects.back().right + 0) + ","), std::string::npos) << texts[1];
}

TEST_F(BarCodesTest, Code39AndEanSymbols)
{
    // 10 characters per inch (width 120 of 1/1200 inch): 600 / 10 = 60 pixels, 2 a unit.
    ASSERT_TRUE(run(barCodes(120, 240, 0, "3 of 9 Barcode", "a1")));
    // *, A, 1, * with narrow 1, wide 2.5 (2 and 5 half units), a narrow gap between characters
    const std::string star = "252252522";
    const std::string a = "522225225";
    const std::string one = "522522225";
    const Bars code39 = bars();
    auto half = [](const std::string& w) {
        std::string s;
        for (char c : w)
            s += c == '2' ? '1' : c == '5' ? 'W' : c;
        return s;
    };
    std::string expected;
    for (const std::string* c : {&star, &a, &one, &star})
        expected += (expected.empty() ? "" : "1") + half(*c);
    std::string got;
    for (char c : code39.widths(2))
        got += c == '2' ? '1' : c == '5' ? 'W' : c;
    EXPECT_EQ(got, expected);
    EXPECT_EQ(code39.rects.front().height(), 120);

    // EAN-13: guards, the digits of sets A and B, the check digit, and the digits under the bars.
    SetUp();
    ASSERT_TRUE(run(barCodes(70, 58, 1, "EAN 13", "400638133393")));
    const Bars ean = bars();
    ASSERT_FALSE(ean.rects.empty());
    EXPECT_EQ(ean.widths(9).substr(0, 3), "111");      // the start guard, 9 pixels a unit
    EXPECT_EQ(ean.rects.size(), 2u + 12 * 2 + 2 + 2u); // guards and two bars per digit
    const auto digits = drawn("text ");
    std::string written;
    for (const auto& t : digits)
        written += t.substr(t.rfind('\'') - 1, 1);
    EXPECT_EQ(written, "4006381333931");
    EXPECT_EQ(failures(), 0) << m_host.trace;
}

TEST_F(BarCodesTest, TextPrintedAsItIs)
{
    // A leading '#': already encoded, drawn as it is in the face the rest names.
    ASSERT_TRUE(run(barCodes(80, 58, 1, "#Code39", "*A*")));
    const std::string asIs = bars().widths(1);
    SetUp();
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code39", "A")));
    EXPECT_EQ(bars().widths(1), asIs);

    // No face name: the text unchanged, no delimiters, in the 3 of 9 face.
    SetUp();
    ASSERT_TRUE(run(barCodes(80, 58, 1, "", "A")));
    const Bars plain = bars();
    EXPECT_EQ(plain.rects.size(), 5u); // the five bars of A alone

    // A face that is none of ours: the font path, traced.
    SetUp();
    ASSERT_TRUE(run(barCodes(0, 100, 0, "Arial", "12")));
    EXPECT_TRUE(bars().rects.empty());
    EXPECT_NE(m_host.trace.find("'Arial' is none of the barcode faces"), std::string::npos);
    EXPECT_EQ(drawn("text ").size(), 1u);
}

TEST_F(BarCodesTest, DataThatMakesNoSymbolIsRefused)
{
    run(barCodes(80, 58, 1, "Code128B", "A\x01") + barCodes(80, 58, 1, "Code128C", "no digits") +
        barCodes(80, 58, 1, "Code39", std::string(509, 'A')) + barCodes(80, 58, 1, "Code39", "A#B") +
        barCodes(80, 58, 1, "Code39", ""));
    EXPECT_TRUE(bars().rects.empty());
    EXPECT_EQ(failures(), 5) << m_host.trace;
    EXPECT_EQ(count(m_host.trace, "cannot be encoded"), 4);
    // The error says which barcode it was.
    EXPECT_NE(m_host.trace.find(
                  "BarCodes\nData\nfont='Code128C', nWidth=80, nHeight=58, Font_Unit=1, text='no digits'"),
              std::string::npos)
        << m_host.trace;
}

TEST_F(BarCodesTest, HostTextIsConvertedBeforeEncoding)
{
    // The encoded bytes are drawn as encoded: the space's 194 and the check character stay
    // what the encoder wrote (the host-to-OEM table would turn 194 into another byte).
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code128A", "AB")));
    EXPECT_EQ(bars().widths(5), std::string("211412") + "111323" + "131123" + "311141" + "2331112");
    SetUp();
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code128B", " A")));
    EXPECT_EQ(bars().widths(5), std::string("211214") + "212222" + "111323" + "141122" + "2331112");

    // The host's byte 0xA5 is the engine's 195 (value 95) before the encoder sees it.
    SetUp();
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code128B", "\xA5")));
    EXPECT_EQ(bars().widths(5), std::string("211214") + "114113" + "114311" + "2331112");
    EXPECT_EQ(failures(), 0) << m_host.trace;
}

TEST_F(BarCodesTest, InAPrintAreaTheFormatterPositionMoves)
{
    typestone::test::RecordingLayout layout;
    layout.area = {1000, 2000, 3000, 3000};
    layout.pos = {10, 20};
    m_prt->FontMapper()->SetLayout(&layout);
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code128B", "A")));
    const Bars b = bars();
    ASSERT_FALSE(b.rects.empty());
    EXPECT_EQ(b.rects.front().left, 1010);
    EXPECT_EQ(b.rects.front().top, 2020);
    EXPECT_EQ(layout.calls.back(), "SetPos -1 240 20");
}

TEST_F(BarCodesTest, TextAsItIsStopsAtThePageEdge)
{
    // No encoder for the plain Code128 face: the whole text goes to the face, which draws no
    // further than the page's right edge (80 cells of 60 pixels, 55 pixels a character).
    ASSERT_TRUE(run(barCodes(80, 58, 1, "Code128", std::string(200000, 'A'))));
    const Bars b = bars();
    ASSERT_FALSE(b.rects.empty());
    EXPECT_LE(b.rects.back().right, 4800 + 55);
    EXPECT_GT(b.rects.back().right, 4800 - 55);
    EXPECT_EQ(failures(), 0) << m_host.trace;
}
