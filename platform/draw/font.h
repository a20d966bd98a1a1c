#pragma once
// A created font: the record it was made from, its metrics and the advance of every byte.
// Immutable once made; FontEngine::createFont hands it out as a shared FontHandle, and a Dc
// keeps the handle it has selected alive. Metrics may be read from any thread; drawing with a
// font happens on the thread of the Dc it is selected into.

#include "platform/draw/code_page.h"
#include "platform/draw/log_font.h"
#include "platform/draw/text_metrics.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::draw {

class Font
{
public:
    virtual ~Font();

    // The record as asked for (face name as the host spelt it).
    const LogFont& logFont() const { return m_logFont; }
    const TextMetrics& metrics() const { return m_metrics; }
    // The face that is really used ("Liberation Mono" for "Courier New").
    const std::string& installedFamily() const { return m_installedFamily; }
    // How bytes become characters when this font draws them.
    CodePage codePage() const { return m_codePage; }
    // A scalable outline face (the Windows "TrueType" test, tmPitchAndFamily & kTmpfTrueType).
    bool isTrueType() const { return (m_metrics.pitchAndFamily & kTmpfTrueType) != 0; }
    // True when every byte has the same advance (kTmpfVariablePitch clear).
    bool isFixedPitch() const { return (m_metrics.pitchAndFamily & kTmpfVariablePitch) == 0; }

    // The advance of one byte in whole pixels (GetCharWidth); a byte the face has no glyph for
    // has the advance of the face's missing-glyph box.
    int charWidth(std::uint8_t byte) const { return m_widths[byte]; }
    // Advances of bytes first..last inclusive (empty when last < first).
    std::vector<int> charWidths(std::uint8_t first, std::uint8_t last) const;
    // The sum of the advances (the width DrawText with DT_CALCRECT measures), at most INT_MAX.
    int textWidth(std::string_view bytes) const;
    // Whether the face has a glyph for the byte in this font's code page.
    bool hasGlyph(std::uint8_t byte) const { return m_hasGlyph[byte]; }

protected:
    Font(const LogFont& logFont, const TextMetrics& metrics, std::string installedFamily, CodePage codePage,
         const std::array<int, 256>& widths, const std::array<bool, 256>& hasGlyph);

private:
    LogFont m_logFont;
    TextMetrics m_metrics;
    std::string m_installedFamily;
    CodePage m_codePage;
    std::array<int, 256> m_widths;
    std::array<bool, 256> m_hasGlyph;
};

using FontHandle = std::shared_ptr<const Font>;

} // namespace platform::draw
