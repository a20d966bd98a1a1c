#include "typestone/engine/progress_throttle.h"

#include <algorithm>

namespace typestone {

void ProgressThrottle::start(uint64_t total)
{
    m_total = total;
    m_done = 0;
    m_lastSent = -1;
    m_started = std::chrono::steady_clock::now();
}

int ProgressThrottle::percent() const
{
    if (m_total == 0)
        return 0;
    const uint64_t done = m_done < m_total ? m_done : m_total;
    return static_cast<int>(done * 100 / m_total);
}

void ProgressThrottle::add(uint64_t n)
{
    if (m_total == 0) {
        m_done += n;
        return;
    }
    // Never past the total: a count that overshoots (a file that grew while it printed) stops
    // at 100 %, and the sum cannot wrap.
    m_done = n >= m_total - std::min(m_done, m_total) ? m_total : m_done + n;
    const int p = percent();
    if (p != m_lastSent) {
        m_lastSent = p;
        if (m_sink)
            m_sink(p);
    }
}

void ProgressThrottle::finish()
{
    if (m_total == 0)
        return;
    // The measure is done, however its counts added up (a text file's lines are counted
    // without their line ends): the display ends at 100 %.
    m_done = m_total;
    m_lastSent = percent();
    if (m_sink)
        m_sink(m_lastSent);
}

void ProgressThrottle::restore(const Saved& s)
{
    m_total = s.total;
    m_done = s.done;
    m_lastSent = s.lastSent;
    m_started = s.started;
}

} // namespace typestone
