#pragma once
// Makes fonts from logical font records. Including this header gives the whole font side of
// the drawing layer: LogFont (log_font.h), TextMetrics (text_metrics.h), CodePage
// (code_page.h) and Font/FontHandle (font.h).
//
// Implementation: QtFontEngine (the installed faces, metrics from their own tables); the tests
// have one with formula metrics of their own.

#include "platform/draw/code_page.h"
#include "platform/draw/font.h"
#include "platform/draw/log_font.h"
#include "platform/draw/text_metrics.h"

#include <string>

namespace platform::draw {

// The em height used for a record whose height is 0.
inline constexpr int kDefaultEmPixels = 16;

class FontEngine
{
public:
    virtual ~FontEngine();

    // Creates the font the record describes, substituting an installed face for the one
    // named. Null, with the reason in `error` when given, when no face at all can be had or
    // the record is out of range (|height| or |width| above kMaxFontPixels, weight outside
    // 0..1000). Safe to call from several threads at once.
    virtual FontHandle createFont(const LogFont& logFont, std::string* error = nullptr) = 0;

    static constexpr int kMaxFontPixels = 32767;
};

} // namespace platform::draw
