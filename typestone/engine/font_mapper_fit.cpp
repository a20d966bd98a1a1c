// Measuring fonts and fitting them to a character cell.

#include "typestone/engine/font_mapper.h"
#include "typestone/engine/mul_div.h"
#include "typestone/engine/text_formatter.h"

#include "platform/charset/oem_ansi.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace typestone {

using platform::draw::LogFont;

namespace {

bool startsWithNoCase(const std::string& s, const char* prefix)
{
    for (size_t i = 0; prefix[i] != '\0'; ++i)
        if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) !=
                                 std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool fits(const CFontMapper::Measure& m, int tw, int th)
{
    return m.width > 0 && m.height > 0 && (tw == 0 || m.width <= tw) && (th == 0 || m.height <= th);
}

// Taller is better; as tall and at least as wide is better too.
bool better(const CFontMapper::Measure& m, const CFontMapper::Measure& best)
{
    return m.height > best.height || (m.height == best.height && m.width >= best.width);
}

int sgn(int v)
{
    return v < 0 ? -1 : 1;
}

} // namespace

bool CFontMapper::IsLineDrawFace(const std::string& face, uint8_t charset)
{
    return startsWithNoCase(face, "Video Terminal") || startsWithNoCase(face, "MS LineDraw") ||
           face.find("PLM WorkStation") != std::string::npos || charset != 0;
}

CFontMapper::Measure CFontMapper::MeasureFont(const LogFont& lf, uint32_t classFilter) const
{
    Measure m;
    if (m_engine == nullptr)
        return m;
    ++m_measures;
    const auto font = m_engine->createFont(lf);
    if (!font)
        return m;
    const auto& tm = font->metrics();
    m.height = tm.height + tm.externalLeading;
    const bool lineDraw = IsLineDrawFace(std::string(lf.faceNameView()), tm.charSet);
    const auto& toAnsi = platform::charset::oemToAnsiTable();
    const CharClasses fresh;
    const int defaultWidth = font->charWidth(tm.defaultChar);
    int reference = 0;
    bool fixed = true;
    for (int b = 0; b < 256; ++b) {
        const uint32_t entry = fresh[static_cast<uint8_t>(b)];
        uint8_t measured;
        if (classFilter != 0) {
            if ((entry & classFilter) != classFilter)
                continue;
            measured = CharClasses::lowByte(entry);
        } else {
            if (entry != 0)
                continue;
            measured =
                lineDraw ? static_cast<uint8_t>(b)
                         : (b == 0x9F ? uint8_t{0x80} : static_cast<uint8_t>(toAnsi[static_cast<size_t>(b)]));
        }
        const int w = (measured < tm.firstChar || measured > tm.lastChar) ? 0 : font->charWidth(measured);
        if (w == 0)
            continue;
        if (reference == 0) {
            reference = w;
            continue;
        }
        if (w == defaultWidth || w == reference)
            continue;
        fixed = false;
        if (w > reference)
            reference = w;
    }
    m.width = reference;
    m.fixed = fixed;
    return m;
}

CFontMapper::Measure CFontMapper::FitFont(LogFont& lf, int targetWidth, int targetHeight,
                                          uint32_t classFilter, bool fixedOnly)
{
    return m_bPrinting ? PrinterFit(lf, targetWidth, targetHeight, classFilter)
                       : ScreenFit(lf, targetWidth, targetHeight, classFilter, fixedOnly);
}

