#include "platform/draw/page_setup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace platform::draw {

namespace {

std::optional<double> parseNumber(std::string_view text)
{
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !(value > 0)) {
        return std::nullopt;
    }
    return value;
}

int toPixels(double mm, int dpi)
{
    return static_cast<int>(std::lround(mm * dpi / 25.4));
}

} // namespace

PageSetup PageSetup::from(const spooler::PrinterDefaults& defaults, const spooler::PrintOptions& options)
{
    PageSetup setup;
    setup.media = options.media.value_or(defaults.media);
    setup.orientation = options.orientation.value_or(defaults.orientation);
    setup.resolution = options.resolution.value_or(defaults.resolution);
    setup.margins = defaults.margins;
    return setup;
}

std::optional<std::pair<double, double>> PageSetup::mediaSizeMm(const std::string& media)
{
    // The size is the part after the last '_': "<w>x<h>mm" or "<w>x<h>in".
    const size_t underscore = media.rfind('_');
    std::string_view size = underscore == std::string::npos ? std::string_view(media)
                                                            : std::string_view(media).substr(underscore + 1);
    double unit = 0;
    if (size.size() > 2 && size.substr(size.size() - 2) == "mm") {
        unit = 1.0;
    } else if (size.size() > 2 && size.substr(size.size() - 2) == "in") {
        unit = 25.4;
    } else {
        return std::nullopt;
    }
    size.remove_suffix(2);
    const size_t x = size.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width = parseNumber(size.substr(0, x));
    const auto height = parseNumber(size.substr(x + 1));
    if (!width || !height || *width * unit > 10000 || *height * unit > 10000) {
        return std::nullopt;
    }
    return std::make_pair(*width * unit, *height * unit);
}

bool PageSetup::isLandscape() const
{
    return orientation == spooler::Orientation::Landscape ||
           orientation == spooler::Orientation::ReverseLandscape;
}

bool PageSetup::check(std::string* error) const
{
    if (!spooler::isValidMediaName(media) || !mediaSizeMm(media)) {
        if (error) {
            *error = "media '" + media + "' has no size in its name";
        }
        return false;
    }
    if (resolution.x < 1 || resolution.y < 1 || resolution.x > spooler::kMaxResolution ||
        resolution.y > spooler::kMaxResolution) {
        if (error) {
            *error = "resolution " + spooler::resolutionText(resolution) + " is out of range";
        }
        return false;
    }
    const auto size = mediaSizeMm(media);
    const spooler::Margins& m = margins;
    const bool marginsInRange = m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0 &&
                                m.left <= spooler::kMaxMargin && m.top <= spooler::kMaxMargin &&
                                m.right <= spooler::kMaxMargin && m.bottom <= spooler::kMaxMargin;
    // At least a centimetre of the sheet must stay printable either way.
    if (!marginsInRange || (m.left + m.right) / 100.0 + 10 > size->first ||
        (m.top + m.bottom) / 100.0 + 10 > size->second) {
        if (error) {
            *error = "margins " + spooler::marginText(m.left) + ", " + spooler::marginText(m.top) + ", " +
                     spooler::marginText(m.right) + ", " + spooler::marginText(m.bottom) +
                     " mm leave no printable area on media '" + media + "'";
        }
        return false;
    }
    return true;
}

spooler::Margins PageSetup::pageMargins() const
{
    const spooler::Margins& m = margins;
    switch (orientation) {
    case spooler::Orientation::Landscape: // turned a quarter counter-clockwise
        return {m.bottom, m.left, m.top, m.right};
    case spooler::Orientation::ReverseLandscape:
        return {m.top, m.right, m.bottom, m.left};
    case spooler::Orientation::ReversePortrait:
        return {m.right, m.bottom, m.left, m.top};
    case spooler::Orientation::Portrait:
        break;
    }
    return m;
}

DeviceCaps PageSetup::caps() const
{
    auto size = mediaSizeMm(media).value_or(std::make_pair(210.0, 297.0));
    if (isLandscape()) {
        std::swap(size.first, size.second);
    }
    const spooler::Margins m = pageMargins();
    DeviceCaps caps;
    caps.dpiX = resolution.x;
    caps.dpiY = resolution.y;
    caps.physicalWidth = toPixels(size.first, resolution.x);
    caps.physicalHeight = toPixels(size.second, resolution.y);
    caps.offsetX = toPixels(m.left / 100.0, resolution.x);
    caps.offsetY = toPixels(m.top / 100.0, resolution.y);
    caps.width = std::max(1, caps.physicalWidth - caps.offsetX - toPixels(m.right / 100.0, resolution.x));
    caps.height = std::max(1, caps.physicalHeight - caps.offsetY - toPixels(m.bottom / 100.0, resolution.y));
    caps.widthMm = static_cast<int>(std::lround(size.first - (m.left + m.right) / 100.0));
    caps.heightMm = static_cast<int>(std::lround(size.second - (m.top + m.bottom) / 100.0));
    return caps;
}

} // namespace platform::draw
