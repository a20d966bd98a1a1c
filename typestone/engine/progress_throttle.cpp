#include "typestone/engine/progress_throttle.h"

#include <algorithm>
#include <cstdint>

namespace typestone {

void ProgressThrottle::start(uint64_t total)
{
    m_total = total;
    m_done = 0;
    m_lastSent = -1;
    m_nextReport = 0;
    m_started = std::chrono::steady_clock::now();
}

int ProgressThrottle::percent() const
{
    if (m_total == 0)
        return 0;
    const uint64_t done = m_done < m_total ? m_done : m_total;
    if (m_total <= UINT64_MAX / 100)
        return static_cast<int>(done * 100 / m_total);
    // A total so large that done * 100 would wrap: the largest percentage whose first count
    // has been reached.
    int low = 0;
    int high = 100;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (firstDoneOf(middle) <= done)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

uint64_t ProgressThrottle::firstDoneOf(int percent) const
{
    // The smallest count whose percentage is `percent`, ceil(percent * total / 100), worked
    // out on total's hundreds and the rest so that no product overflows (percent <= 100).
    const auto share = static_cast<uint64_t>(percent);
    return share * (m_total / 100) + (share * (m_total % 100) + 99) / 100;
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
    // Called for every byte of a job: nothing to work out before the next whole percent.
    if (m_done < m_nextReport)
        return;
    const int p = percent();
    m_nextReport = p >= 100 ? m_total : firstDoneOf(p + 1);
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
    m_nextReport = 0;
    m_started = s.started;
}

} // namespace typestone
