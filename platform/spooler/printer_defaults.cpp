#include "platform/spooler/printer_defaults.h"

#include <charconv>

namespace platform::spooler {

namespace {

std::optional<int> parseInt(std::string_view text, int min, int max)
{
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

const char* keyword(Orientation value)
{
    switch (value) {
    case Orientation::Portrait:
        return "portrait";
    case Orientation::Landscape:
        return "landscape";
    case Orientation::ReversePortrait:
        return "reverse-portrait";
    case Orientation::ReverseLandscape:
        return "reverse-landscape";
    }
    return "portrait";
}

const char* keyword(Sides value)
{
    switch (value) {
    case Sides::OneSided:
        return "one-sided";
    case Sides::TwoSidedLongEdge:
        return "two-sided-long-edge";
    case Sides::TwoSidedShortEdge:
        return "two-sided-short-edge";
    }
    return "one-sided";
}

const char* keyword(ColorMode value)
{
    return value == ColorMode::Monochrome ? "monochrome" : "color";
}

const char* keyword(PrintQuality value)
{
    switch (value) {
    case PrintQuality::Draft:
        return "draft";
    case PrintQuality::Normal:
        return "normal";
    case PrintQuality::High:
        return "high";
    }
    return "normal";
}

std::string resolutionText(Resolution value)
{
    return std::to_string(value.x) + "x" + std::to_string(value.y);
}

std::optional<Orientation> parseOrientation(std::string_view text)
{
    for (Orientation value : {Orientation::Portrait, Orientation::Landscape, Orientation::ReversePortrait,
                              Orientation::ReverseLandscape})
        if (text == keyword(value))
            return value;
    return std::nullopt;
}

std::optional<Sides> parseSides(std::string_view text)
{
    for (Sides value : {Sides::OneSided, Sides::TwoSidedLongEdge, Sides::TwoSidedShortEdge})
        if (text == keyword(value))
            return value;
    return std::nullopt;
}

std::optional<ColorMode> parseColorMode(std::string_view text)
{
    for (ColorMode value : {ColorMode::Color, ColorMode::Monochrome})
        if (text == keyword(value))
            return value;
    return std::nullopt;
}

std::optional<PrintQuality> parseQuality(std::string_view text)
{
    for (PrintQuality value : {PrintQuality::Draft, PrintQuality::Normal, PrintQuality::High})
        if (text == keyword(value))
            return value;
    return std::nullopt;
}

std::optional<Resolution> parseResolution(std::string_view text)
{
    const size_t x = text.find('x');
    const auto first = parseInt(text.substr(0, x), 1, kMaxResolution);
    if (!first)
        return std::nullopt;
    if (x == std::string_view::npos)
        return Resolution{*first, *first};
    const auto second = parseInt(text.substr(x + 1), 1, kMaxResolution);
    if (!second)
        return std::nullopt;
    return Resolution{*first, *second};
}

std::optional<int> parseCopies(std::string_view text)
{
    return parseInt(text, 1, kMaxCopies);
}

std::optional<int> parseMargin(std::string_view text)
{
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 2 || (dot != std::string_view::npos && fraction.empty()) ||
        fraction.size() > 2)
        return std::nullopt;
    const auto mm = parseInt(whole, 0, kMaxMargin / 100);
    const auto hundredths = fraction.empty() ? std::optional<int>(0) : parseInt(fraction, 0, 99);
    if (!mm || !hundredths || fraction.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int value = *mm * 100 + (fraction.size() == 1 ? *hundredths * 10 : *hundredths);
    if (value > kMaxMargin)
        return std::nullopt;
    return value;
}

std::string marginText(int hundredths)
{
    const std::string rest = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + "." + (rest.size() < 2 ? "0" : "") + rest;
}

bool isValidMediaName(std::string_view media)
{
    if (media.empty() || media.size() > 64)
        return false;
    for (char c : media) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

bool checkDefaults(const PrinterDefaults& defaults, std::string* error)
{
    std::string problem;
    if (!isValidMediaName(defaults.media))
        problem = "invalid media name \"" + defaults.media + "\"";
    else if (defaults.copies < 1 || defaults.copies > kMaxCopies)
        problem = "copies must be 1 to " + std::to_string(kMaxCopies);
    else if (defaults.resolution.x < 1 || defaults.resolution.x > kMaxResolution ||
             defaults.resolution.y < 1 || defaults.resolution.y > kMaxResolution)
        problem = "resolution must be 1 to " + std::to_string(kMaxResolution) + " dpi";
    else
        for (const int margin :
             {defaults.margins.left, defaults.margins.top, defaults.margins.right, defaults.margins.bottom})
            if (margin < 0 || margin > kMaxMargin)
                problem = "margins must be 0 to " + marginText(kMaxMargin) + " mm";
    if (problem.empty())
        return true;
    if (error)
        *error = problem;
    return false;
}

std::string formatDefaults(const PrinterDefaults& defaults)
{
    std::string text;
    text += "media=" + defaults.media + "\n";
    text += std::string("orientation=") + keyword(defaults.orientation) + "\n";
    text += "copies=" + std::to_string(defaults.copies) + "\n";
    text += std::string("sides=") + keyword(defaults.sides) + "\n";
    text += std::string("color-mode=") + keyword(defaults.colorMode) + "\n";
    text += std::string("quality=") + keyword(defaults.quality) + "\n";
    text += "resolution=" + resolutionText(defaults.resolution) + "\n";
    text += "margin-left=" + marginText(defaults.margins.left) + "\n";
    text += "margin-top=" + marginText(defaults.margins.top) + "\n";
    text += "margin-right=" + marginText(defaults.margins.right) + "\n";
    text += "margin-bottom=" + marginText(defaults.margins.bottom) + "\n";
    return text;
}

bool parseDefaults(std::string_view text, PrinterDefaults* defaults, std::string* error)
{
    PrinterDefaults result;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const size_t eq = line.find('=');
        bool ok = eq != std::string_view::npos;
        if (ok) {
            const std::string_view key = trimmed(line.substr(0, eq));
            const std::string_view value = trimmed(line.substr(eq + 1));
            if (key == "media") {
                ok = isValidMediaName(value);
                if (ok)
                    result.media = std::string(value);
            } else if (key == "orientation") {
                const auto v = parseOrientation(value);
                ok = v.has_value();
                result.orientation = v.value_or(result.orientation);
            } else if (key == "copies") {
                const auto v = parseCopies(value);
                ok = v.has_value();
                result.copies = v.value_or(result.copies);
            } else if (key == "sides") {
                const auto v = parseSides(value);
                ok = v.has_value();
                result.sides = v.value_or(result.sides);
            } else if (key == "color-mode") {
                const auto v = parseColorMode(value);
                ok = v.has_value();
                result.colorMode = v.value_or(result.colorMode);
            } else if (key == "quality") {
                const auto v = parseQuality(value);
                ok = v.has_value();
                result.quality = v.value_or(result.quality);
            } else if (key == "margin-left" || key == "margin-top" || key == "margin-right" ||
                       key == "margin-bottom") {
                const auto v = parseMargin(value);
                ok = v.has_value();
                int& margin = key == "margin-left"    ? result.margins.left
                              : key == "margin-top"   ? result.margins.top
                              : key == "margin-right" ? result.margins.right
                                                      : result.margins.bottom;
                margin = v.value_or(margin);
            } else if (key == "resolution") {
                const auto v = parseResolution(value);
                ok = v.has_value();
                result.resolution = v.value_or(result.resolution);
            }
        }
        if (!ok) {
            if (error)
                *error =
                    "bad setting on line " + std::to_string(lineNumber) + ": \"" + std::string(line) + "\"";
            return false;
        }
    }
    *defaults = result;
    return true;
}

} // namespace platform::spooler
