#include "typestone/server/astcp_typestone.h"

#include "typestone/server/astcp_thread.h"
#include "typestone/server/job_context.h"
#include "typestone/server/server_trace.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"

#include <chrono>

namespace typestone {

CASTCPTypestone::CASTCPTypestone(JobContext& context) : m_context(context) {}

CASTCPTypestone::~CASTCPTypestone()
{
    Stop();
}

bool CASTCPTypestone::Listen(const std::string& address, uint16_t port, std::string* error)
{
    // SO_REUSEADDR, so that a restart or a continue after a pause can listen again while
    // connections of the earlier listener are still open or in TIME_WAIT.
    platform::net::SocketResult listening = platform::net::listenTcp(address, port, 5, true);
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

void CASTCPTypestone::OnAccept(int nErrorCode)
{
    if (nErrorCode != 0) {
        TRZ_Trace(kTrzCore, "\n(2)OnAccept: nErrorCode NOT ZERO- ERROR <<<<<<<<<<<<<<<");
        return;
    }
    reapWorkers();
    platform::net::AcceptResult accepted = platform::net::acceptWithin(m_listener, 0);
    if (!accepted.ok()) {
        if (accepted.status == platform::net::IoStatus::Failed)
            TRZ_Trace(kTrzCore, "\n(4)OnAccept- Accept(%p) did FAIL- ERROR <<<<<<<<<<<<<<<\n%s",
                      static_cast<void*>(this), accepted.error.text.c_str());
        return;
    }
    std::lock_guard<std::mutex> lock(m_workersMutex);
    m_workers.emplace_back();
    Worker* worker = &m_workers.back();
    ++m_running;
    const int fd = accepted.socket.release();
    worker->thread = std::thread([this, worker, fd] {
        CASTCPThread::ThreadProc(&m_context, fd);
        std::lock_guard<std::mutex> done(m_workersMutex);
        worker->done = true;
        --m_running;
        m_workerEnded.notify_all();
    });
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
    while (!m_stop) {
        const platform::jobio::WaitResult status =
            platform::jobio::waitReadableOrSignal(m_listener, *m_acceptWake, CASTCPThread::kIdleWaitMs * 5);
        if (status == platform::jobio::WaitResult::Readable)
            OnAccept(0);
        else if (status == platform::jobio::WaitResult::Failed)
            OnAccept(platform::net::lastSocketError());
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
        workers.splice(workers.end(), m_workers);
    }
    for (Worker& w : workers)
        if (w.thread.joinable())
            w.thread.join();
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

bool CASTCPTypestone::WaitIdle(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_workersMutex);
    return m_workerEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_running == 0; });
}

} // namespace typestone
