// Where CImgWnd puts its picture: the placement of every load and the fitting and centring
// of a file picture for printing.

#include "typestone/engine/img_wnd.h"

#include <cstdint>

namespace typestone {

namespace {

// a x b / c rounded to the nearest, -1 for c = 0 (MulDiv).
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = (c < 0 ? -static_cast<std::int64_t>(c) : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t q = (product + (negative == (c < 0) ? half : -half)) / c;
    return static_cast<int>(q);
}

} // namespace

void CImgWnd::place(int x, int y, int width, int height, int rotation)
{
    if (!m_dib || m_dib->isEmpty())
        return;
    if (rotation != 0)
        m_dib->rotate(rotation);
    m_rect = {x, y, x + width, y + height};
    m_size = {width, height};
    if (!m_bOwnSize && (width != 0 || (height != 0 && m_bFitHeight)))
        return;
    int ownWidth = 0, ownHeight = 0;
    m_dib->width(ownWidth);
    m_dib->height(ownHeight);
    m_size = {ownWidth, ownHeight};
    m_rect = {x, y, x + ownWidth, y + ownHeight};
}

void CImgWnd::AdjustImage(bool fitNow, bool printing)
{
    if (!fitNow || !printing || !m_dib || m_dib->isEmpty())
        return;
    const platform::draw::Rect target = m_rect;
    int w = 0, h = 0;
    m_dib->width(w);
    m_dib->height(h);
    m_rect = {0, 0, w, h};
    if (m_bFitWidth) {
        m_rect.right = target.width();
        if (!m_bFitHeight)
            m_rect.bottom = mulDiv(target.width(), h, w);
    }
    if (m_bFitHeight) {
        m_rect.bottom = target.height();
        if (!m_bFitWidth)
            m_rect.right = mulDiv(target.height(), w, h);
    }
    const int dx = m_bHCentered ? target.left + (target.width() - m_rect.width()) / 2 : target.left;
    const int dy = m_bVCentered ? target.top + (target.height() - m_rect.height()) / 2 : target.top;
    m_rect = {m_rect.left + dx, m_rect.top + dy, m_rect.right + dx, m_rect.bottom + dy};
}

} // namespace typestone
