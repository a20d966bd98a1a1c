#pragma once
// One job's record in the sequencer's job list.
//
// The connection's worker creates it Waiting, hands it to the sequencer, names its printer
// once the header is in and then waits on its activation event; the sequencer activates it
// when the printer is free. Marked Finished when the connection ends, it is taken out of the
// list and deleted at once. The names are guarded (the sequencer reads them while the worker may
// set them); state, times and size are single atomic stores.

#include "platform/jobio/wake_signal.h"
#include "platform/sync/event.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>

namespace typestone {

class JobSequencer;

class CPrtJobThread
{
public:
    enum State : uint16_t
    {
        kWaiting = 0,
        kPrinting = 1,
        kFinished = 2,
    };

    // `sequencer` is told when the printer name is set; `owner` identifies the worker (traces);
    // `turn` is the signal the job's turn is given by (a worker has it made for it in advance).
    explicit CPrtJobThread(JobSequencer* sequencer = nullptr, const void* owner = nullptr,
                           platform::jobio::WakeSignal turn = platform::jobio::WakeSignal());
    CPrtJobThread(const CPrtJobThread&) = delete;
    CPrtJobThread& operator=(const CPrtJobThread&) = delete;

    // Sets the printer name, the job name only when one is given, and tells the sequencer,
    // which activates the job at once when its printer is free and nobody waits before it.
    void SetPrtJobName(const std::string& printer, const char* jobName);
    std::string PrinterName() const;
    std::string JobName() const;

    // The activation event: auto-reset, so the worker's wait consumes it. SetEvent also sets
    // the turn signal, which a worker polls beside its socket (set after the event, so a
    // worker woken by it finds the event set).
    platform::sync::Event& GetEvent() { return m_event; }
    void SetEvent()
    {
        m_event.set();
        m_turnSignal.set();
    }
    platform::jobio::WakeSignal& TurnSignal() { return m_turnSignal; }

    uint16_t GetState() const { return m_state.load(); }
    bool IsPrinting() const { return GetState() == kPrinting; }
    bool IsFinished() const { return GetState() == kFinished; }
    void SetPrinting();
    void SetJobSize(uint32_t bytes) { m_size = bytes; }
    // End time now, statistics line into the job log, then Finished.
    void SetFinished();
    // How a job that did not end in order and whole ended ("Cut short: ...", "Not printed:
    // ..."); the statistics line carries it. Empty (the default) for a whole job.
    void SetOutcome(const std::string& outcome);
    std::string Outcome() const;

    // "Job='%s'-Prt='%s'-Status=%s (0x%04x) - Thread=%p" into *out; null without `out`.
    const char* GetStatusText(std::string* out) const;
    static const char* StatusText(uint16_t state);

    void LogStatistics() const;
    // The statistics line as LogStatistics writes it.
    std::string StatisticsText() const;

    std::time_t CreationTime() const { return m_created; }

    // Set by the sequencer (under the job-list lock) when it makes the printer busy for this
    // job; only such a job frees the printer when it finishes.
    void MarkActivated() { m_activated = true; }
    bool WasActivated() const { return m_activated; }

private:
    JobSequencer* const m_sequencer;
    const void* const m_owner;

    mutable std::mutex m_nameMutex;
    std::string m_printer;
    std::string m_jobName;
    std::string m_outcome;

    platform::sync::Event m_event{platform::sync::Event::ResetMode::Auto, false};
    platform::jobio::WakeSignal m_turnSignal;

    std::atomic<std::time_t> m_created;
    std::atomic<std::time_t> m_started{0};
    std::atomic<std::time_t> m_ended{0};
    std::atomic<uint16_t> m_state{kWaiting};
    std::atomic<uint32_t> m_size{0};
    std::atomic<bool> m_activated{false};
};

} // namespace typestone
