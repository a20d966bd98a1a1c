#include "platform/draw/recording_dc.h"

#include <cstdio>

namespace platform::draw {

namespace {

std::string pointText(Point p)
{
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

const char* modeText(BackgroundMode mode)
{
    return mode == BackgroundMode::Transparent ? "transparent" : "opaque";
}

const char* alignText(TextAlign align)
{
    switch (align) {
    case TextAlign::Top:
        return "top";
    case TextAlign::Baseline:
        return "baseline";
    case TextAlign::Bottom:
        return "bottom";
    }
    return "?";
}

} // namespace

RecordingDc::RecordingDc(const DeviceCaps& caps) : m_caps(caps) {}

std::string RecordingDc::quoteBytes(std::string_view bytes)
{
    std::string out = "'";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '\'') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    out += '\'';
    return out;
}

std::string RecordingDc::colorText(Color color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

std::string RecordingDc::rectText(const Rect& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) +
           "," + std::to_string(rect.bottom);
}

std::string RecordingDc::brushText(const Brush& brush)
{
    switch (brush.style) {
    case BrushStyle::Null:
        return "null";
    case BrushStyle::Solid:
        return "solid " + colorText(brush.color);
    case BrushStyle::Pattern: {
        std::string text = "pattern ";
        for (const auto row : brush.pattern) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", row);
            text += hex;
        }
        return text;
    }
    }
    return "?";
}

std::string RecordingDc::text() const
{
    std::string all;
    for (const auto& line : m_lines) {
        all += line;
        all += '\n';
    }
    return all;
}

void RecordingDc::setTextColor(Color color)
{
    StatefulDc::setTextColor(color);
    m_lines.push_back("textcolor " + colorText(color));
}

void RecordingDc::setBackgroundColor(Color color)
{
    StatefulDc::setBackgroundColor(color);
    m_lines.push_back("bkcolor " + colorText(color));
}

void RecordingDc::setBackgroundMode(BackgroundMode mode)
{
    StatefulDc::setBackgroundMode(mode);
    m_lines.push_back(std::string("bkmode ") + modeText(mode));
}

void RecordingDc::setTextAlign(TextAlign align)
{
    StatefulDc::setTextAlign(align);
    m_lines.push_back(std::string("align ") + alignText(align));
}

FontHandle RecordingDc::selectFont(FontHandle font)
{
    if (!font) {
        m_lines.push_back("font none");
    } else {
        const LogFont& lf = font->logFont();
        m_lines.push_back("font " + quoteBytes(lf.faceNameView()) + " h=" + std::to_string(lf.height) +
                          " w=" + std::to_string(lf.width) + " weight=" + std::to_string(lf.weight) +
                          " italic=" + std::to_string(lf.italic ? 1 : 0) +
                          " underline=" + std::to_string(lf.underline ? 1 : 0) +
                          " strikeout=" + std::to_string(lf.strikeOut ? 1 : 0) +
                          " charset=" + std::to_string(lf.charSet) + " esc=" + std::to_string(lf.escapement));
    }
    return StatefulDc::selectFont(std::move(font));
}

Pen RecordingDc::selectPen(const Pen& pen)
{
    if (pen.style == PenStyle::Null) {
        m_lines.push_back("pen null");
    } else {
        m_lines.push_back("pen solid " + std::to_string(pen.width) + " " + colorText(pen.color));
    }
    return StatefulDc::selectPen(pen);
}

Brush RecordingDc::selectBrush(const Brush& brush)
{
    m_lines.push_back("brush " + brushText(brush));
    return StatefulDc::selectBrush(brush);
}

void RecordingDc::save()
{
    StatefulDc::save();
    m_lines.push_back("save");
}

bool RecordingDc::restore()
{
    const bool restored = StatefulDc::restore();
    m_lines.push_back(restored ? "restore" : "restore none");
    return restored;
}

void RecordingDc::setTextJustification(int extra, int breakCount)
{
    const int oldExtra = state().justifyExtra;
    const int oldBreaks = state().justifyBreaks;
    StatefulDc::setTextJustification(extra, breakCount);
    if (state().justifyExtra != oldExtra || state().justifyBreaks != oldBreaks)
        m_lines.push_back("justify " + std::to_string(state().justifyExtra) + "," +
                          std::to_string(state().justifyBreaks));
}

bool RecordingDc::textOut(Point at, std::string_view bytes, const std::optional<Rect>& clip)
{
    std::string line = "text " + pointText(at) + " " + quoteBytes(bytes);
    if (clip) {
        line += " clip=" + rectText(*clip);
    }
    const std::vector<int> justify = takeJustification(bytes);
    std::string spread;
    for (size_t i = 0; i < justify.size(); ++i)
        if (bytes[i] == ' ' && justify[i] > 0)
            spread += (spread.empty() ? " extra=" : ",") + std::to_string(justify[i]);
    line += spread;
    m_lines.push_back(std::move(line));
    return font() != nullptr;
}

void RecordingDc::moveTo(Point to)
{
    StatefulDc::moveTo(to);
    m_lines.push_back("moveto " + pointText(to));
}

void RecordingDc::lineTo(Point to)
{
    StatefulDc::moveTo(to);
    m_lines.push_back("lineto " + pointText(to));
}

void RecordingDc::rectangle(const Rect& rect)
{
    m_lines.push_back("rect " + rectText(rect));
}

void RecordingDc::fillRect(const Rect& rect, const Brush& brush)
{
    m_lines.push_back("fill " + rectText(rect) + " " + brushText(brush));
}

void RecordingDc::drawImage(const Rect& target, const QImage& image)
{
    m_lines.push_back("image " + rectText(target) + " " + std::to_string(image.width()) + "x" +
                      std::to_string(image.height()));
}

} // namespace platform::draw
