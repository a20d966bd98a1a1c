#include "klv_inet/support/msg_box.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/lib_trace.h"
#include "klv_inet/support/library_text.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/msg_box_present.h"
#include "klv_inet/support/msg_clock.h"
#include "klv_inet/support/msg_strings.h"
#include "platform/text/sprintf.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace {

std::atomic<unsigned> g_boxTimeout{0};
std::atomic<klv::StringLookup> g_appStrings{nullptr};
thread_local std::string t_lastTrace;
thread_local klv::ResourceModule t_module = klv::ResourceModule::Application;

std::string printed(const char* format, unsigned a, const std::string& b = {}, const std::string& c = {})
{
    return platform::text::sprintf(format, a, b, c);
}

// The text of a box by string id, or empty when the string is missing.
std::string boxText(unsigned stringId, int withApp)
{
    std::string s;
    if (!klv::loadCurrentString(stringId, &s) || s.empty())
        return {};
    return withApp ? klv::formatFields(s, {GetAppName()}) : s;
}

std::string hexAddress(const void* p)
{
    return platform::text::sprintf("%016llX",
                                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
}

const char g_appModuleMarker = 0;

} // namespace

int PLM_TimedMsgBox(const char* text, unsigned type, unsigned helpId, unsigned timeoutMs)
{
    const std::string t = text ? text : "";
    const klv::MsgClock& clock = klv::MsgClock::system();
    const uint64_t start = clock.tickMs();
    std::string buttons;
    FormatMsgButtons(&buttons, type);
    std::string trace = platform::text::sprintf("\n*******\nMessageBox()[Timer=%u sec]\n", timeoutMs / 1000) +
                        t + "\n" + buttons;

    const klv::BoxResult r = klv::presentBox(t, type, helpId, timeoutMs);
    int answer = r.answer;
    const unsigned elapsed = static_cast<unsigned>((clock.tickMs() - start) / 1000);
    if (r.timedOut) {
        trace += "\nMessageBox() TIMEOUTED !!!\n---\n" + t + "\n---";
        unsigned n = 0;
        answer = klv::mb::defaultAnswer(type, &n);
        std::string name;
        FormatMsgAnswer(&name, answer);
        trace += printed("\nDefault answer is MB_DEFBUTTON%u (%s)", n, name);
    }
    std::string name;
    FormatMsgAnswer(&name, answer);
    trace += platform::text::sprintf("\nAnswer=%s [Elapsed=%u secs]\n********\n", name, elapsed);
    t_lastTrace = trace;
    return answer;
}

int PLM_TimedMsgBox(unsigned stringId, unsigned type, unsigned helpId, int withApp, unsigned timeoutMs)
{
    const std::string text = boxText(stringId, withApp);
    if (text.empty())
        return -1;
    return PLM_TimedMsgBox(text.c_str(), type, helpId, timeoutMs);
}

int PLM_MessageBox(const char* text, unsigned type, unsigned helpId)
{
    return PLM_TimedMsgBox(text, type, helpId, g_boxTimeout * 1000u);
}

int PLM_MessageBox(unsigned stringId, unsigned type, unsigned helpId, int withApp)
{
    return PLM_TimedMsgBox(stringId, type, helpId, withApp, g_boxTimeout * 1000u);
}

int DLL_MessageBox(const char* text, unsigned type, unsigned helpId)
{
    return PLM_MessageBox(text, type, helpId);
}

int DLL_MessageBox(unsigned stringId, unsigned type, unsigned helpId, int withApp)
{
    klv::ResourceScope scope(klv::ResourceModule::Library);
    return PLM_MessageBox(stringId, type, helpId, withApp);
}

int TRACED_MessageBox(MsgBoxTraceFn trace, const char* text, unsigned type, unsigned helpId)
{
    const int answer = PLM_MessageBox(text, type, helpId);
    if (trace)
        trace("%s", t_lastTrace.c_str());
    return answer;
}

int TRACED_MessageBox(MsgBoxTraceFn trace, unsigned stringId, unsigned type, unsigned helpId, int withApp)
{
    const int answer = PLM_MessageBox(stringId, type, helpId, withApp);
    if (trace && answer != -1)
        trace("%s", t_lastTrace.c_str());
    return answer;
}

std::string GetMsgBox_Traces()
{
    return t_lastTrace;
}

void SetMsgBoxTimer(unsigned seconds)
{
    g_boxTimeout = seconds;
}

unsigned GetMsgBoxTimer()
{
    return g_boxTimeout;
}

int DLL_LoadString(unsigned id, std::string& out)
{
    if (klv::hasMessageString(id)) {
        out = klv::messageString(id);
        return 1;
    }
    if (id != klv::kStrStringNotFound) {
        klv::ResourceScope scope(klv::ResourceModule::Library);
        DLL_ResNotFound_ErrorMsgBox(klv::kStrStringNotFound, id, 0);
    }
    return 0;
}

int DLL_ResNotFound_ErrorMsgBox(unsigned messageId, unsigned resourceId, unsigned type)
{
    std::string message;
    {
        klv::ResourceScope scope(klv::ResourceModule::Library);
        if (!klv::hasMessageString(messageId))
            return 1;
        message = klv::messageString(messageId);
    }
    if (message.empty())
        return 1;
    const bool library = t_module == klv::ResourceModule::Library;
    const std::string moduleName = library ? "*_Inet.DLL" : GetAppName();
    const void* handle = library ? DLL_GetInstance() : &g_appModuleMarker;
    // The module is named by its handle's address, which the table writes as %p.
    for (size_t at = message.find("%p"); at != std::string::npos; at = message.find("%p", at))
        message.replace(at, 2, "%s");
    const std::string text =
        klv::formatFields(message, {std::to_string(resourceId), hexAddress(handle), moduleName});
    return PLM_MessageBox(text.c_str(), type, 0);
}

unsigned ShowLastError(unsigned error, const char* text, int show, int network, std::string* out)
{
    (void)network; // no network provider keeps errors of its own here
    if (error == 0)
        return 0;
    std::string message;
    if (text && *text)
        message = std::string(text) + "\n";
    message += std::generic_category().message(static_cast<int>(error));
    message += platform::text::sprintf(" - dwError=0x%08x (%u)", error, error);
    if (show)
        PLM_MessageBox(message.c_str(), platform::ui::kMbIconInformation, 0);
    if (out)
        *out += message;
    return error;
}

unsigned ShowLastError(const char* text, int show, int network, std::string* out)
{
    return ShowLastError(static_cast<unsigned>(errno), text, show, network, out);
}

namespace klv {

ResourceScope::ResourceScope(ResourceModule module) : m_previous(t_module)
{
    t_module = module;
}

ResourceScope::~ResourceScope()
{
    t_module = m_previous;
}

ResourceModule currentResourceModule()
{
    return t_module;
}

void setApplicationStrings(StringLookup lookup)
{
    g_appStrings = lookup;
}

bool loadCurrentString(unsigned id, std::string* out)
{
    if (t_module == ResourceModule::Library) {
        if (!hasMessageString(id))
            return false;
        *out = messageString(id);
        return true;
    }
    const StringLookup lookup = g_appStrings;
    return lookup && lookup(id, out);
}

} // namespace klv
