#pragma once
// Progress of a job as a percentage, reported only when the percentage changes: a job of
// millions of bytes would otherwise send one report per byte. The last report is always sent.

#include <chrono>
#include <cstdint>
#include <functional>

namespace typestone {

class ProgressThrottle
{
public:
    using Sink = std::function<void(int percent)>;

    void setSink(Sink sink) { m_sink = std::move(sink); }
    // Starts a measure over `total` units (0: no measure, nothing is reported).
    void start(uint64_t total);
    // `n` more units done, at most the total; reports when the percentage moved.
    void add(uint64_t n);
    // The measure is complete: reports 100 %, whether or not the figure changed.
    void finish();

    uint64_t total() const { return m_total; }
    uint64_t done() const { return m_done; }
    int lastSent() const { return m_lastSent; }
    std::chrono::steady_clock::time_point started() const { return m_started; }

    // The figures of a measure, kept while a nested one runs and given back after it.
    struct Saved
    {
        uint64_t total;
        uint64_t done;
        int lastSent;
        std::chrono::steady_clock::time_point started;
    };
    Saved save() const { return {m_total, m_done, m_lastSent, m_started}; }
    void restore(const Saved& s);

private:
    int percent() const;
    uint64_t firstDoneOf(int percent) const;

    Sink m_sink;
    uint64_t m_total = 0;
    uint64_t m_done = 0;
    int m_lastSent = -1;
    uint64_t m_nextReport = 0; // add() works the percentage out again from this count on
    std::chrono::steady_clock::time_point m_started{};
};

} // namespace typestone
