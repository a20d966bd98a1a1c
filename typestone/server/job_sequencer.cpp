#include "typestone/server/job_sequencer.h"

#include "typestone/server/prt_job_thread.h"
#include "typestone/server/server_trace.h"

#include <algorithm>

namespace typestone {

JobSequencer::JobSequencer() = default;

JobSequencer::~JobSequencer()
{
    StopPrtJobSequencer();
    std::lock_guard<std::mutex> lock(m_listMutex);
    m_busyPrinters.clear();
    m_jobs.clear();
}

bool JobSequencer::AddPrtJobThread(std::unique_ptr<CPrtJobThread> job)
{
    if (!job)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_listMutex);
        const void* added = job.get();
        m_jobs.push_back(std::move(job));
        TRZ_Trace(kTrzJobs, "\nPrtJob=%p - Added", added);
    }
    return true;
}

bool JobSequencer::RemovePrtJobThread(CPrtJobThread* job)
{
    if (!job)
        return false;
    std::unique_ptr<CPrtJobThread> removed;
    std::lock_guard<std::mutex> lock(m_listMutex);
    if (TRZ_IsOn(kTrzJobs)) {
        std::string status;
        TRZ_Trace(kTrzJobs, "\nRemovePrtJobThread(PrtJob=%p) (%s)- Removed", static_cast<void*>(job),
                  job->GetStatusText(&status));
    }
    job->SetFinished();
    auto it = std::find_if(m_jobs.begin(), m_jobs.end(), [job](const auto& j) { return j.get() == job; });
    if (it == m_jobs.end())
        return true;
    // What a pass does with a finished job: only the job that made its printer busy frees it
    // (one that ended while waiting must not release the printer of the job that runs).
    const std::string printer = job->PrinterName();
    const bool freesPrinter = job->WasActivated();
    removed = std::move(*it);
    m_jobs.erase(it);
    if (freesPrinter) {
        auto busy = std::find(m_busyPrinters.begin(), m_busyPrinters.end(), printer);
        if (busy != m_busyPrinters.end())
            m_busyPrinters.erase(busy);
        activateFirstWaiting(printer);
    }
    return true;
}

void JobSequencer::JobNamed(CPrtJobThread* job)
{
    if (!job)
        return;
    std::lock_guard<std::mutex> lock(m_listMutex);
    const bool listed =
        std::any_of(m_jobs.begin(), m_jobs.end(), [job](const auto& j) { return j.get() == job; });
    if (!listed || job->WasActivated())
        return;
    const std::string printer = job->PrinterName();
    if (!printer.empty() && !isBusy(printer))
        activateFirstWaiting(printer);
}

bool JobSequencer::isBusy(const std::string& printer) const
{
    return std::find(m_busyPrinters.begin(), m_busyPrinters.end(), printer) != m_busyPrinters.end();
}

void JobSequencer::activateFirstWaiting(const std::string& printer)
{
    if (printer.empty() || isBusy(printer))
        return;
    for (const auto& listed : m_jobs) {
        CPrtJobThread* job = listed.get();
        if (!job || job->IsPrinting() || job->IsFinished() || job->WasActivated() ||
            job->PrinterName() != printer)
            continue;
        TRZ_Trace(kTrzJobs, "\nPrtJob=%p - Activating Job", static_cast<void*>(job));
        m_busyPrinters.push_back(printer);
        job->MarkActivated();
        job->SetEvent();
        return;
    }
}

void JobSequencer::WakeSequencer(bool on)
{
    if (on)
        m_wake.set();
    else
        m_wake.reset();
}

void JobSequencer::DispatchJobs()
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    TRZ_Trace(kTrzJobs, "\nThreads Dispatcher(START)");
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        CPrtJobThread* job = it->get();
        if (!job) {
            ++it;
            continue;
        }
        // The status text is only made for the trace.
        if (TRZ_IsOn(kTrzJobs)) {
            std::string status;
            TRZ_Trace(kTrzJobs, "\nPrtJob=%p -> %s", static_cast<void*>(job), job->GetStatusText(&status));
        }
        const std::string printer = job->PrinterName();
        if (job->IsPrinting()) {
            TRZ_Trace(kTrzJobs, "\nJob is printing NOW");
            ++it;
        } else if (job->IsFinished()) {
            TRZ_Trace(kTrzJobs, "\nJob is FINISHED");
            // Only the job that made its printer busy frees it: one that ended while waiting
            // (its host went away) must not release the printer of the job that is running.
            if (job->WasActivated()) {
                auto busy = std::find(m_busyPrinters.begin(), m_busyPrinters.end(), printer);
                if (busy != m_busyPrinters.end())
                    m_busyPrinters.erase(busy);
            }
            it = m_jobs.erase(it);
        } else if (printer.empty()) {
            TRZ_Trace(kTrzJobs, "\nPrtName is EMPTY");
            ++it;
        } else if (std::find(m_busyPrinters.begin(), m_busyPrinters.end(), printer) == m_busyPrinters.end()) {
            TRZ_Trace(kTrzJobs, "\nActivating Job");
            m_busyPrinters.push_back(printer);
            job->MarkActivated();
            job->SetEvent();
            ++it;
        } else {
            TRZ_Trace(kTrzJobs, "\nPrinter='%.255s' is NOT ready", printer);
            ++it;
        }
    }
    TRZ_Trace(kTrzJobs, "\nThreads Dispatcher(END)");
}

void JobSequencer::StartPrtJobSequencer()
{
    std::lock_guard<std::mutex> lock(m_threadMutex);
    if (m_thread.joinable())
        return;
    m_stop = false;
    m_thread = std::thread([this] { PrtJobSequencerProc(); });
}

void JobSequencer::StopPrtJobSequencer()
{
    std::lock_guard<std::mutex> lock(m_threadMutex);
    if (m_stop.exchange(true) && !m_thread.joinable())
        return;
    WakeSequencer(true);
    if (m_thread.joinable())
        m_thread.join();
}

void JobSequencer::PrtJobSequencerProc()
{
    while (!m_stop) {
        // No time-out: StopPrtJobSequencer wakes it as any change does.
        m_wake.wait(platform::sync::Event::kMaxWait);
        if (m_stop)
            break;
        DispatchJobs();
    }
}

size_t JobSequencer::JobCount() const
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    return m_jobs.size();
}

std::vector<std::string> JobSequencer::BusyPrinters() const
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    return m_busyPrinters;
}

} // namespace typestone
