#pragma once
// CFontMapper turns the host's character-cell text (OEM bytes on a grid of columns x rows)
// into output on one device context: it fits a font so that one character fills one cell,
// decides per byte whether the byte is printed with that font (converted to ANSI where the
// face needs it), printed with another face (a face group), or drawn as lines and shades, and
// keeps the colour, pen, clip and position state of the job.
//
// Split by concern: font_mapper.cpp (state, positions, units, colours), font_mapper_text.cpp
// (routing text), font_mapper_fit.cpp (measuring and fitting fonts), font_mapper_select.cpp
// (selecting fonts by unit and by attribute, the attribute word, angles), box_drawing.cpp (the
// 48 box-drawing routines: lines, shades and half blocks).

#include "typestone/engine/char_classes.h"
#include "typestone/engine/line_geometry.h"
#include "typestone/engine/text_formatter_host.h"
#include "typestone/engine/text_layout.h"

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace typestone {

class CTextFormatter;
class CWinPrt;

// Unit modes of positions and font sizes.
inline constexpr int kUnitGrid = 1;     // cells of the page grid (font sizes: pixels)
inline constexpr int kUnitArea = 2;     // cells of a grid given by an area
inline constexpr int kUnitMm = 4;       // millimetres
inline constexpr int kUnitInch = 8;     // inches
inline constexpr int kUnitPoint10 = 16; // tenths of a point

// Far beyond any page: positions saturate here. A host line without breaks may run millions
// of cells past the right edge; what lies out there is off the page anyway, and the pixel
// position must not overflow on the way.
inline constexpr int64_t kMaxPosition = int64_t{1} << 28;

// `from` moved by `cells` cells of `cellSize` pixels (or columns of 1), saturated.
inline int AdvancePosition(int64_t from, int64_t cells, int64_t cellSize)
{
    const int64_t to = from + cells * cellSize;
    return static_cast<int>(to < -kMaxPosition ? -kMaxPosition : to > kMaxPosition ? kMaxPosition : to);
}

class CFontMapper : private FormatterHost
{
public:
    using LogFont = platform::draw::LogFont;

    // `owner` may be null (a stand-alone mapper); with `deviceFlag` the mapper clips its own
    // text output and owns a text formatter (Layout()).
    CFontMapper(CWinPrt* owner, int deviceFlag, platform::draw::FontEngine* engine);
    ~CFontMapper() override;
    CFontMapper(const CFontMapper&) = delete;
    CFontMapper& operator=(const CFontMapper&) = delete;

    void SetFontEngine(platform::draw::FontEngine* engine);
    platform::draw::FontEngine* FontEngine() const { return m_engine; }
    void SetDc(platform::draw::Dc* dc) { m_dc = dc; }
    platform::draw::Dc* Dc() const { return m_dc; }
    // The job's device prints (the printer fitting); a screen uses the screen fitting.
    void SetPrinting(bool printing) { m_bPrinting = printing; }

    // --- text ---
    // Prints the bytes at the current position and moves it past them.
    void TextOut(const uint8_t* bytes, size_t count);
    void TextOut_Mapper(int x, int y, const uint8_t* bytes, size_t count);
    // Text at a cell (or, with `pixels`, at pixels).
    void TextOutAt(int x, int y, const uint8_t* bytes, size_t count, bool pixels);
    static std::string OemToAnsi(const uint8_t* bytes, size_t count);
    void SetNotNeedConversion(bool on) { m_bNotNeedConversion = on; }
    void SetNotNeedMap(bool on) { m_bNotNeedMap = on; }
    const CharClasses& Classes() const { return m_classes; }
    // The job's text formatter; null while the mapper has none. Tests may put in their own.
    TextLayout* Layout() const { return m_layout; }
    void SetLayout(TextLayout* layout) { m_layout = layout; }
    // The mapper's own formatter (null without the device flag). Text goes through it while
    // a command has asked for layout (an alignment, an effect, a rotation, a rectangle).
    CTextFormatter* TextFormatter() const { return m_pTxtFter.get(); }
    bool Formatting() const;
    // The layout that places text now: one put in by a test, or the job's formatter once a
    // command has put it to use; null while text goes on the mapper's own grid.
    TextLayout* ActiveLayout() const;
    void EnableBoxDrawing(bool on) override { m_classes.EnableBoxDrawing(on); }

    // --- positions ---
    bool SetPixelCoordinates(int x, int y);
    bool SetCellPosition(int column, int row);
    platform::draw::Point Position() const { return m_curr; }
    void PrintableArea(int* width, int* height) const;
    // Moves down one line from row `*y`; false when the page has no room for it.
    bool DownOneLine(int* x, int* y);
    // A carriage return; true when it moved to a new line (only a formatter does).
    bool CarriageReturn();
    void LineReset();
    void PageStart();
    void PageEnd();
    void DocumentEnd();
    void SetClipRect(int left, int top, int width, int height);
    const platform::draw::Rect& ClipRect() const { return m_clip; }

    // --- units ---
    // Converts the optional values in place from `unit` (0: the default unit) to pixels and
    // clamps them to the page; true for every known unit.
    bool ConvertUnits(int unit, int* x, int* y, int* right, int* bottom) const;
    void SetAreaGrid(int columns, int rows)
    {
        m_areaCols = columns;
        m_areaRows = rows;
        m_areaCellW = m_areaCellH = 0;
    }
    uint32_t UnitFlags() const { return m_unitFlags; }
    int DefaultUnits(uint32_t flags, int columns, int rows);
    // The unit mode of the current font (kUnitGrid until a font is selected in another unit).
    int UnitMode() const { return m_unitMode; }
    // Turns `*angle` into whole degrees (0..359) when the angle unit is radians: the unit of
    // `flags` when they carry one (0x10000000 and above), else the default one. Always 1.
    int Angle(uint32_t flags, uint16_t* angle) const;

    // --- fonts ---
    bool SetGridFont(uint16_t attr, int columns, int rows);
    struct Measure
    {
        int width = 0;
        int height = 0;
        bool fixed = false;
    };
    Measure MeasureFont(const LogFont& lf, uint32_t classFilter) const;
    // Fits lfHeight/lfWidth of `lf` to the target cell; the result is the final measure.
    Measure FitFont(LogFont& lf, int targetWidth, int targetHeight, uint32_t classFilter, bool fixedOnly);
    Measure ScreenFit(LogFont& lf, int targetWidth, int targetHeight, uint32_t classFilter, bool fixedOnly);
    Measure PrinterFit(LogFont& lf, int targetWidth, int targetHeight, uint32_t classFilter);
    Measure StepFontSize(LogFont& lf, int targetWidth, int targetHeight, bool grow, uint32_t classFilter,
                         bool widthZero);
    // Selects `lf` as it is (no size change), in the unit mode that stands.
    bool SelFont(const LogFont& lf, uint16_t attr) { return SelFont(lf, false, 0, attr, 0); }
    // With `setUnit` the size of `lf` is in `unit` (low five bits), which becomes the unit mode
    // (unless `attr` carries compressed or double size: then `lf` is fitted already): kUnitArea
    // fits it to the cell of the area grid, kUnitMm and kUnitInch convert it to tenths of a
    // point, and with a non-zero `value` these and kUnitPoint10 make it a point font; any other
    // unit takes the size as pixels. The size is bounded by the page.
    bool SelFont(const LogFont& lf, bool setUnit, int unit, uint16_t attr, int value);
    // The size block of a font command: the height and width in `unit`; with kUnitArea they
    // are the rows and columns of a grid over an area of `areaWidth` x `areaHeight` in
    // `areaUnit` (0 each: the page's printable width or height).
    struct FontSize
    {
        int unit = 0;
        int height = 0;
        int width = 0;
        uint32_t areaUnit = 0;
        int areaWidth = 0;
        int areaHeight = 0;
    };
    // `lf` with the block's height and width, selected in the block's unit. False without a
    // device context or, for an area grid, without columns or rows.
    bool SelFont(LogFont lf, const FontSize& size);
    // The area grid: `columns` x `rows` cells over the area; false when either count is 0.
    bool SetAreaCell(int columns, int rows, uint32_t areaUnit, int areaWidth, int areaHeight);
    // The font for the attribute word `attr`: in the grid unit mode the grid font of the stored
    // columns and rows; in the others the current font with the attribute flags applied and,
    // for compressed or double size, fitted to the changed cell of its own size.
    bool ApplyAttrFont(uint16_t attr);
    void SetNewFont(int cellWidth, int cellHeight, const LogFont& lf);
    // What the face of `lf` is: fixed pitch, a line-draw face, TrueType. 0 without `lf`.
    int FaceProbe(const LogFont* lf, bool* fixedPitch, bool* lineDraw, bool* trueType) const;
    // The attribute word of the text that follows: the formatter's when there is one (a copy
    // is kept), else the mapper's own. The setter hands it to the formatter too.
    uint16_t AttrWord();
    void SetAttrWord(uint16_t attr);
    static bool IsLineDrawFace(const std::string& face, uint8_t charset);
    const LogFont& CurrLogFont() const { return m_currLogFont; }
    platform::draw::FontHandle CurrFont() const { return m_font; }
    int CellWidth() const { return m_dx; }
    int CellHeight() const { return m_dy; }
    int Columns() const { return m_cols; }
    int Rows() const { return m_rows; }
    uint16_t FontValue() const { return m_nFontValue; }
    // Counts of measurements made by the fitting (bench and tests of the search bounds).
    unsigned MeasureCount() const { return m_measures; }

    // --- colours and lines ---
    static uint32_t AttrColor(uint8_t attr);
    void SetTextColor(uint32_t colorRef);
    void SetBkColor(uint32_t colorRef);
    void SetBkMode(int mode);
    uint32_t TextColor() const { return m_textColor; }
    uint32_t BkColor() const { return m_bkColor; }
    int BkMode() const { return m_bkMode; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void EnsurePen(int width);

    // --- box drawing ---
    void SetLineGeometry(int W, int H);
    const LineGeometry& Geometry() const { return m_geo; }
    int BaselineAdjust() const { return m_baseAdjust; }
    void DrawSemigr(int x, int y, uint32_t entry, int count);
    // Routine 1..48 at the cell whose top-left is (x, y).
    void DrawRoutine(int routine, int x, int y, int count);
    void SetDrawingCell(int W, int H)
    {
        m_cellW = W;
        m_cellH = H;
    }

private:
    // What the formatter asks of the mapper.
    void FmtEndLine() override;
    void FmtDown() override;
    void FmtPrintData(std::string_view bytes) override;
    void FmtSetBkMode(int mode) override;
    bool Cancelled() const override;
    platform::draw::Dc* FmtDc(platform::draw::Dc*) override { return m_dc; }
    bool TraceOn(uint32_t mask) const override;
    void TraceText(const std::string& text) override;
    void formatterOut(const std::string& bytes);
    // Starts the next page when the document has begun and no page is open.
    void startPageForText();

    void flushRun();
    void plainOut(int x, int y, const uint8_t* bytes, size_t count);
    void doTextOut(int x, int y, const std::string& bytes);
    void mappedOut(int x, int y, uint32_t entry, int count);
    platform::draw::FontHandle groupFont(int group);
    void shade(int pattern, int x, int y, int count);
    void fill(int pattern, platform::draw::Rect r);
    void junction(int index, int x, int y);
    void halfBlock(int index, int x, int y, int n);
    void hspan(int y, int x0, int x1);
    void vspan(int x, int y0, int y1);
    void line(int x1, int y1, int x2, int y2);
    void polyline(std::initializer_list<platform::draw::Point> points);

    CWinPrt* m_owner;
    int m_deviceFlag;
    std::unique_ptr<CTextFormatter> m_pTxtFter;
    TextLayout* m_layout = nullptr;
    platform::draw::FontEngine* m_engine;
    platform::draw::Dc* m_dc = nullptr;
    bool m_bPrinting = true;

    int m_cols = 80;
    int m_rows = 58;
    platform::draw::FontHandle m_font;
    LogFont m_currLogFont{};
    std::optional<LogFont> m_baseFont;
    int m_dx = 0;
    int m_dy = 0;
    platform::draw::Point m_curr;
    int m_baseAdjust = 0;
    platform::draw::Rect m_clip{};
    int m_cellW = 0;
    int m_cellH = 0;
    uint16_t m_nFontValue = 0;
    bool m_bNotNeedConversion = false;
    bool m_bCRDone = true;
    bool m_bNotNeedMap = false;
    uint16_t m_attr = 0;     // attribute flags of the current font
    uint16_t m_attrWord = 0; // the attribute word of the text
    int m_unitMode = kUnitGrid;
    int m_areaCols = 0;
    int m_areaRows = 0;
    int m_areaCellW = 0; // the cell of the area grid, 0: the page over the area grid
    int m_areaCellH = 0;
    uint32_t m_unitFlags = 0x80000004u;
    uint32_t m_textColor = 0;
    uint32_t m_bkColor = 0xFFFFFF;
    int m_bkMode = 2;
    LineGeometry m_geo;
    std::array<platform::draw::FontHandle, kFaceGroups + 1> m_groupFonts{};
    int m_groupCellW = -1;
    int m_groupCellH = -1;
    CharClasses m_classes;
    mutable unsigned m_measures = 0;

    // run cache: one pending run of equal active entries
    uint32_t m_MappedCached = 0;
    int m_nCount = 0;
    int m_runX = 0;
    int m_runY = 0;
};

} // namespace typestone
