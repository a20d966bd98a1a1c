#include "typestone/server/prt_job_thread.h"

#include "typestone/server/job_sequencer.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/trace_settings.h"

#include "klv_inet/support/size_format.h"

#include <cinttypes>
#include <cstdio>

namespace typestone {
namespace {

std::string span(std::time_t from, std::time_t to)
{
    if (from == 0 || to == 0 || to < from)
        return "--:--:--";
    const long long s = static_cast<long long>(to - from);
    return platform::text::sprintf("%02lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
}

std::string localTime(std::time_t t)
{
    if (t == 0)
        return "-";
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return "-";
    // The locale's date and time has no fixed length: grow the text until it fits.
    for (size_t size = 64; size <= 4096; size *= 2) {
        std::string text(size, '\0');
        const size_t n = std::strftime(text.data(), text.size(), "%c", &tm);
        if (n != 0) {
            text.resize(n);
            return text;
        }
    }
    return "-";
}

} // namespace

CPrtJobThread::CPrtJobThread(JobSequencer* sequencer, const void* owner, platform::jobio::WakeSignal turn)
    : m_sequencer(sequencer), m_owner(owner), m_turnSignal(std::move(turn)), m_created(std::time(nullptr))
{
}

void CPrtJobThread::SetPrtJobName(const std::string& printer, const char* jobName)
{
    {
        std::lock_guard<std::mutex> lock(m_nameMutex);
        m_printer = printer;
        if (jobName)
            m_jobName = jobName;
    }
    if (m_sequencer)
        m_sequencer->JobNamed(this);
}

std::string CPrtJobThread::PrinterName() const
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    return m_printer;
}

std::string CPrtJobThread::JobName() const
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    return m_jobName;
}

void CPrtJobThread::SetOutcome(const std::string& outcome)
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    m_outcome = outcome;
}

std::string CPrtJobThread::Outcome() const
{
    std::lock_guard<std::mutex> lock(m_nameMutex);
    return m_outcome;
}

void CPrtJobThread::SetPrinting()
{
    m_started = std::time(nullptr);
    m_state = kPrinting;
}

void CPrtJobThread::SetFinished()
{
    m_ended = std::time(nullptr);
    LogStatistics();
    m_state = kFinished;
}

const char* CPrtJobThread::StatusText(uint16_t state)
{
    switch (state) {
    case kWaiting:
        return "Waiting";
    case kPrinting:
        return "Printing";
    case kFinished:
        return "Finished";
    default:
        return "Unknown";
    }
}

const char* CPrtJobThread::GetStatusText(std::string* out) const
{
    if (!out)
        return nullptr;
    const uint16_t state = GetState();
    const std::string job = JobName();
    const std::string prt = PrinterName();
    *out = platform::text::sprintf("Job='%.255s'-Prt='%.255s'-Status=%s (0x%04x) - Thread=%p", job, prt,
                                   StatusText(state), state, m_owner);
    return out->c_str();
}

std::string CPrtJobThread::StatisticsText() const
{
    const std::time_t created = m_created, started = m_started, ended = m_ended;
    const std::string size = FormatSize("bytes", m_size);
    const std::string outcome = Outcome();
    return platform::text::sprintf("\n->\nJob='%.255s'- Size=%s (Elap=%s - Wait=%s, "
                                   "Prt=%s)\nPrt='%.255s'\nCreation Time=%s\nStart "
                                   "Time=%s\nEnd Time=%s",
                                   JobName().c_str(), size.c_str(), span(created, ended).c_str(),
                                   span(created, started).c_str(), span(started, ended).c_str(),
                                   PrinterName().c_str(), localTime(created).c_str(),
                                   localTime(started).c_str(), localTime(ended).c_str()) +
           (outcome.empty() ? std::string() : "\n" + outcome);
}

void CPrtJobThread::LogStatistics() const
{
    // The line is made only for a log that is written: its local times cost a job's worth of
    // formatting.
    if (TraceSettings::jobLogging())
        TRZ_LogPrintf("%s", StatisticsText().c_str());
}

} // namespace typestone
