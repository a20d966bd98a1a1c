// Box characters at both ends of a grid row, printed through the whole job path with the real
// faces on a recording Dc: the last column's strokes are the first column's moved by whole
// cells, they lie on the page, and no opaque text drawn after a stroke covers it.

#include "tests/support/fonts/test_fonts.h"

#include "typestone/engine/init_data.h"
#include "typestone/engine/win_prt.h"

#include "platform/draw/page_device.h"
#include "platform/draw/qt_font_engine.h"
#include "platform/draw/recording_dc.h"

#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using platform::draw::Point;
using platform::draw::Rect;

// What was drawn, in order: the pixels of each stroke, and the cells each text output filled
// with its background (empty when it was transparent).
struct Mark
{
    bool text = false;
    int y = 0; // a text output's y
    Rect area;
};

// A RecordingDc that also keeps the geometry of what it is asked to draw, the way the
// painting backends lay it out: a text output's background covers its advances by the
// font's height from the cell's top; a line of a one-pixel pen covers its pixels from the
// start up to, not including, the end point.
class GeometryDc : public platform::draw::RecordingDc
{
public:
    // The marks go to `marks`, which outlives the device (the job deletes it when it ends).
    GeometryDc(const platform::draw::DeviceCaps& caps, std::vector<Mark>& marks)
        : RecordingDc(caps), m_marks(marks)
    {
    }

    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip) override
    {
        Mark m;
        m.text = true;
        m.y = at.y;
        if (font() && backgroundMode() == platform::draw::BackgroundMode::Opaque) {
            const int top = textTop(at.y);
            m.area = Rect{at.x, top, at.x + font()->textWidth(bytes), top + font()->metrics().height};
            if (clip)
                m.area = m.area.intersected(*clip);
        }
        m_marks.push_back(m);
        return RecordingDc::textOut(at, bytes, clip);
    }

    void lineTo(Point to) override
    {
        const Point from = currentPosition();
        Mark m;
        if (from.y == to.y && from.x != to.x)
            m.area = from.x < to.x ? Rect{from.x, from.y, to.x, from.y + 1}
                                   : Rect{to.x + 1, from.y, from.x + 1, from.y + 1};
        else if (from.x == to.x && from.y != to.y)
            m.area = from.y < to.y ? Rect{from.x, from.y, from.x + 1, to.y}
                                   : Rect{from.x, to.y + 1, from.x + 1, from.y + 1};
        else
            ADD_FAILURE() << "box lines are horizontal or vertical";
        m_marks.push_back(m);
        RecordingDc::lineTo(to);
    }

private:
    std::vector<Mark>& m_marks;
};

class GeometryPageDevice : public platform::draw::PageDevice
{
public:
    GeometryPageDevice(const platform::draw::DeviceCaps& caps, std::vector<Mark>& marks) : m_dc(caps, marks)
    {
    }

    bool startDoc(const std::string&) override { return true; }
    bool startPage() override { return true; }
    bool endPage() override
    {
        ++m_pages;
        return true;
    }
    bool endDoc() override { return true; }
    void abortDoc() override {}
    platform::draw::Dc* dc() override { return &m_dc; }
    platform::draw::DeviceCaps caps() const override { return m_dc.caps(); }
    bool setOrientation(platform::spooler::Orientation) override { return true; }
    int pageCount() const override { return m_pages; }
    std::string errorText() const override { return {}; }

private:
    GeometryDc m_dc;
    int m_pages = 0;
};

platform::draw::DeviceCaps pageOf(int dpi, int width, int height)
{
    platform::draw::DeviceCaps c;
    c.dpiX = c.dpiY = dpi;
    c.width = c.physicalWidth = width;
    c.height = c.physicalHeight = height;
    return c;
}

struct GridCase
{
    const char* page;
    platform::draw::DeviceCaps caps;
    int cols;
};

void PrintTo(const GridCase& c, std::ostream* os)
{
    *os << c.page << ", " << c.cols << " columns";
}

// The four box bytes of the rows, each row once with a digit and once with a blank beside
// each end.
constexpr uint8_t kBoxBytes[] = {0xBA, 0xB3, 0xBB, 0xBC};

std::string gridStream(int cols)
{
    std::string stream;
    std::string digits;
    for (int i = 0; i < cols - 2; ++i)
        digits += static_cast<char>('0' + (i + 1) % 10);
    for (const uint8_t b : kBoxBytes) {
        const char box = static_cast<char>(b);
        stream += box + digits + box + "\r\n";
        stream += box + (" " + digits.substr(1, digits.size() - 2) + " ") + box + "\r\n";
    }
    return stream + "\f";
}

using Strokes = std::set<std::tuple<int, int, int, int>>;

