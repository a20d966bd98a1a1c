#pragma once
// A font of QtFontEngine: the metrics plus what a PainterDc needs to draw the glyphs
// (internal to platform/draw).

#include "platform/draw/font.h"

#include <QRawFont>

#include <array>

namespace platform::draw {

class QtFont : public Font
{
public:
    struct Glyphs
    {
        QRawFont rawFont;                 // at the em size in pixels (vertical scale)
        qreal horizontalScale = 1.0;      // width scale relative to the vertical one
        std::array<quint32, 256> index{}; // glyph per byte; 0: missing (or none for a blank)
        std::array<bool, 256> blank{};    // the byte shows nothing (control codes)
        std::array<bool, 256> inkless{};  // its glyph has no outline (a blank): left out of runs
        qreal underlinePosition = 0;      // pixels below the baseline (top of the stroke)
        qreal underlineThickness = 1;
        qreal strikeoutPosition = 0; // pixels above the baseline (top of the stroke)
        qreal strikeoutThickness = 1;
    };

    QtFont(const LogFont& logFont, const TextMetrics& metrics, std::string installedFamily, CodePage codePage,
           const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph, Glyphs glyphs);

    const Glyphs& glyphs() const { return m_glyphs; }

private:
    Glyphs m_glyphs;
};

} // namespace platform::draw
