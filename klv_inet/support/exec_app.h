#pragma once
// Starting programs and documents, waiting for a started program while the thread's queued
// calls keep running, and listing the machine's processes.
//
// Programs start with an argument list, never through a shell. The verb says what to do with
// the named file: "open" (or none) starts a program, or opens any other file with the
// desktop's preferred application (xdg-open); "print" prints the file on the default printer
// and "printto" on the printer that the parameters name, both through the spooler's client
// (lp). Functions that take a trace string make it the library's trace file name first
// (SetTrzName) and trace their steps there; NULL means no trace.

#include "klv_inet/support/klv_export.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

namespace platform::sysinfo {
class SpawnedProcess;
}

// A started program; the caller may wait for it, read its exit code or end it.
using ProcHandle = std::shared_ptr<platform::sysinfo::SpawnedProcess>;

// A process of the machine, allocated zero-filled with calloc; FreeProcList frees it.
struct ProcessRecord
{
    uint32_t size; // sizeof(ProcessRecord)
    uint32_t pid;
    uint32_t parentPid;
    uint32_t moduleId; // always 0 here
    char exeFile[260]; // the executable's path (or its command name when the path is hidden)
};
using ProcList = std::list<ProcessRecord*>;

// What ExecuteApp answers on success (a value above 32, as callers test).
inline constexpr unsigned short kExecuteOk = 42;
// How long WaitWithMessageLoop waits when the caller gives no time-out.
inline constexpr int kDefaultWaitMs = 30 * 60 * 1000;

// Splits a command line into the program and its parameters. A line without double quotes
// splits at its first blank and the whole rest is one parameter (quoted again when it holds a
// blank). In a line with double quotes every quoted piece and every unquoted word is one
// piece: the first is the program, the others are the parameters, each quoted again when it
// holds a blank, joined by one blank.
KLV_EXPORT void SplitCommandLine(const char* commandLine, std::string* program, std::string* parameters);

// The parameters as an argument list: blanks separate, double quotes group (and are removed).
KLV_EXPORT std::list<std::string> SplitParameters(const std::string& parameters);

// Starts the command line with the verb in the working folder (null or empty: the current
// one). `show` is kept for callers and has no effect. With wait, waits (WaitWithMessageLoop)
// until the program ends, the cancel flag is set or timeoutMs passed. With track, the
// processes started meanwhile are listed for the wait. kExecuteOk on success, 0 on failure.
KLV_EXPORT unsigned short ExecuteApp(const char* commandLine, int* cancel, int wait, unsigned show,
                                     const char* verb, const char* workDir, ProcHandle* outProcess, int track,
                                     std::string* trace, int timeoutMs = kDefaultWaitMs);

// Opens `file` with `parameters` (verb "open", the current folder, no split of the two).
KLV_EXPORT unsigned short ExecuteAppSpecial(const char* file, const char* parameters);

// Waits for the process while the calling thread's queued calls run, until it ends (1), the
// cancel flag is set by one of those calls (the process is killed; 0), or timeoutMs passed (0,
// the process keeps running). With a process list the list is looked at once a second.
KLV_EXPORT int WaitWithMessageLoop(const ProcHandle& process, int* cancel, ProcList* processes,
                                   int stopWhenAccepted, std::string* trace, int timeoutMs = kDefaultWaitMs);

// Appends a record for every process of the machine that is not in `exclude` (same executable
// name, process id and module id). Returns 1 (0 when there is no list to fill).
KLV_EXPORT int K32EnumProcesses(ProcList* out, const ProcList* exclude, std::string* trace);
KLV_EXPORT void FreeProcList(ProcList* processes);

// Pressing OK in another program's dialog, and describing other programs' windows, have no
// equivalent here: the first finds no dialog (0) and the second appends nothing.
KLV_EXPORT int AcceptCommDlgWnd(ProcList* processes, std::string* trace);
KLV_EXPORT void DumpAllWindows(unsigned long pid, std::string* out);
