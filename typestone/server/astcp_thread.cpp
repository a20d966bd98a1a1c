// CASTCPThread: the worker's loop, receiving, and the end of a connection.

#include "typestone/server/astcp_thread.h"

#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/prt_job_thread.h"
#include "typestone/server/server_trace.h"

#include "platform/net/name_lookup.h"
#include "platform/net/socket_io.h"
#include "platform/net/wsa_error.h"
#include "platform/spooler/raw_job.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

namespace typestone {
namespace {

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

CASTCPThread::CASTCPThread(JobContext& context, platform::net::Socket control)
    : m_context(context), m_control(std::move(control)), m_initData(DefaultInitData())
{
    m_winPrt.SetHost(this);
}

CASTCPThread::~CASTCPThread()
{
    if (m_rawJob)
        m_rawJob->abort();
}

void CASTCPThread::JobPrinting()
{
    if (m_job)
        m_job->SetPrinting();
}

void CASTCPThread::JobSize(uint32_t bytes)
{
    if (m_job)
        m_job->SetJobSize(bytes);
}

int CASTCPThread::ThreadProc(JobContext* context, int socketHandle)
{
    platform::net::Socket control(socketHandle);
    if (!context)
        return 0;
    CASTCPThread connection(*context, std::move(control));
    connection.Run();
    return 0;
}

void CASTCPThread::Run()
{
    GetPeerText();
    m_registration.emplace(m_context.jobs, this);
    m_job = m_registration->job();
    m_context.connections.Add(this);
    m_headerDeadlineMs = nowMs() + m_context.headerTimeoutMs.load();

    while (!m_stop) {
        int waitMs = kIdleWaitMs;
        if (!m_printerOpen)
            waitMs = static_cast<int>(std::clamp<int64_t>(m_headerDeadlineMs - nowMs(), 1, kIdleWaitMs));
        const platform::jobio::WaitResult status =
            platform::jobio::waitReadableOrSignal(m_control, m_wake, waitMs);
        if (status == platform::jobio::WaitResult::Readable) {
            OnReceive();
        } else if (status == platform::jobio::WaitResult::TimedOut) {
            if (!m_printerOpen && headerTimedOut()) {
                TRZ_Trace(kTrzCore, "\nThreadProc: header incomplete after %d ms (%zu of %zu bytes)",
                          m_context.headerTimeoutMs.load(), m_headerUsed, kJobHeaderSize);
                endWithReply(kReplyReceiveFailed);
            }
        } else if (status == platform::jobio::WaitResult::Failed) {
            TRZ_Trace(kTrzCore, "ThreadProc: ERROR %d en select", platform::net::lastSocketError());
            break;
        }
    }

    OnClose();
    m_context.connections.Remove(this);
    m_job = nullptr;
    m_registration.reset();
}

bool CASTCPThread::headerTimedOut() const
{
    return nowMs() >= m_headerDeadlineMs;
}

void CASTCPThread::Stop()
{
    m_serverStop = true;
    m_winPrt.Stop();
    m_stop = true;
    m_wake.set();
    // A job waiting for its turn wakes too (the connection list calls this under its lock,
    // while the record still exists).
    if (m_job)
        m_job->SetEvent();
}

void CASTCPThread::GetPeerText()
{
    std::optional<platform::net::Endpoint> peer = platform::net::peerEndpoint(m_control);
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_peerAddress = peer ? peer->address : std::string("0.0.0.0");
    m_peerPort = peer ? peer->port : 0;
    if (m_context.useDns) {
        platform::net::LookupResult name = platform::net::reverseLookup(m_peerAddress);
        if (name.ok()) {
            m_peerName = name.text.substr(0, 255);
            return;
        }
    }
    m_peerName = platform::text::sprintf("%s:%u", m_peerAddress, static_cast<unsigned>(m_peerPort));
}

std::string CASTCPThread::PrinterName() const
{
    std::lock_guard<std::mutex> lock(m_textMutex);
    return m_printerName;
}

std::string CASTCPThread::PeerName() const
{
    std::lock_guard<std::mutex> lock(m_textMutex);
    return m_peerName;
}

std::string CASTCPThread::JobName() const
{
    std::lock_guard<std::mutex> lock(m_textMutex);
    return m_jobName;
}

void CASTCPThread::OnReceive()
{
    _OnReceive();
}

void CASTCPThread::_OnReceive()
{
    if (m_printerOpen)
        receiveData();
    else
        receiveHeader();
}

void CASTCPThread::receiveHeader()
{
    // Only what the header still lacks is read: bytes behind it stay in the socket and are
    // read as print data once the job has started.
    const platform::net::IoResult got = platform::net::receiveSome(m_control, m_header.data() + m_headerUsed,
                                                                   kJobHeaderSize - m_headerUsed, 0);
    if (got.status == platform::net::IoStatus::TimedOut)
        return;
    if (!got.ok()) {
        // The host left (or the connection failed) before a whole header came. A connection
        // that never sent anything just ends.
        if (got.status == platform::net::IoStatus::PeerClosed)
            m_peerClosed = true;
        if (m_headerUsed > 0)
            endWithReply(kReplyReceiveFailed);
        m_stop = true;
        return;
    }
    if (TRZ_IsOn(kTrzCore))
        TRZ_HexDump("", m_header.data() + m_headerUsed, got.bytes);
    m_headerUsed += got.bytes;
    if (m_headerUsed < kJobHeaderSize)
        return;
    if (!m_job) {
        endWithReply(kReplyNotShared);
        return;
    }
    handleHeader();
}

void CASTCPThread::receiveData()
{
    if (!m_buffer) {
        m_buffer.reset(new (std::nothrow) uint8_t[kMaxChunk]);
        if (!m_buffer) {
            TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... no memory for %zu bytes", kMaxChunk);
            m_stop = true;
            return;
        }
    }
    const platform::net::IoResult got = platform::net::receiveSome(m_control, m_buffer.get(), kMaxChunk, 0);
    if (got.status == platform::net::IoStatus::TimedOut)
        return;
    if (!got.ok()) {
        // The host's orderly close is the end of the job; anything else is a failure. No
        // reply goes out in the data phase.
        m_peerClosed = got.status == platform::net::IoStatus::PeerClosed;
        if (!m_peerClosed)
            TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... %s", got.error.text.c_str());
        m_stop = true;
        return;
    }
    const bool timing = TRZ_IsOn(kTrzCore);
    const std::string job = JobName();
    uint64_t shot = 0;
    if (timing) {
        const std::string text =
            platform::text::sprintf("\n(1)OnReceive: %zu bytes (job=%s)", got.bytes, job);
        TRZ_TimeShot(text.c_str(), true, false, &shot);
    }
    const bool written = PrintData(m_buffer.get(), got.bytes);
    if (timing) {
        const std::string text =
            platform::text::sprintf("\n(2)OnReceive: %zu bytes (job=%s)\n", got.bytes, job);
        TRZ_TimeShot(text.c_str(), false, true, &shot);
    }
    if (written) {
        m_bytesReceived += static_cast<uint32_t>(got.bytes);
    } else {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... PrintData-ERROR. Return !!");
        m_stop = true;
    }
}

void CASTCPThread::sendReply(uint16_t code, uint16_t port)
{
    const auto reply = EncodeJobReply(code, port);
    const platform::net::IoResult sent =
        platform::net::sendAll(m_control, reply.data(), reply.size(), m_context.replyTimeoutMs.load());
    if (!sent.ok())
        TRZ_Trace(kTrzCore, "\nreply %u not sent: %s", static_cast<unsigned>(code), sent.error.text.c_str());
}

void CASTCPThread::endWithReply(uint16_t code)
{
    sendReply(code, 0);
    m_stop = true;
}

void CASTCPThread::PutStateprinter(bool open)
{
    TRZ_Trace(kTrzCore, "\nPutStateprinter(%s)", open ? "TRUE" : "FALSE");
    m_printerOpen = open;
}

void CASTCPThread::takePendingData()
{
    if (!m_buffer)
        m_buffer.reset(new (std::nothrow) uint8_t[kMaxChunk]);
    if (!m_buffer)
        return;
    for (int i = 0; i < kMaxDrainChunks && platform::net::pendingBytes(m_control) > 0; ++i) {
        const platform::net::IoResult got =
            platform::net::receiveSome(m_control, m_buffer.get(), kMaxChunk, 0);
        if (!got.ok() || !PrintData(m_buffer.get(), got.bytes))
            return;
        m_bytesReceived += static_cast<uint32_t>(got.bytes);
    }
}

void CASTCPThread::OnClose()
{
    if (m_printerOpen && m_serverStop && !m_peerClosed)
        takePendingData();
    if (m_printerOpen) {
        if (m_rawJob) {
            // A job the host ended in order is handed to the printer; one the server's stop
            // cut short is handed over with what arrived, marked so; one cut short by a
            // failure is withdrawn, never printed as if complete.
            if (m_peerClosed || m_serverStop) {
                const bool ended = m_peerClosed ? m_rawJob->finish() : m_rawJob->finishCutShort();
                if (!ended)
                    TRZ_Trace(kTrzCore, "\n_OnClose: EndDocPrinter failed: %s",
                              m_rawJob->errorText().c_str());
            } else {
                m_rawJob->abort();
            }
            m_rawJob.reset();
        }
        if (m_spooling) {
            // The same rule for a spooled job: printed when the host closed in order (unless
            // the stop comes first: then it stays for the next start, as it does when the
            // stop cut it short).
            if (m_peerClosed)
                m_winPrt.StopSpoolPrtJob();
            else if (m_serverStop)
                m_winPrt.KeepSpoolPrtJob();
            else
                m_winPrt.DiscardSpoolPrtJob();
            m_spooling = false;
        }
        PutStateprinter(false);
    }
    if (m_job)
        m_job->SetJobSize(m_bytesReceived);
    m_stop = true;
    m_ServerSocket.close();
}

} // namespace typestone
