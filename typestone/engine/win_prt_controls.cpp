// Control bytes: attributes, line feed, carriage return, form feed.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/win_prt.h"

namespace typestone {

bool CWinPrt::SetAttrBit(uint16_t bit, bool on)
{
    const uint16_t word = m_pFMap ? m_pFMap->AttrWord() : m_wAttr;
    return ChangeAttr(static_cast<uint16_t>(on ? (word | bit) : (word & ~bit)));
}

void CWinPrt::applyAttr(uint16_t attr, uint16_t fontBits)
{
    const uint16_t old = m_pFMap->AttrWord();
    if (old != attr) {
        if ((old ^ attr) & kAttrColor) {
            if (attr & kAttrColor) {
                m_InitData.snd_color |= 0x08; // stays set for the rest of the job
                m_pFMap->SetTextColor(
                    CFontMapper::AttrColor(static_cast<uint8_t>((m_InitData.snd_color & 0x0F) | 8)));
                m_pFMap->SetBkColor(CFontMapper::AttrColor(static_cast<uint8_t>(m_InitData.snd_color >> 4)));
            } else {
                m_pFMap->SetTextColor(CFontMapper::AttrColor(0));
                m_pFMap->SetBkColor(CFontMapper::AttrColor(15));
            }
        }
        m_pFMap->SetAttrWord(attr);
        if (((old ^ attr) & fontBits & ~kAttrColor) && m_pFMap->Dc() != nullptr)
            m_pFMap->ApplyAttrFont(attr);
    }
    m_wAttr = attr;
}

bool CWinPrt::ChangeAttr(uint16_t attr)
{
    if (!m_pFMap)
        return false;
    applyAttr(attr, 0x00FF);
    return true;
}

bool CWinPrt::Down()
{
    if (m_cursor.m_bSkipDown) {
        m_cursor.m_bSkipDown = false;
        return true;
    }
    if (!IsPageStarted() && !StartPage())
        return false;
    if (m_pFMap->DownOneLine(&m_cursor.m_x, &m_cursor.m_y))
        return true;
    // No room left: the page ends here; the next text starts the next one.
    NewPage(false);
    if (IsDocStarted() && !IsPageStarted())
        setPageState(PageState::AutoEjected);
    m_cursor.m_x = m_cursor.m_y = 0;
    return true;
}

bool CWinPrt::DoCR()
{
    if (!IsPageStarted() && !StartPage())
        return false;
    if (m_pFMap->CarriageReturn()) {
        m_cursor.m_bSkipDown = true;
        return true;
    }
    m_cursor.m_x = 0;
    m_pFMap->LineReset();
    return true;
}

bool CWinPrt::EjectPage()
{
    const bool ok = NewPage(true);
    if (IsDocStarted() && !IsPageStarted())
        setPageState(PageState::PagePending);
    return ok;
}

} // namespace typestone
