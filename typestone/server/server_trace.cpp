#include "typestone/server/server_trace.h"

#include "typestone/server/server_strings.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/trace_writer.h"

#include "klv_inet/support/lib_trace.h"
#include "klv_inet/support/msg_box.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/msg_clock.h"
#include "klv_inet/support/text_utils.h"
#include "klv_inet/support/trace_stamp.h"
#include "typestone/server/text_fields.h"

#include "platform/sysinfo/open_document.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace typestone {
namespace {

std::atomic<uint32_t> g_lastMask{0};
std::atomic<uint64_t> g_sharedShot{0};
std::atomic<ServiceMessageBoxSender> g_sender{nullptr};
// The mark for the calling thread's next line; per thread, so it lands on the line of the
// thread that tested the mask.
thread_local std::string t_levelPrefix;

std::string takePrefix()
{
    std::string p;
    p.swap(t_levelPrefix);
    return p;
}

void traceLine(const std::string& text, bool timing)
{
    if (!TraceSettings::tracerOn() || text.empty())
        return;
    std::string path;
    GetTrzFName(path);
    TraceWriter::write(path, {.withHeader = true, .logLine = false, .timing = timing}, takePrefix(), text);
}

int serviceBox(ServiceMessageBoxSender sender, const std::string& text, unsigned stringId, unsigned type,
               uint32_t mask)
{
    const bool traced = TRZ_IsOn(mask, true);
    if (traced) {
        if (text.empty())
            TRZ_Printf("\nTRZ_MsgBox() nIDPrompt=%d nType=%d", static_cast<int>(stringId),
                       static_cast<int>(type));
        else
            TRZ_Printf("\nTRZ_MsgBox() lpszText=%s nType=%d", text.c_str(), static_cast<int>(type));
    }
    int answer = sender(text, stringId, type);
    if (answer <= 0)
        answer = platform::ui::kIdCancel;
    if (traced)
        TRZ_Printf("\nTRZ_MsgBox() iRc=%d IDNO=%d", answer, platform::ui::kIdNo);
    return answer;
}

} // namespace

void setServiceMessageBoxSender(ServiceMessageBoxSender sender)
{
    g_sender = sender;
}

} // namespace typestone

using namespace typestone;

bool TRZ_IsOn(uint32_t mask, bool prefix)
{
    const uint32_t last = g_lastMask.exchange(mask);
    const bool on = mask == 0 || (mask & TraceSettings::trzLevel()) != 0;
    if (on) {
        if (prefix || mask != last) {
            t_levelPrefix = platform::text::sprintf("0x%08x", mask);
        } else {
            t_levelPrefix.clear();
        }
    }
    return on;
}

void TRZ_Printf(const char* format, ...)
{
    if (!TraceSettings::tracerOn() || !format || !*format)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    traceLine(text, TraceSettings::timing());
}

void TRZ_Write(const std::string& text)
{
    if (!TraceSettings::tracerOn())
        return;
    traceLine(text, TraceSettings::timing());
}

void TRZ_LogPrintf(const char* format, ...)
{
    if (!TraceSettings::jobLogging() || !format || !*format)
        return;
    va_list args;
    va_start(args, format);
    const std::string text = FormatV(format, args);
    va_end(args);
    std::string path;
    GetLogFName(path);
    TraceWriter::write(path, {.withHeader = false, .logLine = true, .timing = TraceSettings::timing()}, {},
                       text);
}

std::string TRZ_TimeShot(const char* text, bool reset, bool print, uint64_t* counter)
{
    const uint64_t now = klv::MsgClock::system().tickMs();
    uint64_t start = counter ? *counter : g_sharedShot.load();
    if (start == 0) {
        start = now;
        if (counter)
            *counter = now;
        else
            g_sharedShot = now;
    }
    const uint64_t elapsed = now - start;
    std::string suffix;
    if (elapsed != 0) {
        suffix = platform::text::sprintf("[Elapsed = %llu msec]", static_cast<unsigned long long>(elapsed));
        if (elapsed > 1000)
            suffix += " <<<<<< TIME <<<<<<<<<<<<<<";
    }
    const std::string t = text ? text : "";
    std::string out;
    if (!t.empty() && t[0] == '\n')
        out = "\n[" + klv::traceDate(std::time(nullptr)) + "]:" + suffix + "-----------" + t +
              "\n--------------------------------";
    else if (!t.empty())
        out = t + suffix;
    if (print && !out.empty())
        TRZ_Printf("%s", out.c_str());
    if (reset) {
        if (counter)
            *counter = now;
        else
            g_sharedShot = now;
    }
    return out;
}

