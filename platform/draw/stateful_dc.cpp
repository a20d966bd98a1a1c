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

void StatefulDc::setTextJustification(int extra, int breakCount)
{
    if (breakCount <= 0 || extra <= 0) {
        extra = 0;
        breakCount = 0;
    }
    m_state.justifyExtra = extra;
    m_state.justifyBreaks = breakCount;
    m_state.justifyUsed = 0;
}

int StatefulDc::blankExtra(int index) const
{
    const int breaks = m_state.justifyBreaks;
    if (breaks <= 0 || index < 0 || index >= breaks)
        return 0;
    return m_state.justifyExtra / breaks + (index < m_state.justifyExtra % breaks ? 1 : 0);
}

int StatefulDc::justificationFor(std::string_view bytes) const
{
    if (m_state.justifyBreaks <= 0)
        return 0;
    int total = 0;
    int index = m_state.justifyUsed;
    for (const char c : bytes) {
        if (c != ' ')
            continue;
        if (index >= m_state.justifyBreaks)
            break;
        total += blankExtra(index++);
    }
    return total;
}

std::vector<int> StatefulDc::takeJustification(std::string_view bytes)
{
    std::vector<int> extra;
    if (m_state.justifyBreaks <= 0)
        return extra;
    extra.assign(bytes.size(), 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == ' ' && m_state.justifyUsed < m_state.justifyBreaks)
            extra[i] = blankExtra(m_state.justifyUsed++);
    return extra;
}

} // namespace platform::draw
