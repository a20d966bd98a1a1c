#pragma once
// A PainterDc over its own white QImage of the device's printable size (RGB32).

#include "platform/draw/painter_dc.h"

#include <QImage>

#include <memory>

class QPainter;

namespace platform::draw {

class ImageDc : public PainterDc
{
public:
    // A page of caps.width x caps.height pixels, at caps' resolution, filled white.
    explicit ImageDc(const DeviceCaps& caps);
    ~ImageDc() override;

    ImageDc(const ImageDc&) = delete;
    ImageDc& operator=(const ImageDc&) = delete;

    // The page as drawn so far; a copy of it keeps this state of the page.
    const QImage& image();
    // Fills the page white again; the state stays.
    void clearImage();
    // A new white page of other caps (another orientation); the state stays.
    void reset(const DeviceCaps& caps);

    // Caps for an image of width x height pixels at dpi (the whole image printable).
    static DeviceCaps capsFor(int width, int height, int dpi = 600);

private:
    QImage m_image;
    std::unique_ptr<QPainter> m_imagePainter;
};

} // namespace platform::draw
