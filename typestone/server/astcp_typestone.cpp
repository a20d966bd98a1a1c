#include "typestone/server/astcp_typestone.h"

#include "typestone/server/astcp_thread.h"
#include "typestone/server/job_context.h"
#include "typestone/server/server_trace.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace typestone {

CASTCPTypestone::CASTCPTypestone(JobContext& context) : m_context(context) {}

CASTCPTypestone::~CASTCPTypestone()
{
    Stop();
}

bool CASTCPTypestone::Listen(const std::string& address, uint16_t port, std::string* error)
{
    // SO_REUSEADDR, so that a restart or a continue after a pause can listen again while
    // connections of the earlier listener are still open or in TIME_WAIT. The queue is the
    // longest the system grants: many hosts connect at once, and a short queue drops their
    // connections into retries seconds apart.
    platform::net::SocketResult listening =
        platform::net::listenTcp(address, port, platform::net::maxListenBacklog(), true);
    if (!listening.ok()) {
        if (error)
            *error = listening.error.text;
        return false;
    }
    m_listener = std::move(listening.socket);
    m_port = listening.local.port;
    m_stop = false;
    m_context.connections.Reopen();
    return true;
}

int CASTCPTypestone::OnAccept(int nErrorCode)
{
    if (nErrorCode != 0) {
        TRZ_Trace(kTrzCore, "\n(2)OnAccept: nErrorCode NOT ZERO- ERROR <<<<<<<<<<<<<<<");
        return backOff();
    }
    reapWorkers();
    // Everything waiting is taken now, up to a bound that lets the event loop go on: the queue
    // is short, and a host that finds it full waits a second or more to be let in.
    for (int i = 0; i < kAcceptsPerCall; ++i) {
        bool taken = false;
        const int pauseMs = acceptOne(&taken);
        if (pauseMs > 0 || !taken)
            return pauseMs;
    }
    return 0;
}

int CASTCPTypestone::acceptOne(bool* taken)
{
    platform::net::AcceptResult accepted = platform::net::acceptWithin(m_listener, 0);
    if (!accepted.ok()) {
        if (accepted.status != platform::net::IoStatus::Failed)
            return 0; // nothing waits any more
        TRZ_Trace(kTrzCore, "\n(4)OnAccept- Accept(%p) did FAIL- ERROR <<<<<<<<<<<<<<<\n%s",
                  static_cast<void*>(this), accepted.error.text.c_str());
        if (platform::net::isOutOfDescriptors(accepted.error.code) && m_spare.shedOne(m_listener)) {
            TRZ_Trace(kTrzCore, "\nOnAccept: out of descriptors, a waiting connection was closed");
            *taken = true;
            return 0;
        }
        return backOff();
    }
    m_backoffMs = 0;
    *taken = true;
    if (!m_spare.isHeld() && m_spare.refillFrom(accepted.socket)) {
        TRZ_Trace(kTrzCore, "\nOnAccept: out of descriptors, %s closed to keep the reserve",
                  accepted.peer.toString().c_str());
        return 0;
    }

    std::lock_guard<std::mutex> lock(m_workersMutex);
    const size_t cap = m_context.maxConnections.load();
    if (m_running >= cap) {
        TRZ_Trace(kTrzCore, "\nOnAccept: %zu connections, the most allowed: %s closed", m_running,
                  accepted.peer.toString().c_str());
        return 0; // the accepted socket closes here
    }
    auto handoff = std::make_unique<Handoff>(
        Handoff{std::move(accepted.socket), platform::jobio::WakeSignal(), platform::jobio::WakeSignal()});
    // A worker that waits for a connection takes it at once; only without one is a thread made.
    if (!m_ready.empty()) {
        Worker* ready = m_ready.back();
        m_ready.pop_back();
        ready->next = std::move(handoff);
        ++m_running;
        ready->handed.notify_one();
        return 0;
    }
    m_workers.emplace_back();
    Worker* worker = &m_workers.back();
    try {
        worker->thread = std::thread(
            [this, worker, first = std::move(handoff)]() mutable { workerLoop(worker, std::move(first)); });
    } catch (const std::system_error& e) {
        // No thread to run it (the system's task limit): the host is refused, not kept waiting
        // (its socket closed with the hand-off the thread did not take).
        m_workers.pop_back();
        TRZ_Trace(kTrzCore, "\nOnAccept: no worker thread for %s: %s", accepted.peer.toString().c_str(),
                  e.what());
        return backOff();
    }
    ++m_running;
    return 0;
}

