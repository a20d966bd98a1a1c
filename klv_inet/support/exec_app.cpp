#include "klv_inet/support/exec_app.h"

#include "klv_inet/support/lib_trace.h"

#include "platform/sysinfo/processes.h"
#include "platform/sysinfo/spawned_process.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string quoteIfBlank(const std::string& piece)
{
    return piece.find(' ') == std::string::npos ? piece : "\"" + piece + "\"";
}

void beginTrace(std::string* trace)
{
    if (trace)
        SetTrzName(trace);
}

bool isExecutable(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A program by path, or by name in PATH.
bool findsProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return isExecutable(program);
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && isExecutable(dir + "/" + program))
            return true;
        start = end + 1;
    }
    return false;
}

bool isFile(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string unquote(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// What the verb starts: the program and its arguments; false when the verb cannot do it.
bool resolve(const std::string& verb, const std::string& program, const std::string& parameters,
             std::string* run, std::vector<std::string>* args)
{
    const std::string file = unquote(program);
    std::list<std::string> params = SplitParameters(parameters);
    if (verb.empty() || verb == "open") {
        if (findsProgram(file)) {
            *run = file;
            args->assign(params.begin(), params.end());
            return true;
        }
        if (!isFile(file))
            return false;
        *run = "xdg-open";
        *args = {file};
        return true;
    }
    if (verb == "print" || verb == "printto") {
        if (!isFile(file))
            return false;
        *run = "lp";
        args->clear();
        if (verb == "printto") {
            if (params.empty())
                return false;
            *args = {"-d", params.front()};
        }
        args->push_back("--");
        args->push_back(file);
        return true;
    }
    return false;
}

} // namespace

void SplitCommandLine(const char* commandLine, std::string* program, std::string* parameters)
{
    if (!commandLine || !program || !parameters)
        return;
    program->clear();
    parameters->clear();
    const std::string line = commandLine;
    if (line.find('"') == std::string::npos) {
        const size_t blank = line.find(' ');
        *program = line.substr(0, blank);
        if (blank != std::string::npos && blank + 1 < line.size())
            *parameters = quoteIfBlank(line.substr(blank + 1));
        return;
    }
    // Quoted pieces and unquoted words, in their order; none is lost.
    std::vector<std::string> pieces;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            const size_t end = close == std::string::npos ? line.size() : close;
            pieces.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '"')
            ++end;
        pieces.push_back(line.substr(i, end - i));
        i = end;
    }
    for (size_t k = 0; k < pieces.size(); ++k) {
        if (k == 0) {
            *program = quoteIfBlank(pieces[k]);
            continue;
        }
        if (!parameters->empty())
            *parameters += ' ';
        *parameters += quoteIfBlank(pieces[k]);
    }
}

std::list<std::string> SplitParameters(const std::string& parameters)
{
    std::list<std::string> out;
    std::string current;
    bool inQuotes = false;
    bool have = false;
    for (char c : parameters) {
        if (c == '"') {
            inQuotes = !inQuotes;
            have = true;
        } else if (c == ' ' && !inQuotes) {
            if (have)
                out.push_back(current);
            current.clear();
            have = false;
        } else {
            current += c;
            have = true;
        }
    }
    if (have)
        out.push_back(current);
    return out;
}

unsigned short ExecuteApp(const char* commandLine, int* cancel, int wait, unsigned show, const char* verb,
                          const char* workDir, ProcHandle* outProcess, int track, std::string* trace,
                          int timeoutMs)
{
    (void)show;
    if (cancel)
        *cancel = 0;
    beginTrace(trace);
    std::string program;
    std::string parameters;
    SplitCommandLine(commandLine ? commandLine : "", &program, &parameters);

    ProcList before;
    if (track)
        K32EnumProcesses(&before, nullptr, nullptr);

    std::string run;
    std::vector<std::string> args;
    std::string error;
    ProcHandle process;
    if (resolve(verb ? verb : "", program, parameters, &run, &args))
        process = platform::sysinfo::SpawnedProcess::start(run, args, workDir ? workDir : "", &error);
    const unsigned short rc = process ? kExecuteOk : 0;
    if (trace)
        DbgTracer("\nCmd='%s'\nWait=%s, szOp=%s\n\t -> wRcode=%u (%p), hProc=%p, hInst=%p%s%s",
                  commandLine ? commandLine : "", wait ? "TRUE" : "FALSE", verb ? verb : "", rc,
                  reinterpret_cast<void*>(uintptr_t(rc)), static_cast<void*>(process.get()),
                  reinterpret_cast<void*>(uintptr_t(rc)), error.empty() ? "" : "\n\t", error.c_str());

    ProcList started;
    if (process) {
        if (track)
            K32EnumProcesses(&started, &before, nullptr);
        if (outProcess)
            *outProcess = process;
        if (wait)
            WaitWithMessageLoop(process, cancel, &started, 0, trace, timeoutMs);
    }
    FreeProcList(&before);
    FreeProcList(&started);
    if (trace)
        DbgTracer("\nExecuteApp(%s) - wRcode=%u (%p)", commandLine ? commandLine : "", rc,
                  reinterpret_cast<void*>(uintptr_t(rc)));
    return rc;
}

