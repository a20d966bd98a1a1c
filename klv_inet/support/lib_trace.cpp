#include "klv_inet/support/lib_trace.h"
#include "klv_inet/support/text_utils.h"

#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/path_utils.h"
#include "klv_inet/support/trace_stamp.h"
#include "klv_inet/support/work4wts.h"

#include "platform/fileio/file_ops.h"
#include "platform/text/sprintf.h"

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_nameMutex;
std::string g_trzName;
std::atomic<int> g_tracingOn{0};
std::atomic<int> g_debugDecided{0};
std::atomic<int> g_debugEnabled{0};

const char g_moduleMarker = 0;

std::string traceName()
{
    std::lock_guard lock(g_nameMutex);
    return g_trzName;
}

unsigned timerFromEnvironment()
{
    const char* v = std::getenv("KDR_TIMER");
    if (!v || !*v)
        return 0;
    char* end = nullptr;
    const unsigned long ms = std::strtoul(v, &end, 10);
    return ms > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<unsigned>(ms);
}

} // namespace

void _SetTrzName(const char* fileName)
{
    if (!fileName || !*fileName) {
        g_tracingOn = 0;
        return;
    }
    std::lock_guard lock(g_nameMutex);
    g_trzName = fileName;
    g_tracingOn = 1;
}

void SetTrzName(const std::string* fileName)
{
    _SetTrzName(fileName ? fileName->c_str() : nullptr);
}

void DbgTracer(const char* fileName, const char* format, va_list args)
{
    if (!fileName || !*fileName || !format || !*format || !g_tracingOn)
        return;
    while (*format == '\n')
        ++format;
    std::string entry = "\n[" + klv::traceTimeStamp() + "][Thread=" + klv::traceThreadTag() + "]";
    entry += FormatV(format, args);
    platform::fileio::appendFile(fileName, entry);
}

void DbgTracer(const char* format, ...)
{
    if (!g_tracingOn || !format)
        return;
    const std::string name = traceName();
    va_list args;
    va_start(args, format);
    DbgTracer(name.c_str(), format, args);
    va_end(args);
}

std::string& FormTypstTrzFname(std::string& out, const char* fileName)
{
    std::string folder = GetSessionTempPath();
    EndingBSlash(folder, 1);
    out = folder + (fileName ? fileName : "");
    return out;
}

int GetDbgTracesEnabled()
{
    if (!g_debugDecided.exchange(1)) {
        const int answer =
            PLM_TimedMsgBox("Enable debugging messages ?",
                            platform::ui::kMbYesNo | platform::ui::kMbDefButton2, 0, timerFromEnvironment());
        if (answer == platform::ui::kIdYes)
            g_debugEnabled = 1;
    }
    return g_debugEnabled;
}

int SetDbgTracesEnabled(int on)
{
    g_debugDecided = 1;
    return g_debugEnabled.exchange(on);
}

void DbgMessageBox(const char* format, ...)
{
    if (!format)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    PLM_TimedMsgBox(text.c_str(), platform::ui::kMbOk, 0, GetMsgBoxTimer() * 1000u);
}

int DbgYesNoMsgBox(const char* text, unsigned type, unsigned helpId)
{
    if (GetDbgTracesEnabled())
        return PLM_TimedMsgBox(text ? text : "", type, helpId, GetMsgBoxTimer() * 1000u);
    return (type & 0xF00) == platform::ui::kMbDefButton2 ? platform::ui::kIdNo : platform::ui::kIdYes;
}

void ExtDbgMessageBox(int show, const char* format, ...)
{
    if (!show || !format || !GetDbgTracesEnabled())
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    PLM_TimedMsgBox(text.c_str(), platform::ui::kMbOk, 0, GetMsgBoxTimer() * 1000u);
}

const char* DumpCObject(std::string* out, const QObject* object)
{
    if (!out)
        return nullptr;
    *out = platform::text::sprintf(" = %016llX - ",
                                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(object)));
    if (object) {
        const QMetaObject* meta = object->metaObject();
        *out += meta->className();
        for (meta = meta->superClass(); meta; meta = meta->superClass())
            *out += std::string("->") + meta->className();
    }
    return out->c_str();
}

const void* DLL_GetInstance()
{
    return &g_moduleMarker;
}

namespace klv {

void resetLibraryTrace()
{
    {
        std::lock_guard lock(g_nameMutex);
        g_trzName.clear();
    }
    g_tracingOn = 0;
    g_debugDecided = 0;
    g_debugEnabled = 0;
}

} // namespace klv
