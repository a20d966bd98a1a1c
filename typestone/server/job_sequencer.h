#pragma once
// The print-job sequencer: one job at a time per printer, in order of arrival; jobs for
// different printers run side by side.
//
// Holds what the application object lends the job reception: the job list, the busy-printer
// list, the sequencer thread, the job hand-shake lock and the process-wide job counter. Both
// lists are touched only under the job-list lock. The sequencer thread waits for a wake-up,
// then runs one DispatchJobs pass; the wait consumes the wake, so a wake that arrives during a
// pass brings another pass and is never lost. Every change a pass acts on (a job added, named
// or finished) wakes it, so it needs no timer: an idle server's sequencer sleeps until a job
// comes or the server stops.

#include "typestone/server/handshake_lock.h"

#include "platform/sync/event.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace typestone {

class CPrtJobThread;

class JobSequencer
{
public:
    JobSequencer();
    // Stops the sequencer and deletes every record still listed.
    ~JobSequencer();
    JobSequencer(const JobSequencer&) = delete;
    JobSequencer& operator=(const JobSequencer&) = delete;

    // Appends the record, which the list owns from now on. False for null. A record without
    // a printer name gives a pass nothing to do, so the sequencer is not woken.
    bool AddPrtJobThread(std::unique_ptr<CPrtJobThread> job);
    // Marks the record finished, takes it out of the list and deletes it; the printer it was
    // activated for goes to the first job waiting for it. The caller must not touch the
    // record afterwards. False for null.
    bool RemovePrtJobThread(CPrtJobThread* job);
    // The record's printer name was set: activates it when a pass would, that is when it is
    // listed and waiting, its printer is free and no earlier job waits for that printer.
    void JobNamed(CPrtJobThread* job);

    void WakeSequencer(bool on);
    std::unique_lock<std::mutex> LockJobList() const { return std::unique_lock<std::mutex>(m_listMutex); }

    // One pass: deletes finished jobs (freeing their printers) and activates the first
    // waiting job of every free printer.
    void DispatchJobs();

    void StartPrtJobSequencer();
    // Sets the stop flag, wakes the thread and waits for it to end. A second call returns.
    void StopPrtJobSequencer();
    bool IsStopping() const { return m_stop.load(); }

    // The job hand-shake lock, taken after a job's turn has come and its printer was checked,
    // held while the data port is listened on, the reply sent and the data connection
    // accepted; served in the order it was asked for. LockHandshake waits for it without
    // a signal of its own; without the lock (owns_lock() false) when `*cancel` turned true first.
    HandshakeLock& Handshake() { return m_handshake; }
    HandshakeLock::Hold LockHandshake(const std::atomic<bool>* cancel) { return m_handshake.acquire(cancel); }

    // The job counter: returns the current number and advances it (wraps at 65536).
    uint16_t NextDocNr() { return m_docNr.fetch_add(1); }

    size_t JobCount() const;
    std::vector<std::string> BusyPrinters() const;

private:
    void PrtJobSequencerProc();
    // Under the job-list lock: gives a free `printer` to its first waiting job, as a pass does.
    void activateFirstWaiting(const std::string& printer);
    bool isBusy(const std::string& printer) const;

    mutable std::mutex m_listMutex;
    std::vector<std::unique_ptr<CPrtJobThread>> m_jobs; // in order of registration
    std::vector<std::string> m_busyPrinters;

    platform::sync::Event m_wake{platform::sync::Event::ResetMode::Auto, true};
    std::atomic<bool> m_stop{true};
    std::mutex m_threadMutex;
    std::thread m_thread;

    HandshakeLock m_handshake;
    std::atomic<uint16_t> m_docNr{0};
};

} // namespace typestone
