#pragma once
// A Dc drawing with a QPainter: over a QImage (ImageDc, the PDF capture) or any other paint
// device. The painter is attached for the time a page is open; without one the drawing calls
// do nothing while the state calls still work. (The PDF page devices draw through PdfDc,
// which places everything exactly as this does.)
//
// Drawing is aliased and exact in device pixels: lines and rectangles are filled pixel
// rectangles where they are horizontal or vertical, text is placed glyph by glyph at the
// font's whole-pixel advances, so what is drawn matches what the engine measured. Fonts without
// glyphs draw only their text's opaque background.
//
// The painter's pen, brush and transform are set only when they change: a PDF painter writes
// a graphics state for every change, which on a text page costs more than the text. A text
// run is one glyph run, its blanks left out (they draw nothing).

#include "platform/draw/pixel_dc.h"

#include <QColor>
#include <QTransform>

class QPainter;

namespace platform::draw {

class QtFont;

class PainterDc : public PixelDc
{
public:
    explicit PainterDc(const DeviceCaps& caps);
    ~PainterDc() override;

    DeviceCaps caps() const override { return m_caps; }
    void setCaps(const DeviceCaps& caps) { m_caps = caps; }

    // Draws on `painter` from now on (null: nowhere). The painter's transform maps device
    // pixels to its device and is taken as it is now: set it before attaching. The painter is
    // not owned, and only this Dc changes its state while attached.
    void attach(QPainter* painter);
    QPainter* painter() const { return m_painter; }

    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip = std::nullopt) override;
    void drawImage(const Rect& target, const QImage& image) override;

private:
    // What the helpers below last set on the painter; unknown after attach() and after any
    // save()/restore() of the painter that they were used inside.
    enum class Placement
    {
        Page, // the page's transform, as attached
        Fill, // the one fills are drawn in (see m_fillOffset)
        Run,  // the page's moved to a text run's origin and scaled to its font's width
    };
    struct PainterState
    {
        bool known = false;
        bool ink = false; // a pen of `color` (text) or no pen and a brush of `color` (fills)
        QColor color;
        Placement placement = Placement::Page;
        Point origin;
        qreal scaleX = 1.0;
    };

    void fillPixels(const Rect& rect, const Brush& brush) override;
    void strokeOffPage(Point from, Point to, int width, Color color) override;
    bool drawing() const override { return m_painter != nullptr; }
    void fillSolid(const QRect& rect, const QColor& color);
    void useFill(const QColor& color);
    void useInk(const QColor& color, Point origin, qreal scaleX);
    void usePlacement(Placement placement);
    void drawGlyphs(const QtFont& font, std::string_view bytes, const std::vector<int>& justify, Point origin,
                    bool isolated, const QColor& ink);

    DeviceCaps m_caps;
    QPainter* m_painter = nullptr;
    QTransform m_pageTransform; // the painter's transform when it was attached
    // A page transform that only moves by whole pixels is left out for fills, which are
    // moved by it themselves (a PDF then needs no transform for each rectangle).
    QTransform m_fillTransform;
    QPoint m_fillOffset;
    PainterState m_painterState;
};

} // namespace platform::draw
