#include "platform/draw/stateful_dc.h"

#include <utility>

namespace platform::draw {

FontHandle StatefulDc::selectFont(FontHandle font)
{
    return std::exchange(m_state.font, std::move(font));
}

Pen StatefulDc::selectPen(const Pen& pen)
{
    return std::exchange(m_state.pen, pen);
}

Brush StatefulDc::selectBrush(const Brush& brush)
{
    return std::exchange(m_state.brush, brush);
}

void StatefulDc::save()
{
    m_saved.push_back(m_state);
}

bool StatefulDc::restore()
{
    if (m_saved.empty()) {
        return false;
    }
    m_state = std::move(m_saved.back());
    m_saved.pop_back();
    return true;
}

int StatefulDc::textTop(int y) const
{
    if (!m_state.font) {
        return y;
    }
    switch (m_state.textAlign) {
    case TextAlign::Top:
        return y;
    case TextAlign::Baseline:
        return y - m_state.font->metrics().ascent;
    case TextAlign::Bottom:
        return y - m_state.font->metrics().height;
    }
    return y;
}

} // namespace platform::draw
