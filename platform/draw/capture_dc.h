#pragma once
// The capture of a page for PDF output: a PainterDc over a white image of a whole page, drawn
// in the printer's device pixels (origin at the image's corner), so that every call made on the
// printer's Dc can be repeated on it. A page too large for kMaxCapturePixels at the printer's
// resolution is captured at a lower one: the image is smaller and the drawing is scaled into
// it, the coordinates stay the printer's.

#include "platform/draw/painter_dc.h"

#include <QImage>

#include <cstdint>
#include <memory>

class QPainter;

namespace platform::draw {

// The most pixels a capture holds (about 280 MB in 32 bits: an A3 page at 600 dpi).
inline constexpr std::int64_t kMaxCapturePixels = 70'000'000;

class CaptureDc : public PainterDc
{
public:
    // A page of width x height printer pixels at the resolution of `printer` (its dpi). The
    // image is null when even the lowest resolution cannot be had (out of memory).
    CaptureDc(const DeviceCaps& printer, int width, int height, std::int64_t maxPixels = kMaxCapturePixels);
    ~CaptureDc() override;
    CaptureDc(const CaptureDc&) = delete;
    CaptureDc& operator=(const CaptureDc&) = delete;

    bool isValid() const { return !m_image.isNull(); }
    // The image as drawn so far (its resolution is imageDpiX/Y).
    const QImage& image() const { return m_image; }
    double imageDpiX() const { return m_dpiX; }
    double imageDpiY() const { return m_dpiY; }
    // Ends the drawing: image() stays as it is from now on, and later calls draw nothing.
    void finish();
    // True when the page was captured below the printer's resolution.
    bool isScaled() const { return m_scale < 1.0; }

    // Takes the drawing state of `dc` (colours, modes, font, pen, brush, position), so that
    // what follows is drawn here as it is there.
    void takeStateOf(const Dc& dc);

private:
    QImage m_image;
    std::unique_ptr<QPainter> m_imagePainter;
    double m_scale = 1.0;
    double m_dpiX = 0;
    double m_dpiY = 0;
};

} // namespace platform::draw
