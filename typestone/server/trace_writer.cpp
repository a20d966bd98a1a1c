#include "typestone/server/trace_writer.h"

#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/version.h"

#include "klv_inet/support/machine_info.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/trace_stamp.h"
#include "typestone/server/text_fields.h"

#include "platform/fileio/file_ops.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace typestone {
namespace {

// Lines held while the overwrite question is open stay in memory up to this size; past it
// they are appended at once (kept, though the answer may then empty the file before them).
constexpr size_t kHeldLimit = 4u << 20;

std::mutex g_mutex;
bool g_firstWrite = true;
bool g_questionOpen = false;
std::string g_held;
thread_local bool t_inSwitch = false;

std::string sizeText(uint64_t size)
{
    char buf[64];
    if (size > 1048576)
        std::snprintf(buf, sizeof buf, "%llu MBytes", static_cast<unsigned long long>(size / 1048576));
    else if (size > 1024)
        std::snprintf(buf, sizeof buf, "%llu KBytes", static_cast<unsigned long long>(size / 1024));
    else
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(size));
    return buf;
}

} // namespace

void TraceWriter::startRun()
{
    std::lock_guard lock(g_mutex);
    g_firstWrite = true;
}

void TraceWriter::setInSwitch(bool on)
{
    t_inSwitch = on;
}

std::string TraceWriter::header()
{
    const std::string dashes(46, '-');
    std::string version;
    FormatVersion(version);
    char buf[128];
    std::string h = "\n***********************\nTypestone Server\n" + version + "\n***********************\n";
    h += dashes + "\n" + dashes;
    h += "\n\nLog Start : " + klv::traceDate(std::time(nullptr));
    std::snprintf(buf, sizeof buf, "\nTracing Level = 0x%08x", TraceSettings::trzLevel());
    h += buf;
    h += std::string("\nTiming = ") + (TraceSettings::timing() ? "TRUE" : "FALSE");
    h += std::string("\nExtended Debugging = ") + (TraceSettings::extendedDebug() ? "TRUE" : "FALSE");
    h += "\n\n" + dashes + "\n" + dashes;
    h += "\n\nMachine Information **************";
    GetMachineInfo(h);
    h += "\n------------------";
    return h;
}

std::string TraceWriter::compose(const Options& options, const std::string& levelPrefix,
                                 const std::string& text)
{
    std::string line;
    std::string prefix;
    const bool stars = options.logLine || !levelPrefix.empty();
    if (stars) {
        line = "\n************\n\n************";
        if (!levelPrefix.empty())
            prefix = " (Level=" + levelPrefix + ")";
    }
    if (options.logLine || options.timing)
        prefix += (prefix.empty() ? "\n[" : " [") + klv::traceTimeStamp() +
                  "][Thread=" + klv::traceThreadTag() + "]";
    if (stars)
        line += "\n";
    line += prefix;
    size_t from = 0;
    if (!prefix.empty())
        while (from < text.size() && text[from] == '\n')
            ++from;
    line.append(text, from, std::string::npos);
    return line;
}

bool TraceWriter::askOverwrite(const std::string& path)
{
    const platform::fileio::FileInfo info = platform::fileio::fileInfo(path);
    if (!info.exists || info.size == 0)
        return true;
    const std::string question = typestone::fillFields(
        serverString(kStrOverwriteTrace), {path, klv::traceDate(info.modified), sizeText(info.size)});
    return TRZ_MsgBox(question.c_str(), platform::ui::kMbYesNo | platform::ui::kMbIconQuestion, 0, kTrzJobs) ==
           platform::ui::kIdYes;
}

void TraceWriter::write(const std::string& path, const Options& options, const std::string& levelPrefix,
                        const std::string& text)
{
    if (text.empty())
        return;
    const std::string line = compose(options, levelPrefix, text);
    std::unique_lock lock(g_mutex);
    if (!options.withHeader || !g_firstWrite) {
        platform::fileio::appendFile(path, line);
        return;
    }
    if (g_questionOpen) {
        if (g_held.size() + line.size() <= kHeldLimit)
            g_held += line;
        else
            platform::fileio::appendFile(path, line);
        return;
    }
    bool empty = true;
    if (TraceSettings::extendedDebug() || t_inSwitch) {
        g_questionOpen = true;
        lock.unlock();
        empty = askOverwrite(path);
        lock.lock();
        g_questionOpen = false;
    }
    std::string data = header() + line + g_held;
    g_held.clear();
    if (platform::fileio::appendFile(path, data, empty))
        g_firstWrite = false;
}

} // namespace typestone
