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
#include "platform/text/sprintf.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <system_error>
#include <thread>

namespace typestone {
namespace {

// Lines held while the overwrite question is open stay in memory up to this size; past it
// they are appended at once (kept, though the answer may then empty the file before them).
constexpr size_t kHeldLimit = 4u << 20;

struct WriterState
{
    std::mutex mutex;
    std::condition_variable settled;
    bool firstWrite = true;
    bool questionOpen = false;
    unsigned long long question = 0; // number of the open (or last) question
    std::string heldPath;
    std::string held;
};

// Never destroyed: a question thread may still return while the process ends.
WriterState& state()
{
    static WriterState* const instance = new WriterState;
    return *instance;
}

thread_local bool t_inSwitch = false;

std::string sizeText(uint64_t size)
{
    if (size > 1048576)
        return platform::text::sprintf("%llu MBytes", static_cast<unsigned long long>(size / 1048576));
    if (size > 1024)
        return platform::text::sprintf("%llu KBytes", static_cast<unsigned long long>(size / 1024));
    return platform::text::sprintf("%llu bytes", static_cast<unsigned long long>(size));
}

} // namespace

void TraceWriter::startRun()
{
    WriterState& st = state();
    std::lock_guard lock(st.mutex);
    st.firstWrite = true;
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
    std::string h = "\n***********************\nTypestone Server\n" + version + "\n***********************\n";
    h += dashes + "\n" + dashes;
    h += "\n\nLog Start : " + klv::traceDate(std::time(nullptr));
    h += platform::text::sprintf("\nTracing Level = 0x%08x", TraceSettings::trzLevel());
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
    // Only Yes empties: No, an unanswered box (2) and every other answer keep the old run.
    const std::string question = typestone::fillFields(
        serverString(kStrOverwriteTrace), {path, klv::traceDate(info.modified), sizeText(info.size)});
    return TRZ_MsgBox(question.c_str(), platform::ui::kMbYesNo | platform::ui::kMbIconQuestion, 0,
                      kTrzJobs) == platform::ui::kIdYes;
}

bool TraceWriter::questionOpen()
{
    WriterState& st = state();
    std::lock_guard lock(st.mutex);
    return st.questionOpen;
}

bool TraceWriter::waitQuestion(unsigned timeoutMs)
{
    WriterState& st = state();
    std::unique_lock lock(st.mutex);
    return st.settled.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&st] { return !st.questionOpen; });
}

void TraceWriter::settleQuestion()
{
    unsigned long long question = 0;
    {
        WriterState& st = state();
        std::lock_guard lock(st.mutex);
        if (!st.questionOpen)
            return;
        question = st.question;
    }
    finishQuestion(question, false);
}

void TraceWriter::finishQuestion(unsigned long long question, bool empty)
{
    WriterState& st = state();
    std::lock_guard lock(st.mutex);
    if (!st.questionOpen || st.question != question)
        return; // settled before the answer came
    const std::string data = header() + st.held;
    st.held.clear();
    st.questionOpen = false;
    if (platform::fileio::appendFile(st.heldPath, data, empty))
        st.firstWrite = false;
    st.settled.notify_all();
}

void TraceWriter::write(const std::string& path, const Options& options, const std::string& levelPrefix,
                        const std::string& text)
{
    if (text.empty())
        return;
    const std::string line = compose(options, levelPrefix, text);
    WriterState& st = state();
    std::unique_lock lock(st.mutex);
    if (!options.withHeader || !st.firstWrite) {
        platform::fileio::appendFile(path, line);
        return;
    }
    if (st.questionOpen) {
        if (st.held.size() + line.size() <= kHeldLimit)
            st.held += line;
        else
            platform::fileio::appendFile(path, line);
        return;
    }
    const bool mayAsk = TraceSettings::extendedDebug() || t_inSwitch;
    const platform::fileio::FileInfo info = platform::fileio::fileInfo(path);
    if (mayAsk && info.exists && info.size > 0) {
        st.questionOpen = true;
        st.heldPath = path;
        st.held = line;
        const unsigned long long question = ++st.question;
        lock.unlock();
        // The question may wait for TypestoneUI for minutes; nobody waits with it.
        try {
            std::thread([path, question] { finishQuestion(question, askOverwrite(path)); }).detach();
        } catch (const std::system_error&) {
            finishQuestion(question, false); // no thread to ask on: keep the file
        }
        return;
    }
    if (platform::fileio::appendFile(path, header() + line, true))
        st.firstWrite = false;
}

} // namespace typestone
