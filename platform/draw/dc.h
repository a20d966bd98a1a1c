#pragma once
// The device context of the print engine: everything the engine draws on a page goes through
// this interface. Positions and sizes are whole device pixels, origin at the top left of the
// printable area, y downwards.
//
// Backends: PainterDc (QPainter; ImageDc over a QImage), PdfDc (the PDF page devices' pages),
// RecordingDc (one text line per call, for exact tests) and TeeDc (two at once).
// A Dc is used by one thread at a time. Its state (colours, modes, font, pen, brush, current
// position) lasts from page to page of a document.

#include "platform/draw/font.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::draw {

struct Point
{
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size
{
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// A rectangle of pixels: left and top are inside, right and bottom are not (the Windows RECT
// convention), so width = right - left.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    // The common part; an empty rectangle when there is none.
    Rect intersected(const Rect& other) const;
    bool operator==(const Rect&) const = default;
};

struct Color
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    // From and to the Windows COLORREF 0x00BBGGRR.
    static constexpr Color fromColorRef(std::uint32_t colorRef)
    {
        return Color{static_cast<std::uint8_t>(colorRef & 0xFF),
                     static_cast<std::uint8_t>((colorRef >> 8) & 0xFF),
                     static_cast<std::uint8_t>((colorRef >> 16) & 0xFF)};
    }
    constexpr std::uint32_t colorRef() const
    {
        return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
               (static_cast<std::uint32_t>(blue) << 16);
    }
    bool operator==(const Color&) const = default;
};

inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

// Whether text output first fills its cells with the background colour.
enum class BackgroundMode
{
    Transparent = 1,
    Opaque = 2,
};

// Which line of the text the y of textOut names (x is always the left edge of the first cell).
enum class TextAlign
{
    Top,      // the top of the cell
    Baseline, // the baseline (top + ascent)
    Bottom,   // the bottom of the cell (top + height)
};

enum class PenStyle
{
    Solid,
    Null, // lines and outlines are not drawn
};

struct Pen
{
    PenStyle style = PenStyle::Solid;
    int width = 1; // pixels; 0 counts as 1
    Color color = kBlack;
    bool operator==(const Pen&) const = default;
};

enum class BrushStyle
{
    Null, // no fill
    Solid,
    Pattern,
};

// An 8 x 8 monochrome pattern: rows[0] is the TOP row, bit 7 of a row its leftmost pixel.
// A set bit is painted in the Dc's text colour, a clear bit in its background colour (both
// taken when the fill is made). The pattern is aligned to the device origin: pixel (x, y)
// takes bit 7 - x % 8 of rows[y % 8], wherever the filled rectangle starts.
using Pattern8x8 = std::array<std::uint8_t, 8>;

struct Brush
{
    BrushStyle style = BrushStyle::Solid;
    Color color = kWhite; // Solid only
    Pattern8x8 pattern{}; // Pattern only

    static Brush solid(Color color) { return Brush{BrushStyle::Solid, color, {}}; }
    static Brush null() { return Brush{BrushStyle::Null, kWhite, {}}; }
    static Brush fromPattern(const Pattern8x8& rows) { return Brush{BrushStyle::Pattern, kWhite, rows}; }
    bool operator==(const Brush&) const = default;
};

// What GetDeviceCaps tells about the device.
struct DeviceCaps
{
    int dpiX = 600;         // LOGPIXELSX
    int dpiY = 600;         // LOGPIXELSY
    int width = 0;          // HORZRES: printable width in pixels
    int height = 0;         // VERTRES: printable height in pixels
    int widthMm = 0;        // HORZSIZE: printable width in millimetres (rounded)
    int heightMm = 0;       // VERTSIZE
    int physicalWidth = 0;  // PHYSICALWIDTH: the whole sheet in pixels
    int physicalHeight = 0; // PHYSICALHEIGHT
    int offsetX = 0;        // PHYSICALOFFSETX: left edge of the printable area on the sheet
    int offsetY = 0;        // PHYSICALOFFSETY
    bool operator==(const DeviceCaps&) const = default;
};