Strokes shifted(const std::vector<Rect>& strokes, int dx)
{
    Strokes out;
    for (const Rect& r : strokes)
        out.insert({r.left + dx, r.top, r.right + dx, r.bottom});
    return out;
}

class GridBoxTest : public ::testing::TestWithParam<GridCase>
{
protected:
    static void SetUpTestSuite() { test_support::useTestFonts(); }
};

TEST_P(GridBoxTest, LastColumnKeepsItsStrokes)
{
    const GridCase& c = GetParam();
    ts::support::TempDir folder{"engine-grid-box"};
    ASSERT_TRUE(folder.ok()) << folder.error();
    platform::draw::QtFontEngine fonts;
    std::vector<Mark> marks;
    typestone::CWinPrt prt;
    prt.SetSpoolFolder(folder.path());
    prt.SetFontEngine(&fonts);
    prt.SetDeviceFactory([&](const typestone::EngineDeviceRequest&, std::string*) {
        return std::make_unique<GeometryPageDevice>(c.caps, marks);
    });
    typestone::INIT_DATA r = typestone::DefaultInitData();
    std::strncpy(r.printer, "Office", sizeof r.printer - 1);
    r.cols = static_cast<uint16_t>(c.cols);
    r.rows = 20;
    const std::string stream = gridStream(c.cols);
    ASSERT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_1"));
    ASSERT_TRUE(prt.SpoolData(stream.data(), stream.size()));
    ASSERT_TRUE(prt.StopSpoolPrtJob());

    // Each row prints its inner cells as text (one run, or two where the spool file's blocks
    // part it): the strokes before a row's text that lie in the first column are that row's
    // first, those after it in the last column its last.
    const int cell = c.caps.width / c.cols;
    const int lastLeft = (c.cols - 1) * cell;
    struct Row
    {
        size_t firstText, lastText;
    };
    std::vector<Row> rows;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (!marks[i].text)
            continue;
        if (!rows.empty() && marks[rows.back().lastText].y == marks[i].y)
            rows.back().lastText = i;
        else
            rows.push_back({i, i});
    }
    ASSERT_EQ(rows.size(), 2 * std::size(kBoxBytes));
    for (size_t row = 0; row < rows.size(); ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row << " (byte 0x" << std::hex << int{kBoxBytes[row / 2]}
                                        << std::dec << ")");
        const size_t from = row == 0 ? 0 : rows[row - 1].lastText + 1;
        const size_t to = row + 1 < rows.size() ? rows[row + 1].firstText : marks.size();
        std::vector<Rect> first;
        std::vector<Rect> last;
        std::vector<size_t> at; // where each of the row's strokes was drawn
        for (size_t i = from; i < to; ++i) {
            if (marks[i].text)
                continue;
            const Rect& a = marks[i].area;
            if (i < rows[row].firstText && a.left < cell) {
                first.push_back(a);
                at.push_back(i);
            } else if (i > rows[row].lastText && a.right > lastLeft) {
                last.push_back(a);
                at.push_back(i);
            }
        }
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(shifted(last, -lastLeft), shifted(first, 0)) << "the last column draws the first's strokes";
        for (const Rect& a : last)
            EXPECT_LE(a.right, c.caps.width) << "a stroke of the last column leaves the page";
        // Nothing drawn after a stroke paints over it.
        for (size_t k = 0; k < at.size(); ++k) {
            const Rect& stroke = marks[at[k]].area;
            for (size_t i = at[k] + 1; i < marks.size(); ++i)
                EXPECT_TRUE(!marks[i].text || marks[i].area.intersected(stroke).isEmpty())
                    << "stroke " << platform::draw::RecordingDc::rectText(stroke)
                    << " covered by the background " << platform::draw::RecordingDc::rectText(marks[i].area);
        }
    }
}

// The folder printer's A4 at 600 dpi inside its margins, where the grid leaves pixels to
// spare at the right; and A4 at 150 dpi without margins, where 20 cells end exactly at the
// page's right edge.
INSTANTIATE_TEST_SUITE_P(Grids, GridBoxTest,
                         ::testing::Values(GridCase{"a4_600", pageOf(600, 4760, 6816), 20},
                                           GridCase{"a4_600", pageOf(600, 4760, 6816), 80},
                                           GridCase{"a4_600", pageOf(600, 4760, 6816), 132},
                                           GridCase{"a4_150_edge", pageOf(150, 1240, 1754), 20},
                                           GridCase{"a4_150_edge", pageOf(150, 1240, 1754), 80}),
                         [](const testing::TestParamInfo<GridCase>& p) {
                             return std::string(p.param.page) + "_" + std::to_string(p.param.cols) +
                                    "_columns";
                         });

} // namespace
