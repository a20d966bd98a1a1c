#pragma once
// A stand-in printer for a test queue: listens on 127.0.0.1 and appends everything the CUPS
// socket backend sends to one file, so a test can compare what reached the "printer".

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ts::support {

class QueueReceiver
{
public:
    // Listens on a free port of 127.0.0.1; received bytes are appended to `filePath`.
    static std::unique_ptr<QueueReceiver> start(const std::string& filePath, std::string* error);
    ~QueueReceiver();

    QueueReceiver(const QueueReceiver&) = delete;
    QueueReceiver& operator=(const QueueReceiver&) = delete;

    int port() const { return m_port; }
    const std::string& filePath() const { return m_filePath; }
    size_t bytesReceived() const;

    // Waits at most `timeoutMs` until at least `count` bytes arrived; then returns everything
    // received so far in `data`. False on time-out (with what did arrive in `data`).
    bool waitForBytes(size_t count, int timeoutMs, std::string* data) const;

    // Everything received so far.
    std::string received() const;

private:
    QueueReceiver(int listenFd, int port, int stopRead, int stopWrite, std::string filePath);
    void run();
    void serve(int connection, int out);

    const int m_listenFd;
    const int m_port;
    const int m_stopRead;
    const int m_stopWrite;
    const std::string m_filePath;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    size_t m_bytes = 0;
    std::thread m_thread;
};

} // namespace ts::support