void TRZ_HexDump(const char* title, const void* data, size_t size, bool timing)
{
    TRZ_TimeShot("", true, true);
    if (!TraceSettings::tracerOn())
        return;
    using platform::text::sprintf;
    traceLine(std::string(title ? title : "") + sprintf(" (len=%u bytes)\n", static_cast<unsigned>(size)),
              timing);
    std::string header = "\n" + std::string(10, ' ');
    for (int d = 0; d < 16; ++d) {
        if (d % 4 == 0)
            header += ' ';
        header += sprintf("%2c", "0123456789ABCDEF"[d]);
    }
    traceLine(header, timing);
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t row = 0; p && row < size; row += 16) {
        // The offset as eight upper-case hex digits, the layout the dumps always had.
        std::string hex = sprintf("\n0x%08X", static_cast<unsigned>(row));
        std::string chars = "\t\t'";
        for (size_t i = row; i < size && i < row + 16; ++i) {
            if (i % 4 == 0)
                hex += ' ';
            hex += sprintf("%02x", p[i]);
            chars += p[i] < 32 ? '.' : static_cast<char>(p[i]);
        }
        // "\n0x" and eight digits, then 36 characters of bytes.
        if (hex.size() < 11 + 36)
            hex.append(11 + 36 - hex.size(), ' ');
        traceLine(hex + chars + "'", timing);
    }
}

int TRZ_MsgBox(const char* text, unsigned type, unsigned helpId, uint32_t mask)
{
    const std::string t = text ? text : "";
    if (const ServiceMessageBoxSender sender = g_sender.load())
        return serviceBox(sender, t, 0, type, mask);
    return TRACED_MessageBox(TRZ_IsOn(mask, true) ? &TRZ_Printf : nullptr, t.c_str(), type, helpId);
}

int TRZ_MsgBoxId(unsigned stringId, unsigned type, unsigned helpId, int withApp, uint32_t mask)
{
    if (const ServiceMessageBoxSender sender = g_sender.load())
        return serviceBox(sender, {}, stringId, type, mask);
    klv::setApplicationStrings(&serverStringLookup);
    return TRACED_MessageBox(TRZ_IsOn(mask, true) ? &TRZ_Printf : nullptr, stringId, type, helpId, withApp);
}

void SetTracer(bool on)
{
    static const char* const kStars = "\n**************************************************************";
    if (on) {
        TraceWriter::setInSwitch(true);
        TraceWriter::startRun();
        TraceSettings::setTracerOn(true);
    }
    // Switching off is written while the tracer is still on, so the file shows where it ended.
    TRZ_Printf("%s", kStars);
    TRZ_Printf("\nSetTracer(%s)", on ? "ENABLE" : "DISABLE");
    TRZ_Printf("%s", kStars);
    TRZ_Printf("%s", kStars);
    TraceWriter::setInSwitch(false);
    TraceSettings::setTracerOn(on);
}

std::string& GetTrzFName(std::string& out)
{
    return FormTypstTrzFname(out, "Typestone.trz");
}

std::string& GetLogFName(std::string& out)
{
    return FormTypstTrzFname(out, "Typestone.log");
}

bool OpenTrzFile(bool ask)
{
    std::string path;
    GetTrzFName(path);
    if (ask) {
        const std::string question = typestone::fillFields(serverString(kStrEditTrace), {path});
        if (TRZ_MsgBox(question.c_str(), platform::ui::kMbYesNo | platform::ui::kMbIconQuestion, 0,
                       kTrzCore) != platform::ui::kIdYes)
            return false;
    }
    const size_t slash = path.rfind('/');
    return platform::sysinfo::openDocument(path, slash == std::string::npos ? std::string()
                                                                            : path.substr(0, slash));
}
