#pragma once
// The job port's listening socket. Each accepted connection gets a worker thread of its own
// (CASTCPThread::ThreadProc).
//
// OnAccept takes one waiting connection; it is what the service's event loop calls when the
// socket is readable. Until that loop exists, Start() runs an accept loop on a thread of this
// object that waits in poll slices and calls OnAccept.

#include "platform/jobio/wake_signal.h"
#include "platform/net/socket.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace typestone {

struct JobContext;

class CASTCPTypestone
{
public:
    explicit CASTCPTypestone(JobContext& context);
    // Stops: no new connections, every connection asked to end, every worker joined.
    ~CASTCPTypestone();
    CASTCPTypestone(const CASTCPTypestone&) = delete;
    CASTCPTypestone& operator=(const CASTCPTypestone&) = delete;

    // Listens on address:port (0: a free port) with backlog 5.
    bool Listen(const std::string& address, uint16_t port, std::string* error);
    uint16_t Port() const { return m_port; }
    const platform::net::Socket& ListeningSocket() const { return m_listener; }

    // One accept notification: with a non-zero code only traced; else accepts one waiting
    // connection and starts its worker.
    void OnAccept(int nErrorCode);

    // Runs the accept loop on a thread of its own.
    bool Start();
    void Stop();
    // Gives up the job port only: no new connections, the running ones go on (pause). Listen
    // opens it again.
    void CloseListener();

    size_t ActiveWorkers() const;
    // Waits until no worker runs, at most timeoutMs; true when idle.
    bool WaitIdle(int timeoutMs) const;

private:
    struct Worker
    {
        std::thread thread;
        bool done = false;
    };

    void acceptLoop();
    void reapWorkers();

    JobContext& m_context;
    platform::net::Socket m_listener;
    uint16_t m_port = 0;

    std::atomic<bool> m_stop{false};
    std::unique_ptr<platform::jobio::WakeSignal> m_acceptWake;
    std::thread m_acceptThread;

    mutable std::mutex m_workersMutex;
    mutable std::condition_variable m_workerEnded;
    std::list<Worker> m_workers;
    size_t m_running = 0;
};

} // namespace typestone
