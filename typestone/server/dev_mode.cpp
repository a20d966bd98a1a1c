#include "typestone/server/dev_mode.h"

#include "platform/bytes/le_reader.h"

#include <algorithm>
#include <cstring>

namespace typestone {

using platform::spooler::ColorMode;
using platform::spooler::Orientation;
using platform::spooler::PrinterDefaults;
using platform::spooler::PrintQuality;
using platform::spooler::Sides;

namespace {

constexpr size_t kMediaOffset = 52;
constexpr size_t kMediaSize = 64;

void put16(std::vector<uint8_t>& b, size_t off, int value)
{
    const auto v = static_cast<uint16_t>(value);
    b[off] = static_cast<uint8_t>(v & 0xFF);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}

bool validExtraName(const std::string& name)
{
    return !name.empty() && name.size() <= 64 &&
           name.find_first_of(std::string("=\r\n\0", 4)) == std::string::npos;
}

bool validExtraValue(const std::string& value)
{
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

bool fail(std::string* error, const char* text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

DevMode::DevMode(std::string deviceName, PrinterDefaults defaults) : settings(std::move(defaults))
{
    setDeviceName(deviceName);
}

void DevMode::setDeviceName(const std::string& name)
{
    m_deviceName = name.substr(0, kDeviceNameSize - 1);
}

std::vector<uint8_t> DevMode::toBytes() const
{
    std::string extraText;
    for (const auto& [name, value] : extra) {
        if (!validExtraName(name) || !validExtraValue(value))
            continue;
        std::string line = name + "=" + value + "\n";
        if (extraText.size() + line.size() > kMaxDriverExtra)
            continue;
        extraText += line;
    }
    std::vector<uint8_t> b(kFixedSize + extraText.size(), 0);
    std::memcpy(b.data(), m_deviceName.data(), m_deviceName.size());
    put16(b, 32, kVersion);
    put16(b, 34, kFixedSize);
    put16(b, 36, static_cast<int>(extraText.size()));
    put16(b, 38, static_cast<int>(settings.orientation) + 1);
    put16(b, 40, settings.copies);
    put16(b, 42, static_cast<int>(settings.sides) + 1);
    put16(b, 44, settings.colorMode == ColorMode::Monochrome ? 1 : 2);
    put16(b, 46,
          settings.quality == PrintQuality::Draft  ? -1
          : settings.quality == PrintQuality::High ? -4
                                                   : -3);
    put16(b, 48, settings.resolution.x);
    put16(b, 50, settings.resolution.y);
    std::memcpy(b.data() + kMediaOffset, settings.media.data(), std::min(settings.media.size(), kMediaSize));
    std::memcpy(b.data() + kFixedSize, extraText.data(), extraText.size());
    return b;
}

std::optional<DevMode> DevMode::fromBytes(const uint8_t* data, size_t size, std::string* error)
{
    if (!data || size < kFixedSize) {
        fail(error, "device settings block too short");
        return std::nullopt;
    }
    platform::bytes::LeReader r(data, size);
    const std::string deviceName = r.text(kDeviceNameSize);
    const uint16_t version = r.u16();
    const uint16_t dmSize = r.u16();
    const uint16_t dmExtra = r.u16();
    if (version != kVersion) {
        fail(error, "device settings block of an unknown version");
        return std::nullopt;
    }
    if (dmSize != kFixedSize || dmExtra > kMaxDriverExtra || size_t{dmSize} + dmExtra != size) {
        fail(error, "device settings block sizes do not match its length");
        return std::nullopt;
    }

    DevMode m;
    // A name that fills its field keeps room for the terminator.
    m.m_deviceName = deviceName.substr(0, kDeviceNameSize - 1);

    const int16_t orientation = r.i16();
    const int16_t copies = r.i16();
    const int16_t duplex = r.i16();
    const int16_t colour = r.i16();
    const int16_t quality = r.i16();
    const int16_t xResolution = r.i16();
    const int16_t yResolution = r.i16();
    const std::string media = r.text(kMediaSize);
    if (orientation < 1 || orientation > 4 || duplex < 1 || duplex > 3 || colour < 1 || colour > 2 ||
        (quality != -1 && quality != -3 && quality != -4)) {
        fail(error, "device settings block holds an unknown setting");
        return std::nullopt;
    }
    m.settings.orientation = static_cast<Orientation>(orientation - 1);
    m.settings.copies = copies;
    m.settings.sides = static_cast<Sides>(duplex - 1);
    m.settings.colorMode = colour == 1 ? ColorMode::Monochrome : ColorMode::Color;
    m.settings.quality = quality == -1   ? PrintQuality::Draft
                         : quality == -4 ? PrintQuality::High
                                         : PrintQuality::Normal;
    m.settings.resolution = {xResolution, yResolution};
    m.settings.media = media;
    std::string why;
    if (!platform::spooler::checkDefaults(m.settings, &why)) {
        if (error)
            *error = "device settings block: " + why;
        return std::nullopt;
    }

    std::string text(reinterpret_cast<const char*>(data + kFixedSize), dmExtra);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || !validExtraName(line.substr(0, eq)) ||
            !validExtraValue(line.substr(eq + 1))) {
            fail(error, "device settings block holds a malformed extra setting");
            return std::nullopt;
        }
        m.extra.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return m;
}

platform::spooler::PrintOptions DevMode::toPrintOptions() const
{
    platform::spooler::PrintOptions o;
    o.media = settings.media;
    o.orientation = settings.orientation;
    o.copies = settings.copies;
    o.sides = settings.sides;
    o.colorMode = settings.colorMode;
    o.quality = settings.quality;
    o.resolution = settings.resolution;
    return o;
}

} // namespace typestone
