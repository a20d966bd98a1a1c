#pragma once
// The job port's listening socket. Each accepted connection gets a worker thread of its own
// (CASTCPThread::ThreadProc) for as long as it lives. A worker whose connection ended waits,
// without a time-out, to be handed the next one (at most kReadyWorkers wait so), so that a
// host's job does not wait for a thread to be made; Stop() ends those waits.
//
// OnAccept takes the waiting connections; it is what the service's event loop calls when the
// socket is readable. For callers without an event loop, Start() runs an accept loop on a
// thread of this object that waits on the listener and Stop()'s wake signal, without a
// time-out, and calls OnAccept. At most the context's maxConnections
// are served at once, and a failed accept never makes the caller retry at full speed.

#include "platform/jobio/wake_signal.h"
#include "platform/net/socket.h"
#include "platform/net/spare_descriptor.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

    // Listens on address:port (0: a free port) with the longest queue the system grants.
    bool Listen(const std::string& address, uint16_t port, std::string* error);
    uint16_t Port() const { return m_port; }
    const platform::net::Socket& ListeningSocket() const { return m_listener; }

    // One accept notification: with a non-zero code only traced; else accepts the waiting
    // connections (at most kAcceptsPerCall) and starts their workers. A connection beyond
    // the context's maxConnections is closed at once (and traced). Returns how long the
    // caller should stop watching the listener, in ms (0: go on at once): accept failed, so
    // the connection is still waiting and another try now would fail the same way. Out of
    // descriptors, the waiting connection is taken with the spare descriptor and closed, so
    // the queue still drains.
    int OnAccept(int nErrorCode);

    // The first and the longest pause after failed accepts in a row.
    static constexpr int kFirstBackoffMs = 50;
    static constexpr int kMaxBackoffMs = 1000;
    static constexpr int kAcceptsPerCall = 32;
    // The most workers kept waiting for a connection; one more ends when its connection does.
    static constexpr size_t kReadyWorkers = 16;

    // Runs the accept loop on a thread of its own.
    bool Start();
    void Stop();
    // Gives up the job port only: no new connections, the running ones go on (pause). Listen
    // opens it again.
    void CloseListener();

    // Connections being served (workers waiting for one do not count).
    size_t ActiveWorkers() const;
    // Workers waiting for a connection.
    size_t ReadyWorkers() const;
    // Waits until no worker runs, at most timeoutMs; true when idle.
    bool WaitIdle(int timeoutMs) const;

private:
    // A connection handed to a worker, with the signals made for it by the accepting thread.
    struct Handoff
    {
        platform::net::Socket socket;
        platform::jobio::WakeSignal wake;
        platform::jobio::WakeSignal turn;
    };

    struct Worker
    {
        std::thread thread;
        std::condition_variable handed;
        std::unique_ptr<Handoff> next; // set by the accepting thread, taken by the worker
        bool done = false;             // the thread ends (joined by reapWorkers or Stop)
    };

    void acceptLoop();
    // A worker's life: its first connection, then each one it is handed, until it is not
    // wanted any more or the pool closes.
    void workerLoop(Worker* worker, std::unique_ptr<Handoff> first);
    void reapWorkers();
    // Accepts one connection; *taken when one was taken (served, or closed at once). Returns
    // the pause as OnAccept does.
    int acceptOne(bool* taken);
    // A failed accept: the pause before the next one, doubled for each failure in a row.
    int backOff();

    JobContext& m_context;
    platform::net::Socket m_listener;
    uint16_t m_port = 0;
    platform::net::SpareDescriptor m_spare;
    int m_backoffMs = 0; // 0 after a good accept

    std::atomic<bool> m_stop{false};
    std::unique_ptr<platform::jobio::WakeSignal> m_acceptWake;
    std::thread m_acceptThread;

    mutable std::mutex m_workersMutex;
    mutable std::condition_variable m_workerEnded;
    std::list<Worker> m_workers;
    size_t m_running = 0;
    std::vector<Worker*> m_ready; // waiting for a connection, the last to end last
    bool m_poolClosed = false;    // Stop() runs: no worker waits for another connection
};

} // namespace typestone
