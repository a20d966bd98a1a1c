#pragma once
// The interpreted jobs an earlier run accepted and did not print (it was stopped, or it died),
// and what such a run left behind.
//
// Each accepted interpreted job has a spool file with a record beside it (SpoolRecord) from
// the moment the host is told yes. At start Tidy() removes what cannot be used (temporary PDFs,
// spool files that never got a record) and moves aside the job that was being recovered when a
// run died; PrintPending() then prints every job left, once: its record is renamed
// "<spool>.recovering" first, so a job that brings the server down is not tried again but moved
// into the damaged folder at the next start. A job that cannot be printed (its record is
// garbage, its printer is gone) goes there too. Every step is logged.

#include "typestone/engine/engine_setup.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace typestone {

class CWinPrt;

class SpoolRecovery
{
public:
    struct Folders
    {
        std::string spool;   // the spool files and their records
        std::string damaged; // where jobs that cannot be printed go
        std::string pdf;     // the PDF folder, whose unfinished files are removed
    };
    using Log = std::function<void(const std::string&)>;

    SpoolRecovery(const EngineSetup& engine, Folders folders, Log log);
    // Stops and joins the printing thread.
    ~SpoolRecovery();
    SpoolRecovery(const SpoolRecovery&) = delete;
    SpoolRecovery& operator=(const SpoolRecovery&) = delete;

    // Removes the leftovers, moves aside the job a run died recovering and notes the jobs to
    // print. Quick: it only looks at names. Call it before the server takes jobs, so that only
    // an earlier run's jobs are taken up.
    void Tidy();
    // Prints every job Tidy noted (or, without Tidy, every job there is), oldest first, on the
    // calling thread, until done or Stop().
    void PrintPending();
    // Runs PrintPending on a thread of its own.
    void Start();
    // The print under way ends at its next check (its job stays for the next start); no
    // further job is taken up; the thread is joined.
    void Stop();

    size_t PrintedCount() const { return m_printed; }
    size_t DamagedCount() const { return m_damaged; }

    // The suffix of a record being recovered.
    static constexpr const char* kRecoveringSuffix = ".recovering";

private:
    void collectPending();
    void printJob(const std::string& spoolFile);
    void moveAside(const std::string& path);
    void log(const std::string& line) const;

    EngineSetup m_engine;
    Folders m_folders;
    Log m_log;
    std::atomic<bool> m_stop{false};
    std::mutex m_currentMutex;
    CWinPrt* m_current = nullptr;
    std::thread m_thread;
    std::vector<std::string> m_pending; // spool files, oldest first
    bool m_collected = false;
    std::atomic<size_t> m_printed{0};
    std::atomic<size_t> m_damaged{0};
};

} // namespace typestone
