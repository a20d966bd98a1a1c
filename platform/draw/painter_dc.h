#pragma once
// A Dc drawing with a QPainter: over a QImage (ImageDc, the PDF capture) or over a QPdfWriter
// (the PDF page devices). The painter is attached for the time a page is open; without one
// the drawing calls do nothing while the state calls still work.
//
// Drawing is aliased and exact in device pixels: lines and rectangles are filled pixel
// rectangles where they are horizontal or vertical, text is placed glyph by glyph at the
// font's whole-pixel advances, so what is drawn matches what the engine measured. Fonts without
// glyphs draw only their text's opaque background.

#include "platform/draw/stateful_dc.h"

class QPainter;

namespace platform::draw {

class PainterDc : public StatefulDc
{
public:
    explicit PainterDc(const DeviceCaps& caps);
    ~PainterDc() override;

    DeviceCaps caps() const override { return m_caps; }
    void setCaps(const DeviceCaps& caps) { m_caps = caps; }

    // Draws on `painter` from now on (null: nowhere). The painter's transform maps device
    // pixels to its device; it is not owned.
    void attach(QPainter* painter);
    QPainter* painter() const { return m_painter; }

    bool textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip = std::nullopt) override;
    void lineTo(Point to) override;
    void rectangle(const Rect& rect) override;
    void fillRect(const Rect& rect, const Brush& brush) override;
    void drawImage(const Rect& target, const QImage& image) override;

private:
    void fillPixels(const Rect& rect, const Brush& brush);
    void drawLine(Point from, Point to);

    DeviceCaps m_caps;
    QPainter* m_painter = nullptr;
};

} // namespace platform::draw
