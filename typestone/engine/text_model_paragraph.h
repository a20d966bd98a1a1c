#pragma once
// A character and paragraph style of the text formatter: font, colours, background mode,
// alignment word, rotation and text effect.

#include "platform/draw/dc.h"
#include "platform/draw/font_engine.h"

#include <cstdint>
#include <string>

namespace typestone {

class CParagraph
{
public:
    using LogFont = platform::draw::LogFont;

    CParagraph() = default;
    // `lf` null gives an all-zero font; the alignment word and the angle start at 0.
    CParagraph(const LogFont* lf, uint32_t fg, uint32_t bg, int bkMode, uint16_t effect);

    const LogFont& Font() const { return m_lf; }
    void SetFont(const LogFont* lf);
    uint32_t TextColor() const { return m_fg; }
    void SetTextColor(uint32_t c) { m_fg = c; }
    uint32_t BkColor() const { return m_bg; }
    void SetBkColor(uint32_t c) { m_bg = c; }
    int BkMode() const { return m_nBkMode; }
    void SetBkMode(int mode) { m_nBkMode = mode; }
    uint16_t AlignWord() const { return m_wAlign; }
    void SetAlignWord(uint16_t w) { m_wAlign = w; }
    uint16_t Rotation() const { return m_wAngle; }
    void SetRotation(uint16_t angle) { m_wAngle = angle; }
    uint16_t Effect() const { return m_nEffect; }
    void SetEffect(uint16_t e) { m_nEffect = e; }

    uint8_t Italic() const { return m_lf.italic; }
    bool IsWhiteBackground() const { return m_bg == 0xFFFFFF; }
    void ApplyBkMode(platform::draw::Dc* dc) const;

    // Same look: alignment, colours, background mode, angle and the 60 font bytes (not the
    // effect).
    bool IsSame(const CParagraph& other) const;
    // Takes over the look of `other` (everything IsSame compares; the effect stays).
    void CopyFrom(const CParagraph& other);
    void Dump(std::string& out) const;

private:
    LogFont m_lf{};
    uint32_t m_fg = 0;
    uint32_t m_bg = 0xFFFFFF;
    int m_nBkMode = 2;
    uint16_t m_wAlign = 0;
    uint16_t m_wAngle = 0;
    uint16_t m_nEffect = 0;
};

// Blanks (or any one byte) in a text.
int CountChar(const std::string& text, char c);

} // namespace typestone
