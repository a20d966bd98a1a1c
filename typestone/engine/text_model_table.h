#pragma once
// One table row: a run of consecutive print rectangles (by number) whose cells advance
// together. The formatter drives the row height and the advance.

namespace typestone {

class CTable
{
public:
    explicit CTable(int number) : m_nFirst(number), m_nLast(number) {}

    int First() const { return m_nFirst; }
    int Last() const { return m_nLast; }
    void SetLast(int n) { m_nLast = n; }
    bool Contains(int n) const { return n >= m_nFirst && n <= m_nLast; }
    // The number after n inside the row, or -1 at the row's end.
    int NextRect(int n) const { return (n >= m_nFirst && n < m_nLast) ? n + 1 : -1; }
    // Set while the row advances, so that the advance is not entered again.
    bool Busy() const { return m_bBusy; }
    void SetBusy(bool on) { m_bBusy = on; }

private:
    int m_nFirst;
    int m_nLast;
    bool m_bBusy = false;
};

} // namespace typestone
