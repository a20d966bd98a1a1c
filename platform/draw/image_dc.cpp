#include "platform/draw/image_dc.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform::draw {

namespace {

QImage whitePage(const DeviceCaps& caps)
{
    QImage image(std::max(1, caps.width), std::max(1, caps.height), QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(std::lround(caps.dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(caps.dpiY / 0.0254)));
    return image;
}

} // namespace

ImageDc::ImageDc(const DeviceCaps& caps)
    : PainterDc(caps), m_image(whitePage(caps)), m_imagePainter(std::make_unique<QPainter>())
{
    m_imagePainter->begin(&m_image);
    attach(m_imagePainter.get());
}

ImageDc::~ImageDc()
{
    attach(nullptr);
    m_imagePainter->end();
}

const QImage& ImageDc::image()
{
    // The raster painter writes straight into the pixels, and a copy of an image that is
    // being painted on is a deep one, so what the caller keeps does not change later.
    return m_image;
}

void ImageDc::clearImage()
{
    m_image.fill(Qt::white);
}

void ImageDc::reset(const DeviceCaps& caps)
{
    m_imagePainter->end();
    setCaps(caps);
    m_image = whitePage(caps);
    m_imagePainter->begin(&m_image);
    attach(m_imagePainter.get());
}

DeviceCaps ImageDc::capsFor(int width, int height, int dpi)
{
    DeviceCaps caps;
    caps.dpiX = caps.dpiY = dpi;
    caps.width = caps.physicalWidth = width;
    caps.height = caps.physicalHeight = height;
    caps.widthMm = static_cast<int>(std::lround(width * 25.4 / dpi));
    caps.heightMm = static_cast<int>(std::lround(height * 25.4 / dpi));
    return caps;
}

} // namespace platform::draw
