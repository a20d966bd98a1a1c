#pragma once
// The lines, outlines and fills of the backends that put them down as filled rectangles of
// device pixels (PainterDc, PdfDc), so that both draw the same pixels; a backend gives the
// fill of one rectangle and the stroke of a slanted line that leaves the page.

#include "platform/draw/stateful_dc.h"

#include <optional>
#include <string_view>
#include <vector>

namespace platform::draw {

class PixelDc : public StatefulDc
{
public:
    void lineTo(Point to) override;
    void rectangle(const Rect& rect) override;
    void fillRect(const Rect& rect, const Brush& brush) override;

protected:
    // Where a text run of the selected font goes and what it covers.
    struct TextPlace
    {
        Point at;                 // clamped
        int top = 0;              // of its cells
        std::vector<int> justify; // extra pixels of each byte (empty: none)
        int width = 0;            // advances and extra pixels together, bounded
        int escapement = 0;       // of the font, tenths of a degree
        bool isolated = false;    // clipped or turned: drawn in a state of its own
    };
    // The place of `bytes` at `at` in the selected font, using up the justification they
    // cover; nullopt when nothing is drawn (no bytes, an empty clip, nowhere to draw).
    std::optional<TextPlace> placeText(Point at, std::string_view bytes, const std::optional<Rect>& clip);
    // Whether the backend has a page to draw on now.
    virtual bool drawing() const = 0;

    // Fills a rectangle of device pixels with `brush` (clamped and cut to the page by the
    // backend).
    virtual void fillPixels(const Rect& rect, const Brush& brush) = 0;
    // A slanted line in a pen `width` wide that leaves the page, from and to clamped points:
    // stroked, for the device to clip.
    virtual void strokeOffPage(Point from, Point to, int width, Color color) = 0;

private:
    void drawLine(Point from, Point to);
};

} // namespace platform::draw
