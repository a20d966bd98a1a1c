#include "typestone/server/general_settings.h"

#include "klv_inet/support/msg_dlg.h"
#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include "typestone/server/store_failure.h"

#include <charconv>
#include <cstring>

namespace typestone {
namespace {

uint16_t plusTwo(uint16_t port)
{
    return port <= 65533 ? uint16_t(port + 2) : uint16_t(port - 2);
}

} // namespace

std::string GeneralSection()
{
    std::string section;
    return FormSection(section, "General");
}

bool GetCFGFlag(const char* name, bool defaultValue)
{
    char buffer[10] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), name, buffer, &size))
        return defaultValue;
    buffer[sizeof buffer - 1] = '\0';
    return std::strlen(buffer) == 3 && (buffer[0] | 0x20) == 'y' && (buffer[1] | 0x20) == 'e' &&
           (buffer[2] | 0x20) == 's';
}

void SetCFGFlag(const char* name, bool on)
{
    SetCFGString(name, on ? "yes" : "no");
}

bool SetCFGString(const char* name, const std::string& value)
{
    if (klv::writeRegistryEntry(GeneralSection().c_str(), name, value.c_str(), uint32_t(value.size() + 1),
                                KLV_REG_SZ))
        return true;
    ReportStoreFailure(std::string("writing the setting ") + name, platform::SettingsStore::lastError());
    return false;
}

bool GetTrimmedCfg(const char* name, std::string* text)
{
    char buffer[32] = {};
    uint32_t size = sizeof buffer;
    if (!GetRegistryEntry(GeneralSection().c_str(), name, buffer, &size))
        return false;
    buffer[sizeof buffer - 1] = '\0';
    const char* begin = buffer;
    const char* end = buffer + std::strlen(buffer);
    while (begin < end && *begin == ' ')
        ++begin;
    while (end > begin && end[-1] == ' ')
        --end;
    text->assign(begin, end);
    return true;
}

uint32_t GetNumberCfg(const char* name, uint32_t defaultValue, uint32_t lowest, uint32_t highest)
{
    std::string text;
    if (!GetTrimmedCfg(name, &text))
        return defaultValue;
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lowest || value > highest)
        return defaultValue;
    return value;
}

uint16_t GetPortCfg(const char* name, uint16_t defaultValue)
{
    return uint16_t(GetNumberCfg(name, defaultValue, 1, 65535));
}

void SetPortCfg(const char* name, uint16_t value)
{
    SetCFGString(name, std::to_string(value));
}

PortConfig LoadPortConfig(const PortConfig& current)
{
    PortConfig ports;
    ports.udp = GetPortCfg("UDP_TYPESTONE", current.udp);
    ports.tcp = GetPortCfg("TCP_TYPESTONE", current.tcp);
    ports.aux = GetPortCfg("TYPST_AUXPORT", current.aux);
    ports.udpAux = GetPortCfg("TYPSTUDP_AUXPORT", current.udpAux);
    return ports;
}

PortConfig LoadPortConfig()
{
    PortConfig ports;
    ports.udp = GetPortCfg("UDP_TYPESTONE", 3339);
    ports.tcp = GetPortCfg("TCP_TYPESTONE", 3339);
    ports.aux = GetPortCfg("TYPST_AUXPORT", plusTwo(ports.tcp));
    ports.udpAux = GetPortCfg("TYPSTUDP_AUXPORT", plusTwo(ports.udp));
    return ports;
}

void SavePortConfig(const PortConfig& ports)
{
    SetPortCfg("UDP_TYPESTONE", ports.udp);
    SetPortCfg("TCP_TYPESTONE", ports.tcp);
    SetPortCfg("TYPST_AUXPORT", ports.aux);
    SetPortCfg("TYPSTUDP_AUXPORT", ports.udpAux);
}

void GetSettings(GeneralSettings* settings)
{
    // A store that fails on a reload leaves the flags as they were: only a missing value means
    // its default.
    const auto flag = [](const char* name, bool defaultValue, const std::atomic<bool>& current) {
        char probe[10] = {};
        uint32_t size = sizeof probe;
        const platform::StoreStatus status =
            klv::readRegistryEntry(GeneralSection().c_str(), name, probe, &size);
        if (status == platform::StoreStatus::Busy || status == platform::StoreStatus::Corrupt ||
            status == platform::StoreStatus::IoError) {
            ReportStoreFailure(std::string("reading the setting ") + name + " (kept as it was)",
                               platform::SettingsStore::lastError());
            return current.load();
        }
        return GetCFGFlag(name, defaultValue);
    };
    settings->showAtStart = flag("ShowAtStart", false, settings->showAtStart);
    settings->useDns = flag("szUseDNS", false, settings->useDns);
    settings->messages = flag("Messages", true, settings->messages);
    settings->minPrtProgress = flag("MinPrtProgress", true, settings->minPrtProgress);
    settings->logging = flag("JobLogging", false, settings->logging);
    settings->dataIdleSeconds =
        GetNumberCfg("TCP_DATA_IDLE_SECONDS", GeneralSettings::kDefaultDataIdleSeconds, 1,
                     GeneralSettings::kMaxDataIdleSeconds);
    CMsgDlg::EnableMsgs(settings->messages ? 1 : 0);
}

void SaveSettings(GeneralSettings& settings)
{
    // A person may have ticked "Disable Progress Dialog Box" meanwhile: that choice is kept.
    settings.messages = CMsgDlg::AreMsgsEnabled() != 0;
    SetCFGFlag("ShowAtStart", settings.showAtStart);
    SetCFGFlag("szUseDNS", settings.useDns);
    SetCFGFlag("Messages", settings.messages);
    SetCFGFlag("MinPrtProgress", settings.minPrtProgress);
    SetCFGFlag("JobLogging", settings.logging);
}

} // namespace typestone
