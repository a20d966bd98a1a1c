#include "typestone/engine/text_formatter.h"

#include <cstring>

namespace typestone {

using platform::draw::FontHandle;
using platform::draw::Point;
using platform::draw::Rect;

CTextFormatter::CTextFormatter(FormatterHost* host, platform::draw::FontEngine* engine)
    : m_host(host), m_engine(engine)
{
    // The default rectangle becomes current with an area of its own only when a Dc tells
    // the page's size; until then text goes nowhere.
    SetClipRect(nullptr, nullptr);
    SetX(nullptr, 0);
    SetY(nullptr, 0);
    newFText();
}

CTextFormatter::~CTextFormatter()
{
    m_pWrapContext.reset();
    m_line.m_pCurrFText = nullptr;
    m_line.m_pFTexts.clear();
    m_pClipRect = nullptr;
}

void CTextFormatter::SetFontEngine(platform::draw::FontEngine* engine)
{
    m_engine = engine;
    m_fonts.clear();
}

FontHandle CTextFormatter::FontFor(const LogFont& lf)
{
    for (const auto& [key, font] : m_fonts)
        if (std::memcmp(&key, &lf, sizeof(LogFont)) == 0)
            return font;
    if (m_engine == nullptr)
        return nullptr;
    FontHandle font = m_engine->createFont(lf);
    if (m_fonts.size() >= 16)
        m_fonts.erase(m_fonts.begin());
    m_fonts.emplace_back(lf, font);
    return font;
}

bool CTextFormatter::InUse() const
{
    return (m_wAlign & 0x0B) != 0 || m_nEffect != 0 || m_wAngle != 0 || m_bRectsDefined;
}

// --- runs and style -------------------------------------------------------------------------

bool CTextFormatter::newFText()
{
    if (m_line.m_pCurrFText != nullptr && m_line.m_pCurrFText->IsEmpty())
        RemoveRun(m_line.m_pFTexts, m_line.m_pCurrFText, m_line.m_pCurrFText);
    auto run = std::make_unique<CFText>(&m_lf, m_fg, m_bg, m_nEffect);
    run->SetAlignWord(m_pClipRect != nullptr ? m_pClipRect->Style() : 0);
    run->SetRotation(m_wAngle);
    run->SetBkMode(m_nBkMode);
    m_line.m_pCurrFText = run.get();
    m_line.m_pFTexts.push_back(std::move(run));
    return true;
}

void CTextFormatter::chkCurrFText(const CParagraph& p)
{
    if (!m_line.m_pFTexts.empty() && m_line.m_pCurrFText == nullptr)
        m_line.m_pCurrFText = m_line.m_pFTexts.back().get();
    const CFText* run = m_line.m_pCurrFText;
    if (run == nullptr || run->Paragraph() == nullptr || !run->Paragraph()->IsSame(p) ||
        run->Paragraph()->Effect() != m_nEffect)
        newFText();
}

void CTextFormatter::SetFontRecord(const LogFont& lf, bool newRun)
{
    if (std::memcmp(&m_lf, &lf, sizeof(LogFont)) == 0)
        return;
    m_lf = lf;
    if (newRun)
        newFText();
}

void CTextFormatter::SetTextColorValue(uint32_t c, bool newRun)
{
    if (m_fg == c)
        return;
    m_fg = c;
    if (newRun)
        newFText();
}

void CTextFormatter::SetBkColorValue(uint32_t c, bool newRun)
{
    if (m_bg == c)
        return;
    m_bg = c;
    if (newRun)
        newFText();
}

void CTextFormatter::SetBkModeValue(Dc* dc, int mode, bool notify, bool newRun)
{
    (void)dc;
    mode = mode == 1 ? 1 : 2;
    if (m_nBkMode == mode)
        return;
    m_nBkMode = mode;
    if (notify && m_host != nullptr)
        m_host->FmtSetBkMode(mode);
    if (newRun)
        newFText();
}

void CTextFormatter::SetEffectValue(uint16_t e, bool newRun)
{
    if (m_nEffect == e)
        return;
    m_nEffect = e;
    if (newRun)
        newFText();
}

void CTextFormatter::SetRotationValue(uint16_t degrees, bool newRun)
{
    if (m_wAngle == degrees)
        return;
    m_wAngle = degrees;
    if (newRun)
        newFText();
}

void CTextFormatter::SetEffect(uint16_t effect, Dc* dc)
{
    (void)dc;
    SetEffectValue(effect, true);
}

void CTextFormatter::SetRotation(int degrees)
{
    int d = degrees % 360;
    if (d < 0)
        d += 360;
    SetRotationValue(static_cast<uint16_t>(d), true);
}

void CTextFormatter::SetAlignWord(uint16_t align)
{
    if (m_pClipRect != nullptr)
        m_pClipRect->SetStyle(align);
    if (m_line.m_pCurrFText != nullptr)
        m_line.m_pCurrFText->SetAlignWord(align);
}

void CTextFormatter::SetAlign(uint16_t align, Dc* dc)
{
    if (!m_bRectStyle && dc != nullptr)
        FlushAll(dc);
    m_wAlign = align;
    m_bClip = (align & kAlignClip) != 0;
    m_nJustifyExtra = 0;
    if (dc != nullptr)
        dc->setTextJustification(0, 0);
    switch (align & 3) {
    case kAlignJustified:
        // Justified lines are never cut: the two cannot be combined.
        m_bClip = false;
        m_wAlign &= ~static_cast<uint32_t>(kAlignClip);
        break;
    case kAlignLeft:
        m_wAlign &= ~3u;
        break;
    default:
        break;
    }
    if (m_host != nullptr)
        m_host->EnableBoxDrawing((m_wAlign & 3) == kAlignLeft);
}

void CTextFormatter::DrawFrame(Dc* dc)
{
    if (m_pClipRect != nullptr)
        m_pClipRect->DrawRect(dc, m_fg);
}

void CTextFormatter::FillArea(Dc* dc, uint16_t fillBits)
{
    if (m_pClipRect != nullptr)
        m_pClipRect->Fill(dc, fillBits, m_bg);
}

Point CTextFormatter::Pos() const
{
    return Point{m_line.m_dwX - m_line.m_dwLineX, m_line.m_dwY - m_line.m_dwLineY};
}

Point CTextFormatter::OutputPos() const
{
    const bool area = m_pClipRect != nullptr && !m_pClipRect->Area().isEmpty();
    return Point{m_line.m_dwCurrX, m_line.m_dwY + (area ? m_pClipRect->Area().top : 0)};
}

Rect CTextFormatter::CurrentArea() const
{
    return m_pClipRect != nullptr ? m_pClipRect->Area() : Rect{};
}

} // namespace typestone
