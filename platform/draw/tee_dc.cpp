#include "platform/draw/tee_dc.h"

namespace platform::draw {

TeeDc::TeeDc(Dc& first, Dc& second) : m_first(first), m_second(second) {}

void TeeDc::setTextColor(Color color)
{
    m_first.setTextColor(color);
    m_second.setTextColor(color);
}

void TeeDc::setBackgroundColor(Color color)
{
    m_first.setBackgroundColor(color);
    m_second.setBackgroundColor(color);
}

void TeeDc::setBackgroundMode(BackgroundMode mode)
{
    m_first.setBackgroundMode(mode);
    m_second.setBackgroundMode(mode);
}

void TeeDc::setTextAlign(TextAlign align)
{
    m_first.setTextAlign(align);
    m_second.setTextAlign(align);
}

FontHandle TeeDc::selectFont(FontHandle font)
{
    m_second.selectFont(font);
    return m_first.selectFont(std::move(font));
}

Pen TeeDc::selectPen(const Pen& pen)
{
    m_second.selectPen(pen);
    return m_first.selectPen(pen);
}

Brush TeeDc::selectBrush(const Brush& brush)
{
    m_second.selectBrush(brush);
    return m_first.selectBrush(brush);
}

void TeeDc::save()
{
    m_first.save();
    m_second.save();
}

bool TeeDc::restore()
{
    const bool second = m_second.restore();
    return m_first.restore() && second;
}

void TeeDc::setTextJustification(int extra, int breakCount)
{
    m_first.setTextJustification(extra, breakCount);
    m_second.setTextJustification(extra, breakCount);
}

bool TeeDc::textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip)
{
    const bool second = m_second.textOut(at, bytes, clip);
    return m_first.textOut(at, bytes, clip) && second;
}

void TeeDc::moveTo(Point to)
{
    m_first.moveTo(to);
    m_second.moveTo(to);
}

void TeeDc::lineTo(Point to)
{
    m_first.lineTo(to);
    m_second.lineTo(to);
}

void TeeDc::rectangle(const Rect& rect)
{
    m_first.rectangle(rect);
    m_second.rectangle(rect);
}

void TeeDc::fillRect(const Rect& rect, const Brush& brush)
{
    m_first.fillRect(rect, brush);
    m_second.fillRect(rect, brush);
}

void TeeDc::drawImage(const Rect& target, const QImage& image)
{
    m_first.drawImage(target, image);
    m_second.drawImage(target, image);
}

} // namespace platform::draw
