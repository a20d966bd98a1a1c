#include "typestone/widgets/fsize_report.h"

#include "typestone/engine/font_mapper.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace typestone {
namespace {

[[gnu::format(printf, 2, 3)]] void append(std::string& out, const char* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    if (n > 0) {
        const size_t at = out.size();
        out.resize(at + size_t(n) + 1);
        std::vsnprintf(out.data() + at, size_t(n) + 1, pattern, again);
        out.resize(at + size_t(n));
    }
    va_end(again);
}

// How a measured cell compares with the grid's.
const char* mark(int dx, int dy, int tw, int th)
{
    if (dx == tw && dy == th)
        return "<<<<<<<<<<<<<<<<<<";
    if (dx == tw && dy < th)
        return "*****";
    if (dy == th && dx < tw)
        return "+++++";
    if (dx < tw && dy < th)
        return "-----";
    return "";
}

} // namespace

FSizeResult RunFontSizeTest(platform::draw::FontEngine& engine, const std::string& face, unsigned columns,
                            unsigned rows, int screenWidth, int screenHeight, bool printerFitting)
{
    FSizeResult r;
    r.targetWidth = screenWidth / int(std::max(columns, 1u));
    r.targetHeight = screenHeight / int(std::max(rows, 1u));

    platform::draw::LogFont& lf = r.logFont;
    lf.setFaceName(face);
    lf.weight = 0;
    lf.charSet = platform::draw::kDefaultCharset;

    CFontMapper mapper(nullptr, 0, &engine);
    mapper.SetPrinting(printerFitting);
    QElapsedTimer clock;
    clock.start();
    mapper.FitFont(lf, r.targetWidth, r.targetHeight, 0, false);
    const auto fitMs = unsigned(clock.elapsed());

    const CFontMapper::Measure m = mapper.MeasureFont(lf, 0);
    r.dx = m.width;
    r.dy = m.height;
    r.fixed = m.fixed;
    if (const platform::draw::FontHandle font = engine.createFont(lf))
        r.chosenFace = font->installedFamily();
    if (!r.chosenFace.empty())
        lf.setFaceName(r.chosenFace);

    append(r.report, "(%u msec) %s(%s) h=%d, w=%d, (cols=%u, rows=%u), dx=%u/%u, dy=%u/%u- (%s)", fitMs,
           face.c_str(), r.chosenFace.c_str(), int(lf.height), int(lf.width), columns, rows, unsigned(r.dx),
           unsigned(r.targetWidth), unsigned(r.dy), unsigned(r.targetHeight),
           r.fixed ? "FIXED" : "PROPORTIONAL");
    r.report += "\n\n**********************\n";

    clock.restart();
    const int h = std::abs(int(lf.height));
    const int w = std::abs(int(lf.width));
    for (int height = std::max(0, h - 1); height <= h + 1; ++height) {
        for (int width = std::max(0, w - 3); width <= w + 2; ++width) {
            platform::draw::LogFont trial = lf;
            trial.height = -height;
            trial.width = width;
            const CFontMapper::Measure t = mapper.MeasureFont(trial, 0);
            const bool chosen = height == h && width == w;
            if (chosen)
                r.report += "\n";
            append(r.report, "\n\th=%d, w=%d, dx=%u/%u, dy=%u/%u %s", int(trial.height), int(trial.width),
                   unsigned(t.width), unsigned(r.targetWidth), unsigned(t.height), unsigned(r.targetHeight),
                   mark(t.width, t.height, r.targetWidth, r.targetHeight));
            if (chosen)
                r.report += "\n";
        }
    }
    append(r.report, "\nElapsed=%u msec", unsigned(clock.elapsed()));
    return r;
}

} // namespace typestone