unsigned short ExecuteAppSpecial(const char* file, const char* parameters)
{
    if (!file || !*file)
        return 0;
    std::string run;
    std::vector<std::string> args;
    if (!resolve("open", file, parameters ? parameters : "", &run, &args))
        return 0;
    return platform::sysinfo::SpawnedProcess::start(run, args, std::string()) ? kExecuteOk : 0;
}

int WaitWithMessageLoop(const ProcHandle& process, int* cancel, ProcList* processes, int stopWhenAccepted,
                        std::string* trace, int timeoutMs)
{
    if (!process)
        return 0;
    beginTrace(trace);
    int localCancel = 0;
    int* flag = cancel ? cancel : &localCancel;
    const bool polling = processes && !processes->empty();
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(std::max(timeoutMs, 0));
    auto elapsed = [&] {
        return unsigned(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    if (trace)
        DbgTracer("\n[elap=%u msec]WaitWithMessageLoop(%p, %p(%s)): %s", elapsed(),
                  static_cast<void*>(process.get()), static_cast<void*>(flag), *flag ? "CANCELED" : "",
                  polling ? "dwMilisec=1000" : "dwMilisec=INFINITE");
    auto lastPoll = Clock::now();
    bool ended = false;
    bool timedOut = false;
    while (*flag == 0) {
        // The thread's queued calls run between short waits, so a handler can cancel.
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (*flag != 0)
            break;
        if (process->waitFor(50)) {
            ended = true;
            break;
        }
        if (Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        if (polling && Clock::now() - lastPoll >= std::chrono::seconds(1)) {
            lastPoll = Clock::now();
            if (AcceptCommDlgWnd(processes, trace) && stopWhenAccepted) {
                ended = true;
                break;
            }
        }
    }
    const bool cancelled = *flag != 0;
    if (cancelled)
        process->kill();
    if (trace)
        DbgTracer("\n[elap=%u msec]: WaitWithMessageLoop(%p, %p(%s)): %s %s", elapsed(),
                  static_cast<void*>(process.get()), static_cast<void*>(flag), cancelled ? "CANCELED" : "",
                  ended ? "OK" : "->Error", cancelled ? "->CANCELED !!" : (timedOut ? "->TIMEOUT" : ""));
    return ended && !cancelled ? 1 : 0;
}

int K32EnumProcesses(ProcList* out, const ProcList* exclude, std::string* trace)
{
    beginTrace(trace);
    if (!out)
        return 0;
    if (trace)
        DbgTracer("\n(1- Linux)-EnumProcesses (IN)");
    for (const platform::sysinfo::ProcessEntry& p : platform::sysinfo::listProcesses()) {
        ProcessRecord probe{};
        probe.size = sizeof probe;
        probe.pid = p.pid;
        probe.parentPid = p.parentPid;
        const std::string& name = p.exe.empty() ? p.name : p.exe;
        std::strncpy(probe.exeFile, name.c_str(), sizeof probe.exeFile - 1);
        if (exclude) {
            const bool listed = std::any_of(exclude->begin(), exclude->end(), [&](const ProcessRecord* e) {
                return e && e->pid == probe.pid && e->moduleId == probe.moduleId &&
                       std::strcmp(e->exeFile, probe.exeFile) == 0;
            });
            if (listed)
                continue;
        }
        auto* record = static_cast<ProcessRecord*>(std::calloc(1, sizeof(ProcessRecord)));
        if (!record)
            continue; // a record that cannot be allocated is skipped
        *record = probe;
        out->push_back(record);
    }
    if (trace)
        DbgTracer("\n(13)-EnumProcesses (OUT): %u", unsigned(out->size()));
    return 1;
}

void FreeProcList(ProcList* processes)
{
    if (!processes)
        return;
    for (ProcessRecord* record : *processes)
        std::free(record);
    processes->clear();
}

int AcceptCommDlgWnd(ProcList* processes, std::string* trace)
{
    beginTrace(trace);
    if (trace)
        DbgTracer("\n(1)-AcceptCommDlgWnd (IN): count=%u", processes ? unsigned(processes->size()) : 0u);
    // Other programs' dialogs cannot be reached here: nothing is found, nothing pressed.
    if (trace)
        DbgTracer("\n(7)-AcceptCommDlgWnd (OUT): bRc=FALSE");
    return 0;
}

void DumpAllWindows(unsigned long pid, std::string* out)
{
    (void)pid;
    (void)out;
}
