#pragma once
// Deflates the content streams of a PDF's pages on a few threads of its own, so that the
// thread drawing the pages does not wait for zlib; results come back in the order the streams
// were given (internal to the PDF writer).
//
// At most `maxInFlight` streams are queued or being compressed: take() waits for the oldest one
// when the caller has handed over that many. Every wait ends: when the awaited stream is done,
// or when discard() (from any thread) or the destructor stops the compressor.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform::draw {

class PdfStreamCompressor
{
public:
    PdfStreamCompressor(int threads, int maxInFlight, int level);
    ~PdfStreamCompressor();

    PdfStreamCompressor(const PdfStreamCompressor&) = delete;
    PdfStreamCompressor& operator=(const PdfStreamCompressor&) = delete;

    // Queues `data` for compression; false (nothing queued) after discard().
    bool submit(std::string data);
    // The oldest stream not yet taken, compressed (a zlib stream). With `wait` it waits until
    // that stream is done; without, it returns only one already done. Nullopt when nothing
    // is pending, it is not done (no wait), or the compressor was discarded.
    std::optional<std::string> take(bool wait);
    // How many submitted streams have not been taken.
    int pending() const;
    int maxInFlight() const { return m_maxInFlight; }
    // Drops every pending stream and ends every wait; later calls do nothing.
    void discard();

    // One-shot deflate at `level` on the calling thread.
    static std::string deflate(const std::string& data, int level);

private:
    struct Job
    {
        std::string input;
        std::string output;
        bool started = false;
        bool done = false;
    };

    void work();

    const int m_maxInFlight;
    const int m_level;
    mutable std::mutex m_mutex;
    std::condition_variable m_workReady; // a job to start, or stopping
    std::condition_variable m_jobDone;   // a job finished, or stopping
    std::deque<Job> m_jobs;              // in submission order, oldest first
    bool m_stopped = false;
    std::vector<std::thread> m_threads;
};

} // namespace platform::draw
