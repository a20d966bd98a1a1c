#include "platform/draw/capture_dc.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform::draw {

namespace {

DeviceCaps pageCaps(const DeviceCaps& printer, int width, int height)
{
    DeviceCaps caps;
    caps.dpiX = printer.dpiX;
    caps.dpiY = printer.dpiY;
    caps.width = caps.physicalWidth = std::max(1, width);
    caps.height = caps.physicalHeight = std::max(1, height);
    caps.widthMm = static_cast<int>(std::lround(caps.width * 25.4 / std::max(1, caps.dpiX)));
    caps.heightMm = static_cast<int>(std::lround(caps.height * 25.4 / std::max(1, caps.dpiY)));
    return caps;
}

} // namespace

CaptureDc::CaptureDc(const DeviceCaps& printer, int width, int height, std::int64_t maxPixels)
    : PainterDc(pageCaps(printer, width, height)), m_imagePainter(std::make_unique<QPainter>())
{
    const DeviceCaps c = caps();
    const double pixels = static_cast<double>(c.width) * c.height;
    if (maxPixels > 0 && pixels > static_cast<double>(maxPixels))
        m_scale = std::sqrt(static_cast<double>(maxPixels) / pixels);
    const int imageWidth = std::max(1, static_cast<int>(c.width * m_scale));
    const int imageHeight = std::max(1, static_cast<int>(c.height * m_scale));
    m_image = QImage(imageWidth, imageHeight, QImage::Format_RGB32);
    if (m_image.isNull())
        return;
    m_image.fill(Qt::white);
    // The resolution the image really has, so that it fills the page exactly.
    m_dpiX = c.dpiX * static_cast<double>(imageWidth) / c.width;
    m_dpiY = c.dpiY * static_cast<double>(imageHeight) / c.height;
    m_image.setDotsPerMeterX(static_cast<int>(std::lround(m_dpiX / 0.0254)));
    m_image.setDotsPerMeterY(static_cast<int>(std::lround(m_dpiY / 0.0254)));
    m_imagePainter->begin(&m_image);
    if (isScaled())
        m_imagePainter->scale(static_cast<double>(imageWidth) / c.width,
                              static_cast<double>(imageHeight) / c.height);
    attach(m_imagePainter.get());
}

CaptureDc::~CaptureDc()
{
    finish();
}

void CaptureDc::finish()
{
    attach(nullptr);
    if (m_imagePainter->isActive())
        m_imagePainter->end();
}

void CaptureDc::takeStateOf(const Dc& dc)
{
    setTextColor(dc.textColor());
    setBackgroundColor(dc.backgroundColor());
    setBackgroundMode(dc.backgroundMode());
    setTextAlign(dc.textAlign());
    selectFont(dc.font());
    selectPen(dc.pen());
    selectBrush(dc.brush());
    moveTo(dc.currentPosition());
}

} // namespace platform::draw
