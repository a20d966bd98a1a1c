#include "typestone/engine/progress_throttle.h"

namespace typestone {

void ProgressThrottle::start(uint64_t total)
{
    m_total = total;
    m_done = 0;
    m_lastSent = -1;
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
    m_done += n;
    if (m_total == 0)
        return;
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
    m_lastSent = percent();
    if (m_sink)
        m_sink(m_lastSent);
}

void ProgressThrottle::restore(const Saved& s)
{
    m_total = s.total;
    m_done = s.done;
    m_lastSent = s.lastSent;
}

} // namespace typestone
