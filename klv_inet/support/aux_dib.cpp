#include "klv_inet/support/aux_dib.h"

#include "klv_inet/support/jpeg_bmp.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {

uint32_t le(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

} // namespace

CAuxDib::~CAuxDib()
{
    std::free(m_buffer);
}

int CAuxDib::Attach(uint8_t* buffer, size_t size)
{
    std::free(m_buffer);
    m_buffer = buffer;
    m_size = buffer ? size : 0;
    m_bits = m_size >= 30 ? static_cast<uint16_t>(le(m_buffer + 28, 2)) : 0;
    return 1;
}

int CAuxDib::Width() const
{
    int w = 0, h = 0;
    return klv::BmpImageSize(m_buffer, m_size, &w, &h) ? w : 0;
}

int CAuxDib::Height() const
{
    int w = 0, h = 0;
    return klv::BmpImageSize(m_buffer, m_size, &w, &h) ? h : 0;
}

bool CAuxDib::toImage(QImage* out) const
{
    int width = 0, height = 0;
    if (!klv::BmpImageSize(m_buffer, m_size, &width, &height) || m_bits != 24 || width <= 0 || height == 0 ||
        width > klv::kMaxJpegSide || height > klv::kMaxJpegSide || height < -klv::kMaxJpegSide)
        return false;
    const bool bottomUp = height > 0;
    const int rows = bottomUp ? height : -height;
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t offset = le(m_buffer + 10, 4);
    if (offset > m_size || stride * size_t(rows) > m_size - offset)
        return false;
    QImage image(width, rows, QImage::Format_RGB888);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* src = m_buffer + offset + stride * size_t(bottomUp ? rows - 1 - y : y);
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    *out = std::move(image);
    return true;
}

int CAuxDib::Paint(QImage* target, int x, int y) const
{
    QImage image;
    if (!target || target->isNull() || !toImage(&image))
        return 0;
    QPainter painter(target);
    painter.drawImage(x, y, image);
    return 1;
}

int CAuxDib::Stretch(QImage* target, int x, int y, int width, int height) const
{
    QImage image;
    if (!target || target->isNull() || !toImage(&image))
        return 0;
    QPainter painter(target);
    painter.drawImage(QRect(x, y, width, height), image);
    return 1;
}
