#pragma once
// A FontEngine with formula metrics, for tests that fit fonts without real faces.
//
// With H = |height| (kDefaultEmPixels when 0; the sign makes no difference, the em is the
// whole cell): ascent = round(0.8 H), descent = H - ascent, no leading; the average width
// A = width when given, else round(0.6 H); maxCharWidth = the largest advance.
// Fixed faces ("Courier New", "Lucida Console", "Terminal", any face with "Mono", "LineDraw" or
// "Terminal" in its name, and any face whose record asks for kFixedPitch) give every byte the
// advance A. Other faces are proportional: 'i', 'l', 'I', '.', ',', '\'', '!' and '|' take
// A / 2 (at least 1), 'M', 'W', 'm', 'w' take A * 3 / 2, all others A.
// Code page: Oem for charset kOemCharset and the Terminal and line-draw faces, Symbol for the
// "Symbol" face or kSymbolCharset, else Ansi (the charset reported the same way). Every face
// is TrueType (scalable); every byte 0x20..0xFF (0x00..0xFF for Oem) has a glyph.
// The installed family is the face name as asked.

#include "platform/draw/font_engine.h"

#include <atomic>

namespace platform::draw {

class FakeFontEngine : public FontEngine
{
public:
    FontHandle createFont(const LogFont& logFont, std::string* error = nullptr) override;

    // Fonts created so far.
    int createdCount() const { return m_created.load(); }

private:
    std::atomic<int> m_created{0};
};

} // namespace platform::draw