void CASTCPTypestone::workerLoop(Worker* worker, std::unique_ptr<Handoff> first)
{
    std::unique_ptr<Handoff> handoff = std::move(first);
    std::unique_lock<std::mutex> lock(m_workersMutex, std::defer_lock);
    for (;;) {
        CASTCPThread::ThreadProc(&m_context, handoff->socket.release(), std::move(handoff->wake),
                                 std::move(handoff->turn));
        handoff.reset();
        lock.lock();
        --m_running;
        m_workerEnded.notify_all();
        if (m_poolClosed || m_ready.size() >= kReadyWorkers)
            break;
        m_ready.push_back(worker);
        // No time-out: a connection handed over or the pool's close (Stop) ends the wait.
        worker->handed.wait(lock, [&] { return worker->next || m_poolClosed; });
        if (!worker->next) {
            m_ready.erase(std::find(m_ready.begin(), m_ready.end(), worker));
            break;
        }
        handoff = std::move(worker->next);
        lock.unlock();
    }
    worker->done = true;
}

int CASTCPTypestone::backOff()
{
    m_backoffMs = m_backoffMs == 0 ? kFirstBackoffMs : std::min(m_backoffMs * 2, kMaxBackoffMs);
    return m_backoffMs;
}

bool CASTCPTypestone::Start()
{
    if (!m_listener.isValid() || m_acceptThread.joinable())
        return false;
    m_stop = false;
    m_acceptWake = std::make_unique<platform::jobio::WakeSignal>();
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void CASTCPTypestone::acceptLoop()
{
    // Without a time-out: a connection or Stop()'s wake signal ends the wait, so an idle job
    // port costs nothing.
    while (!m_stop) {
        const platform::jobio::WaitResult status =
            platform::jobio::waitReadableOrSignal(m_listener, *m_acceptWake, platform::jobio::kNoTimeout);
        int pauseMs = 0;
        if (status == platform::jobio::WaitResult::Readable)
            pauseMs = OnAccept(0);
        else if (status == platform::jobio::WaitResult::Failed)
            pauseMs = OnAccept(platform::net::lastSocketError());
        // The pause after a failed accept, in short steps so that Stop() ends it.
        for (int waited = 0; waited < pauseMs && !m_stop; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CASTCPTypestone::Stop()
{
    m_stop = true;
    if (m_acceptWake)
        m_acceptWake->set();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    m_listener.close();
    m_context.connections.StopAll();
    std::list<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(m_workersMutex);
        m_poolClosed = true;
        for (Worker* w : m_ready)
            w->handed.notify_one();
        workers.splice(workers.end(), m_workers);
    }
    for (Worker& w : workers)
        if (w.thread.joinable())
            w.thread.join();
    std::lock_guard<std::mutex> lock(m_workersMutex);
    m_poolClosed = false; // a later Listen and Start serve with new workers
}

void CASTCPTypestone::CloseListener()
{
    m_stop = true;
    if (m_acceptWake)
        m_acceptWake->set();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    m_listener.close();
}

void CASTCPTypestone::reapWorkers()
{
    std::list<Worker> finished;
    {
        std::lock_guard<std::mutex> lock(m_workersMutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            auto next = std::next(it);
            if (it->done)
                finished.splice(finished.end(), m_workers, it);
            it = next;
        }
    }
    for (Worker& w : finished)
        w.thread.join();
}

size_t CASTCPTypestone::ActiveWorkers() const
{
    std::lock_guard<std::mutex> lock(m_workersMutex);
    return m_running;
}

size_t CASTCPTypestone::ReadyWorkers() const
{
    std::lock_guard<std::mutex> lock(m_workersMutex);
    return m_ready.size();
}

bool CASTCPTypestone::WaitIdle(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_workersMutex);
    return m_workerEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_running == 0; });
}

} // namespace typestone