class Dc
{
public:
    virtual ~Dc();

    virtual DeviceCaps caps() const = 0;

    // --- state (kept by save/restore) ---------------------------------------------------
    virtual void setTextColor(Color color) = 0; // text, and the set bits of pattern brushes
    virtual Color textColor() const = 0;
    virtual void setBackgroundColor(Color color) = 0; // opaque text cells, clear pattern bits
    virtual Color backgroundColor() const = 0;
    virtual void setBackgroundMode(BackgroundMode mode) = 0; // default Opaque
    virtual BackgroundMode backgroundMode() const = 0;
    virtual void setTextAlign(TextAlign align) = 0; // default Top
    virtual TextAlign textAlign() const = 0;
    // Selects a font and returns the one selected before (null at first). Null selects none:
    // text output then draws nothing.
    virtual FontHandle selectFont(FontHandle font) = 0;
    virtual FontHandle font() const = 0;
    virtual Pen selectPen(const Pen& pen) = 0; // returns the previous pen; default solid black 1
    virtual Pen pen() const = 0;
    virtual Brush selectBrush(const Brush& brush) = 0; // returns the previous; default solid white
    virtual Brush brush() const = 0;
    // Text justification (SetTextJustification): the next text output spreads `extra` pixels
    // over the next `breakCount` blanks (0x20), extra / breakCount each and one pixel more for
    // each of the first extra % breakCount of them. The count goes on over several outputs, so
    // a line drawn in pieces is spread as one. (0, 0) turns it off. A backend that keeps no
    // state of its own does not justify (the base's default).
    virtual void setTextJustification(int extra, int breakCount);
    // The pixels the next textOut of `bytes` adds to its blanks (0 without justification).
    virtual int justificationFor(std::string_view bytes) const;
    // Pushes the whole state; restore() pops it and returns false when nothing was saved.
    virtual void save() = 0;
    virtual bool restore() = 0;

    // --- text -----------------------------------------------------------------------------
    // Draws 8-bit text in the selected font, converted by the font's code page, starting at
    // `at` (y as textAlign() says), each byte advancing by the font's charWidth. When
    // backgroundMode() is Opaque the text's cells (advance sum x font height) are first
    // filled with the background colour. With a clip rectangle nothing is drawn outside it
    // (ExtTextOut with ETO_CLIPPED); an empty clip rectangle draws nothing. The current
    // position does not move. False when no font is selected (nothing is drawn).
    virtual bool textOut(Point at, std::string_view bytes,
                         const std::optional<Rect>& clip = std::nullopt) = 0;

    // Measuring, from the selected font (all zero / empty without one).
    TextMetrics textMetrics() const;
    std::vector<int> charWidths(std::uint8_t first, std::uint8_t last) const;
    Size textExtent(std::string_view bytes) const; // advance sum x font height

    // --- lines and shapes -----------------------------------------------------------------
    virtual void moveTo(Point to) = 0;
    virtual Point currentPosition() const = 0;
    // A line in the pen from the current position to `to`, which becomes the current
    // position. The end point itself is left out: (0,0) -> (10,0) sets pixels x = 0..9, so
    // consecutive lines join without overlap. A line to the current position draws nothing.
    // Lines wider than one pixel are centred on the path (rows y - w/2 .. y - w/2 + w - 1 for
    // a horizontal one).
    virtual void lineTo(Point to) = 0;
    // Fills the rectangle with the selected brush and outlines it with the selected pen; the
    // outline lies on the rectangle's own edge pixels (left, top, right - 1, bottom - 1).
    virtual void rectangle(const Rect& rect) = 0;
    // Fills the rectangle with `brush` (the pen is not used; FillRect).
    virtual void fillRect(const Rect& rect, const Brush& brush) = 0;
    // Draws the image scaled into the target rectangle.
    virtual void drawImage(const Rect& target, const QImage& image) = 0;
};

} // namespace platform::draw
