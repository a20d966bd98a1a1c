#include "tests/support/draw/fake_font_engine.h"

#include "platform/draw/face_names.h"
#include "tests/support/draw/fake_font.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace platform::draw {

namespace {

bool isFixedFace(const LogFont& font)
{
    const std::string_view name = font.faceNameView();
    if ((font.pitchAndFamily & 0x03) == kFixedPitch) {
        return true;
    }
    for (const char* fixed : {"Courier New", "Lucida Console", "Terminal"}) {
        if (sameFaceName(name, fixed)) {
            return true;
        }
    }
    return containsFaceName(name, "Mono") || containsFaceName(name, "LineDraw") ||
           containsFaceName(name, "Terminal") || isLineDrawFaceName(name);
}

CodePage codePageOf(const LogFont& font)
{
    const std::string_view name = font.faceNameView();
    if (font.charSet == kOemCharset || containsFaceName(name, "Terminal") || isLineDrawFaceName(name)) {
        return CodePage::Oem;
    }
    if (font.charSet == kSymbolCharset || sameFaceName(name, "Symbol")) {
        return CodePage::Symbol;
    }
    return CodePage::Ansi;
}

} // namespace

FontHandle FakeFontEngine::createFont(const LogFont& logFont, std::string* error)
{
    if (std::abs(static_cast<long long>(logFont.height)) > kMaxFontPixels ||
        std::abs(static_cast<long long>(logFont.width)) > kMaxFontPixels || logFont.weight < 0 ||
        logFont.weight > 1000) {
        if (error) {
            *error = "font record out of range";
        }
        return nullptr;
    }
    const int h = logFont.height == 0 ? kDefaultEmPixels : std::abs(logFont.height);
    const int average = logFont.width != 0 ? std::abs(logFont.width) : static_cast<int>(std::lround(0.6 * h));
    const bool fixed = isFixedFace(logFont);
    const CodePage codePage = codePageOf(logFont);

    std::array<int, 256> widths{};
    std::array<bool, 256> hasGlyph{};
    for (int byte = 0; byte < 256; ++byte) {
        int width = average;
        if (!fixed) {
            switch (byte) {
            case 'i':
            case 'l':
            case 'I':
            case '.':
            case ',':
            case '\'':
            case '!':
            case '|':
                width = std::max(1, average / 2);
                break;
            case 'M':
            case 'W':
            case 'm':
            case 'w':
                width = average * 3 / 2;
                break;
            default:
                break;
            }
        }
        widths[byte] = width;
        hasGlyph[byte] = codePage == CodePage::Oem || byte >= 0x20;
    }

    TextMetrics metrics;
    metrics.ascent = static_cast<int>(std::lround(0.8 * h));
    metrics.descent = h - metrics.ascent;
    metrics.height = h;
    metrics.aveCharWidth = average;
    metrics.maxCharWidth = *std::max_element(widths.begin(), widths.end());
    metrics.weight = logFont.weight == 0 ? kWeightNormal : logFont.weight;
    metrics.firstChar = codePage == CodePage::Oem ? 0x00 : 0x20;
    metrics.lastChar = 0xFF;
    metrics.defaultChar = codePage == CodePage::Oem ? 0x00 : 0x1F;
    metrics.italic = logFont.italic ? 1 : 0;
    metrics.underlined = logFont.underline ? 1 : 0;
    metrics.struckOut = logFont.strikeOut ? 1 : 0;
    metrics.pitchAndFamily = static_cast<std::uint8_t>(
        kTmpfVector | kTmpfTrueType | (fixed ? 0 : kTmpfVariablePitch) | (logFont.pitchAndFamily & 0xF0));
    metrics.charSet = codePage == CodePage::Oem      ? kOemCharset
                      : codePage == CodePage::Symbol ? kSymbolCharset
                                                     : kAnsiCharset;
    ++m_created;
    return std::make_shared<FakeFont>(logFont, metrics, codePage, widths, hasGlyph);
}

} // namespace platform::draw
