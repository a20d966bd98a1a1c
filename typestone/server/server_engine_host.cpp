#include "typestone/server/server_engine_host.h"

#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/unsupp_dlg.h"
#include "typestone/server/version.h"

namespace typestone {

bool ServerEngineHost::TraceOn(uint32_t mask)
{
    return TRZ_IsOn(mask);
}

void ServerEngineHost::TraceText(const std::string& text)
{
    TRZ_Write(text);
}

void ServerEngineHost::TraceHexDump(const char* title, const void* data, size_t size)
{
    TRZ_HexDump(title, data, size);
}

bool ServerEngineHost::ExtendedDebug()
{
    return TraceSettings::extendedDebug();
}

int ServerEngineHost::TracedBox(const std::string& text, unsigned type, uint32_t mask)
{
    return TRZ_MsgBox(text.c_str(), type, 0, mask);
}

bool ServerEngineHost::ShowUnsuppDlg(const UnsupportedCommandReport& report)
{
    return typestone::ShowUnsuppDlg(report.title, report.message, report.required, report.supported);
}

bool ServerEngineHost::StringText(unsigned id, std::string* out)
{
    return serverStringLookup(id, out);
}

std::string ServerEngineHost::VersionText()
{
    std::string text;
    FormatVersion(text);
    return text;
}

} // namespace typestone
