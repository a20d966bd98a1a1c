#include "platform/draw/pdf_font_subset.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::draw {

namespace {

// Beyond any glyph space; also keeps value * 10^4 exact in 64 bits.
constexpr double kMaxMagnitude = 1e9;

// The shortest decimal of `value` rounded to 4 decimals: "12", "-0.5", "0.0001"; never an
// exponent nor "-0". A value that is not a number is written as 0.
void appendNumber(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        value = 0;
    }
    value = std::clamp(value, -kMaxMagnitude, kMaxMagnitude);
    const long long tenThousandths = std::llround(value * 10000.0);
    if (tenThousandths < 0) {
        out += '-';
    }
    const unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(tenThousandths));
    out += std::to_string(magnitude / 10000);
    unsigned long long fraction = magnitude % 10000;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        const std::string text = std::to_string(fraction);
        out += '.';
        out.append(static_cast<size_t>(digits) - text.size(), '0');
        out += text;
    }
}

void appendPoint(std::string& out, double x, double y)
{
    appendNumber(out, x);
    out += ' ';
    appendNumber(out, y);
    out += ' ';
}

} // namespace

std::string type3GlyphProcedure(const QPainterPath& outline, double advance)
{
    std::string out;
    appendNumber(out, advance);
    out += " 0 ";
    if (outline.elementCount() == 0) {
        out += "0 0 0 0 d1\n";
        return out;
    }
    // Glyph space has y up, so the rectangle's top is the lowest y.
    const QRectF box = outline.boundingRect();
    appendPoint(out, std::floor(box.left()), std::floor(box.top()));
    appendPoint(out, std::ceil(box.right()), std::ceil(box.bottom()));
    out += "d1\n";

    bool subpathOpen = false;
    const int count = outline.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (subpathOpen) {
                out += "h\n";
            }
            appendPoint(out, e.x, e.y);
            out += "m\n";
            subpathOpen = true;
            break;
        case QPainterPath::LineToElement:
            appendPoint(out, e.x, e.y);
            out += "l\n";
            break;
        case QPainterPath::CurveToElement:
            // A curve is its first control point followed by two CurveToData elements.
            if (i + 2 >= count) {
                i = count;
                break;
            }
            for (int k = 0; k < 3; ++k) {
                const QPainterPath::Element p = outline.elementAt(i + k);
                appendPoint(out, p.x, p.y);
            }
            out += "c\n";
            i += 2;
            break;
        case QPainterPath::CurveToDataElement:
            break; // consumed by its curve
        }
    }
    if (subpathOpen) {
        out += "h\n";
    }
    out += "f\n";
    return out;
}

} // namespace platform::draw
