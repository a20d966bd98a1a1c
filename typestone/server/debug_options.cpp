#include "typestone/server/debug_options.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"

#include "klv_inet/support/reg_entry.h"
#include "klv_inet/support/reg_section.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using typestone::TraceSettings;

namespace {

constexpr const char* kSection = "Debug";

bool readText(const char* name, std::string* out)
{
    std::string section;
    FormSection(section, kSection);
    char buf[64] = {};
    uint32_t size = sizeof buf;
    if (!GetRegistryEntry(section.c_str(), name, buf, &size))
        return false;
    *out = buf;
    return true;
}

bool readFlag(const char* name, bool fallback)
{
    std::string v;
    if (!readText(name, &v))
        return fallback;
    if (v.size() != 3)
        return false;
    for (size_t i = 0; i < 3; ++i)
        if ((v[i] | 0x20) != "yes"[i])
            return false;
    return true;
}

void writeText(const char* name, const std::string& value)
{
    std::string section;
    FormSection(section, kSection);
    SetRegistryEntry(section.c_str(), name, value.c_str(), 0, KLV_REG_SZ);
}

void writeFlag(const char* name, bool on)
{
    writeText(name, on ? "yes" : "no");
}

void traceOptions(const char* format)
{
    TRZ_Printf(format, TraceSettings::tracerOn(), TraceSettings::dbgOption(), TraceSettings::timing(),
               TraceSettings::overwrite(), static_cast<int>(TraceSettings::trzLevel()));
}

} // namespace

bool GetRegistryDbgLevel()
{
    TraceSettings::setTrzLevel(0);
    std::string v;
    const bool found = readText("Trz_Level", &v);
    if (found)
        TraceSettings::setTrzLevel(static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 0)));
    TRZ_Printf("\nGetRegistryDbgLevel() found=%d dwTrzLevel=0x%08x", found ? 1 : 0,
               TraceSettings::trzLevel());
    return found;
}

void GetDbgOptions()
{
    TraceSettings::setTracerOn(readFlag("Trace", false));
    TraceSettings::setDbgOption(TraceSettings::tracerOn() || readFlag("Debug", false));
    TraceSettings::setTiming(readFlag("Timing", false));
    TraceSettings::setExtendedDebug(readFlag("Extended Debug", false));
    GetRegistryDbgLevel();
    TraceSettings::setOverwrite(readFlag("Overwrite Dbg File", true));
    traceOptions("\nGetDbgOptions() bTracerOn=%d,bDbgOption=%d, bTiming=%d bOverwrite = %d dwTrzLevel = %d");
}

void SetDbgOptions()
{
    traceOptions("\nSetDbgOptions() bTracerOn=%d,bDbgOption=%d, bTiming=%d bOverwrite = %d dwTrzLevel = %d");
    writeFlag("Debug", TraceSettings::dbgOption());
    writeFlag("Trace", TraceSettings::tracerOn());
    writeFlag("Timing", TraceSettings::timing());
    writeFlag("Extended Debug", TraceSettings::extendedDebug());
    writeText("Trz_Level", platform::text::sprintf("0x%08x", TraceSettings::trzLevel()));
    writeFlag("Overwrite Dbg File", TraceSettings::overwrite());
}

bool IsDbgEnabled()
{
    return TraceSettings::dbgOption() || readFlag("Debug", false);
}
