#pragma once
// The settings of the section "General": the five flags of the application, the four ports,
// the data idle limit, and the helpers that read and write one value there ("yes"/"no" flags, decimal
// numbers).

#include <atomic>
#include <cstdint>
#include <string>

namespace typestone {

// The flags as the program uses them. The UDP reload rewrites them on the service thread while
// job workers read them, hence atomics.
struct GeneralSettings
{
    std::atomic<bool> showAtStart{false};   // "ShowAtStart"
    std::atomic<bool> useDns{false};        // "szUseDNS"
    std::atomic<bool> messages{true};       // "Messages"
    std::atomic<bool> minPrtProgress{true}; // "MinPrtProgress"
    std::atomic<bool> logging{false};       // "JobLogging"
    // How long a running job may receive nothing from its host before it is cut short.
    std::atomic<uint32_t> dataIdleSeconds{kDefaultDataIdleSeconds}; // "TCP_DATA_IDLE_SECONDS"

    static constexpr uint32_t kDefaultDataIdleSeconds = 300;
    static constexpr uint32_t kMaxDataIdleSeconds = 86400;
};

// Reads the five flags and the data idle limit (1..86400 seconds) with their defaults, and switches the
// message dialogs on or off by "Messages" (CMsgDlg::EnableMsgs).
void GetSettings(GeneralSettings* settings);
// Takes "Messages" from the message dialogs' switch (CMsgDlg::AreMsgsEnabled), then writes the
// five flags.
void SaveSettings(GeneralSettings& settings);

// The path of the section "General" of this application.
std::string GeneralSection();

// A flag is on when its value is "yes" in any case; the default when the value is missing.
bool GetCFGFlag(const char* name, bool defaultValue);
void SetCFGFlag(const char* name, bool on);
// False when the store did not take the value (reported as a store failure).
bool SetCFGString(const char* name, const std::string& value);

// A number: decimal text in lowest..highest, blanks around it allowed; anything else (or
// nothing) gives the default.
uint32_t GetNumberCfg(const char* name, uint32_t defaultValue, uint32_t lowest, uint32_t highest);
// The text of a short setting of the General section without its surrounding blanks; false
// when it is not there.
bool GetTrimmedCfg(const char* name, std::string* text);
// A port value: decimal text 1..65535; anything else (or nothing) gives the default.
uint16_t GetPortCfg(const char* name, uint16_t defaultValue);
void SetPortCfg(const char* name, uint16_t value);

// The four ports.
struct PortConfig
{
    uint16_t udp = 3339;    // "UDP_TYPESTONE"
    uint16_t tcp = 3339;    // "TCP_TYPESTONE"
    uint16_t aux = 3341;    // "TYPST_AUXPORT"
    uint16_t udpAux = 3341; // "TYPSTUDP_AUXPORT"
    bool operator==(const PortConfig&) const = default;
};

// Reads the four ports; `current` gives the defaults (the auxiliary ports default to their
// main port + 2 when `current` is the built-in one).
PortConfig LoadPortConfig(const PortConfig& current);
PortConfig LoadPortConfig();
void SavePortConfig(const PortConfig& ports);

} // namespace typestone