CFontMapper::Measure CFontMapper::ScreenFit(LogFont& lf, int tw, int th, uint32_t classFilter, bool fixedOnly)
{
    const auto probe = m_engine != nullptr ? m_engine->createFont(lf) : nullptr;
    const bool trueType = probe && probe->isTrueType();
    LogFont bestLf = lf;
    Measure best;
    auto ok = [&](const Measure& m) { return fits(m, tw, th) && (!fixedOnly || m.fixed); };
    if (trueType) {
        lf.height = -std::max(1, th);
        lf.width = tw;
        // Each round shrinks the width or the height by one, so the rounds are bounded.
        const int rounds = std::max(1, tw) + std::max(1, th) + 2;
        for (int round = 0; round < rounds; ++round) {
            const Measure m = MeasureFont(lf, classFilter);
            const bool tooWide = (tw != 0 && m.width > tw) || (fixedOnly && !m.fixed);
            const bool tooTall = tooWide || (th != 0 && m.height > th);
            if (!tooTall && m.width > 0) {
                best = m;
                bestLf = lf;
                break;
            }
            bool changed = false;
            if (tooWide && lf.width > 1) {
                --lf.width;
                changed = true;
            }
            if (tooTall && std::abs(lf.height) > 1) {
                lf.height += lf.height < 0 ? 1 : -1;
                changed = true;
            }
            if (!changed)
                break;
        }
    } else {
        lf.height = lf.width = 0;
    }
    if (best.width > 0 && best.width == tw && best.height == th) {
        lf = bestLf;
        return best;
    }
    // Upwards with the face's own aspect.
    const int sign = lf.height < 0 ? -1 : 1;
    const int bestHeight = std::abs(bestLf.height);
    const int limit = std::max(bestHeight, th) + 50;
    for (int h = 1; h <= limit; ++h) {
        LogFont trial = lf;
        trial.width = 0;
        trial.height = sign * h;
        const Measure m = MeasureFont(trial, classFilter);
        if (ok(m)) {
            if (best.width == 0 || better(m, best)) {
                best = m;
                bestLf = trial;
            }
        } else if (trueType) {
            break;
        }
        if (best.width > 0 && h > std::abs(bestLf.height) + 50)
            break;
    }
    if (best.width > 0 && best.height > 0)
        lf = bestLf;
    return best;
}

CFontMapper::Measure CFontMapper::StepFontSize(LogFont& lf, int tw, int th, bool grow, uint32_t classFilter,
                                               bool widthZero)
{
    std::optional<LogFont> remembered;
    int rememberedWidth = 0;
    int widthLimit = 0;
    bool settled = false;
    Measure m;
    for (int round = 1; round <= 6; ++round) {
        if (widthZero)
            lf.width = 0;
        m = MeasureFont(lf, classFilter);
        int f = tw != 0 ? tw - m.width : 0;
        int g = th != 0 ? th - m.height : 0;
        if ((f > 0 && g < 0) || (f < 0 && g > 0)) {
            if (grow)
                g = 0;
            else
                f = 0;
        }
        if (!grow) {
            if (remembered && (g != 0 || f < 0)) {
                lf = *remembered;
                return MeasureFont(lf, classFilter);
            }
            if (f > 0 && g == 0) {
                if (!remembered) {
                    remembered = lf;
                    rememberedWidth = m.width;
                    widthLimit = lf.width + 4 * f;
                } else if (m.width > rememberedWidth) {
                    remembered = lf;
                    rememberedWidth = m.width;
                }
            }
        }
        if (!settled)
            settled = grow ? (f <= 0 && g <= 0) : (f >= 0 && g >= 0);

        int fs = 0;
        if (f != 0) {
            int a = std::max(1, std::abs(f) / 2);
            if ((!grow && remembered) || (std::abs(f) < 2 && g >= 0))
                a = 1;
            fs = f < 0 ? -a : a;
            if (f < 0 && lf.width == 0) {
                fs = 0;
                if (g == 0)
                    g = -1;
            }
        }
        int gs = 0;
        if (g != 0) {
            gs = sgn(g) * std::max(1, std::abs(g) / 2);
            if (std::abs(lf.height) < 2 && gs < 0)
                break;
        }
        bool more;
        if (!settled)
            more = true;
        else if (grow)
            more = (tw != 0 && m.width < tw) || (th != 0 && m.height < th);
        else
            more = (tw != 0 && m.width > tw) || (th != 0 && m.height > th) ||
                   ((fs != 0 || gs != 0) && lf.width < widthLimit);
        if (!more || (fs == 0 && gs == 0))
            break;
        lf.width = std::max(0, lf.width + fs);
        const int h = std::max(1, std::abs(lf.height) + gs);
        lf.height = lf.height < 0 ? -h : h;
    }
    if (remembered && m.width < rememberedWidth) {
        lf = *remembered;
        m = MeasureFont(lf, classFilter);
    }
    return m;
}

