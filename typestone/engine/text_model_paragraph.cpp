#include "typestone/engine/text_model_paragraph.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace typestone {

CParagraph::CParagraph(const LogFont* lf, uint32_t fg, uint32_t bg, int bkMode, uint16_t effect)
    : m_fg(fg), m_bg(bg), m_nBkMode(bkMode), m_nEffect(effect)
{
    SetFont(lf);
}

void CParagraph::SetFont(const LogFont* lf)
{
    // A zero-filled record without one (value-initialised: every byte 0, the face name too).
    m_lf = lf != nullptr ? *lf : LogFont{};
}

void CParagraph::ApplyBkMode(platform::draw::Dc* dc) const
{
    if (dc != nullptr)
        dc->setBackgroundMode(m_nBkMode == 1 ? platform::draw::BackgroundMode::Transparent
                                             : platform::draw::BackgroundMode::Opaque);
}

bool CParagraph::IsSame(const CParagraph& other) const
{
    return m_wAlign == other.m_wAlign && m_fg == other.m_fg && m_bg == other.m_bg &&
           m_nBkMode == other.m_nBkMode && m_wAngle == other.m_wAngle &&
           std::memcmp(&m_lf, &other.m_lf, sizeof(LogFont)) == 0;
}

void CParagraph::CopyFrom(const CParagraph& other)
{
    m_lf = other.m_lf;
    m_fg = other.m_fg;
    m_bg = other.m_bg;
    m_nBkMode = other.m_nBkMode;
    m_wAlign = other.m_wAlign;
    m_wAngle = other.m_wAngle;
}

void CParagraph::Dump(std::string& out) const
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "\nParagraph=%p***************", static_cast<const void*>(this));
    out += buf;
    std::snprintf(buf, sizeof buf, "\nfg=0x%08x, bg=0x%08x, bkMode=%u, wAlign=%04x, angle=%d", m_fg, m_bg,
                  static_cast<unsigned>(m_nBkMode), m_wAlign, m_wAngle);
    out += buf;
    // A face name without a terminating zero is shown with its first 31 characters.
    std::snprintf(buf, sizeof buf, "\nface='%s' h=%d w=%d",
                  std::string(m_lf.faceNameView().substr(0, 31)).c_str(), m_lf.height, m_lf.width);
    out += buf;
    out += "\n***************************\n***************************";
}

int CountChar(const std::string& text, char c)
{
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

} // namespace typestone
