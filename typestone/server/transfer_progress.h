#pragma once
// What a running transfer has done: bytes, percentage, rate and times, and whether the person
// asked to cancel. The transfer reports into it on the worker thread; a display (a progress
// display of the UI bridge, mirrored by the relay in service mode) shows it from there. Plain
// 64-bit arithmetic: nothing divides by zero, an unknown total gives no percentage.

#include <cstdint>
#include <functional>
#include <string>

namespace typestone {

class PacketClock;

class TransferProgress
{
public:
    explicit TransferProgress(PacketClock& clock, uint64_t total = 0);

    // The reports of a transfer.
    void startFile(const std::string& source, const std::string& target);
    void fileSize(uint64_t size);                     // the file's size is known
    void progress(uint64_t delta, uint64_t fileDone); // bytes moved
    void skipped(uint64_t size);                      // a file counted done without transfer
    void cancelledDuring(uint64_t fileDone);          // a cancel ended the file
    void resumed(uint64_t offset);                    // a file goes on from `offset`
    void fileFailed(uint64_t size, uint64_t offset);  // a failed file counts as done

    uint64_t bytesDone() const { return m_done; }
    uint64_t total() const { return m_total; }
    unsigned filesDone() const { return m_files; }
    // 0..100, or -1 while the total is unknown.
    int percent() const { return m_percent; }
    // Bits per second of the current file, 0 before a whole second has passed.
    uint64_t rateBps() const { return m_rate; }
    int64_t elapsedSeconds() const { return m_elapsed; }
    // Seconds left by the percentage so far; -1 without one.
    int64_t remainingSeconds() const { return m_remaining; }
    const std::string& source() const { return m_source; }
    const std::string& target() const { return m_target; }
    // "12.3 KB transferred ..." and the like.
    std::string statusLine() const;

    // Cancel: the display's button (polled through `source`) or a call.
    void setCancelSource(std::function<bool()> source) { m_cancelSource = std::move(source); }
    void requestCancel() { m_cancelled = true; }
    bool cancelled();

    // Called after every change.
    void setObserver(std::function<void(const TransferProgress&)> observer)
    {
        m_observer = std::move(observer);
    }

    // The size as a short text: "512 bytes", "1.5 KB", "2.0 MB".
    static std::string FormatSize(uint64_t bytes);

private:
    void update();

    PacketClock& m_clock;
    int64_t m_startMs;
    int64_t m_fileStartMs;
    uint64_t m_done = 0;
    uint64_t m_doneAtFileStart = 0;
    uint64_t m_total;
    unsigned m_files = 0;
    int m_percent = -1;
    uint64_t m_rate = 0;
    int64_t m_elapsed = 0;
    int64_t m_remaining = -1;
    std::string m_source;
    std::string m_target;
    bool m_cancelled = false;
    std::function<bool()> m_cancelSource;
    std::function<void(const TransferProgress&)> m_observer;
};

} // namespace typestone