CFontMapper::Measure CFontMapper::PrinterFit(LogFont& lf, int tw, int th, uint32_t classFilter)
{
    lf.outPrecision = platform::draw::kOutTtPrecision;
    const auto probe = m_engine != nullptr ? m_engine->createFont(lf) : nullptr;
    if (!probe)
        return {};
    const bool trueType = probe->isTrueType();
    Measure m;
    lf.height = -std::max(1, th);
    if (trueType) {
        lf.width = tw;
        m = StepFontSize(lf, tw, th, true, classFilter, false);
        if ((tw != 0 && m.width != tw) || (th != 0 && m.height != th))
            m = StepFontSize(lf, tw, th, false, classFilter, false);
    } else {
        lf.width = 0;
        m = StepFontSize(lf, tw, th, false, classFilter, true);
    }
    LogFont bestLf = lf;
    Measure best = fits(m, tw, th) ? m : Measure{};
    if (best.width > 0 && (tw == 0 || best.width == tw) && (th == 0 || best.height == th))
        return best;

    // The neighbourhood of the step search's result.
    const int h0 = std::abs(lf.height);
    const int w0 = lf.width;
    const int hFrom = trueType ? std::max(1, h0 - 2) : h0;
    const int hTo = trueType ? h0 + 2 : h0 + 10;
    const int wFrom = trueType ? std::max(0, w0 - 2) : 0;
    const int wTo = trueType ? w0 + 2 : 0;
    bool exact = false;
    for (int h = hFrom; h <= hTo && !exact; ++h) {
        bool tooTallAtZero = false;
        for (int w = wFrom; w <= wTo; ++w) {
            LogFont trial = lf;
            trial.height = -h;
            trial.width = w;
            const Measure t = MeasureFont(trial, 0);
            if (w == 0 && th != 0 && t.height > th)
                tooTallAtZero = true;
            if (fits(t, tw, th) && (best.width == 0 || better(t, best))) {
                best = t;
                bestLf = trial;
            }
            if (t.width == tw && t.height == th) {
                exact = true;
                break;
            }
        }
        if (wTo == 0 && tooTallAtZero)
            break;
    }
    // Never leave a font larger than the cell: the tallest height that fits, found by halving
    // (a cell thousands of pixels tall takes a dozen measurements, not thousands).
    if (best.width == 0) {
        LogFont trial = lf;
        if (trueType && tw != 0)
            trial.width = std::min(trial.width, tw);
        int lo = 1;
        int hi = std::max(1, std::abs(lf.height));
        while (lo <= hi) {
            const int h = lo + (hi - lo) / 2;
            trial.height = -h;
            const Measure t = MeasureFont(trial, 0);
            if (fits(t, tw, th)) {
                best = t;
                bestLf = trial;
                lo = h + 1;
            } else {
                hi = h - 1;
            }
        }
    }
    lf.height = bestLf.height;
    lf.width = bestLf.width;
    return best;
}

bool CFontMapper::SetGridFont(uint16_t attr, int columns, int rows)
{
    if (m_dc == nullptr) {
        m_cols = columns;
        m_rows = rows;
        return false;
    }
    const auto caps = m_dc->caps();
    if (columns <= 0 && rows <= 0) {
        columns = 80;
        rows = 58;
    } else if (columns <= 0) {
        // The page's own proportions, rounded to the nearest count.
        columns = std::max(1, MulDiv(caps.width, rows, caps.height));
    } else if (rows <= 0) {
        rows = std::max(1, MulDiv(caps.height, columns, caps.width));
    }
    m_cols = columns;
    m_rows = rows;

    LogFont lf = m_baseFont ? *m_baseFont : m_currLogFont;
    if (lf.faceNameView().empty()) {
        lf.setFaceName("Courier New");
        lf.pitchAndFamily = platform::draw::kFixedPitch;
        lf.charSet = platform::draw::kAnsiCharset;
        lf.weight = platform::draw::kWeightNormal;
    }
    lf.italic = (attr & 0x01) ? 1 : 0;
    lf.weight = (attr & 0x02) ? 800 : 400;
    lf.underline = (attr & 0x04) ? 1 : 0;
    lf.strikeOut = (attr & 0x80) ? 1 : 0;
    m_dc->setTextAlign(platform::draw::TextAlign::Baseline);

    int cellW = caps.width / columns;
    int cellH = caps.height / rows;
    if (attr & 0x08) {
        cellW = cellW * 5 / 8;
        cellH = cellH * 5 / 8;
    } else {
        if (attr & 0x10)
            cellW *= 2;
        if (attr & 0x20)
            cellH *= 2;
    }
    FitFont(lf, cellW, cellH, 0, false);
    m_unitMode = kUnitGrid;
    m_attr = attr;
    if (!SelFont(lf, attr))
        return false;
    // The grid's row is the line pitch whatever the fitted face measures: a face a pixel short of
    // its cell would put one more line on every page, and continuous forms would drift page by page.
    m_dy = std::max(1, caps.height / rows);
    m_cellH = m_dy;
    SetLineGeometry(m_cellW, m_cellH);
    if (!m_clip.isEmpty())
        m_curr.y = std::max(m_curr.y, m_clip.top + m_dy);
    return true;
}

} // namespace typestone
