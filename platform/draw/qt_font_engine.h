#pragma once
// The FontEngine of the installed faces, through Qt (QRawFont).
//
// The face a record names goes through the alias table (face_alias.h): "Courier New" is
// Liberation Mono, "Arial" Liberation Sans, "Times New Roman" Liberation Serif, "Terminal",
// "Lucida Console" and the line-draw faces DejaVu Sans Mono (OEM glyphs), "Symbol" DejaVu
// Sans with the Symbol encoding. An installed family may also be named directly. A face
// neither knows is replaced by the Liberation face of the record's pitch and family, and the
// fallback is reported to the fallback callback.
//
// Metrics follow the Windows rules for outline fonts, from the face's own tables (head, hhea,
// OS/2, hmtx): with a negative height the em is -height pixels, with a positive one the cell
// (usWinAscent + usWinDescent) is height pixels; ascent and descent are usWinAscent and
// usWinDescent scaled and rounded; internal leading = height - em; external leading =
// max(0, hhea lineGap - ((winAscent + winDescent) - (hhea ascender - descender))) scaled;
// aveCharWidth is xAvgCharWidth scaled, maxCharWidth advanceWidthMax scaled. A non-zero width
// scales horizontally by exactly width / xAvgCharWidth, so aveCharWidth == width. Each
// byte's advance is its glyph's hmtx advance scaled and rounded.
//
// Qt's fonts need a QGuiApplication (offscreen will do) for the whole life of the engine and
// its fonts; without one createFont fails with a reason.

#include "platform/draw/font_engine.h"

#include <functional>
#include <memory>
#include <string>

namespace platform::draw {

class QtFontEngine : public FontEngine
{
public:
    // Called with the face asked for and the installed family used instead, whenever a face
    // is neither an alias nor installed.
    using FallbackLogger = std::function<void(const std::string& requested, const std::string& used)>;

    QtFontEngine();
    ~QtFontEngine() override;

    QtFontEngine(const QtFontEngine&) = delete;
    QtFontEngine& operator=(const QtFontEngine&) = delete;

    void setFallbackLogger(FallbackLogger logger);

    FontHandle createFont(const LogFont& logFont, std::string* error = nullptr) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace platform::draw
