// CASTCPThread: the worker's loop, receiving, and the end of a connection.

#include "typestone/server/astcp_thread.h"

#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/packet_clock.h"
#include "typestone/server/prt_job_thread.h"
#include "typestone/server/server_trace.h"

#include "platform/net/keep_alive.h"
#include "platform/net/name_lookup.h"
#include "platform/net/socket_io.h"
#include "platform/net/wsa_error.h"
#include "platform/spooler/raw_job.h"

#include <algorithm>
#include <cerrno>
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

CASTCPThread::CASTCPThread(JobContext& context, platform::net::Socket control,
                           platform::jobio::WakeSignal wake, platform::jobio::WakeSignal turn)
    : m_context(context), m_control(std::move(control)), m_wake(std::move(wake)), m_turn(std::move(turn)),
      m_initData(DefaultInitData())
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

HostFileLink* CASTCPThread::HostFiles()
{
    if (!m_ServerSocket.isValid())
        return nullptr;
    if (!m_hostFiles)
        m_hostFiles =
            std::make_unique<JobHostFiles>(m_ServerSocket, Ui(), PacketClock::Steady(), &m_stopAsked);
    return m_hostFiles.get();
}

void CASTCPThread::JobSize(uint32_t bytes)
{
    if (m_job)
        m_job->SetJobSize(bytes);
}

int CASTCPThread::ThreadProc(JobContext* context, int socketHandle, platform::jobio::WakeSignal wake,
                             platform::jobio::WakeSignal turn)
{
    platform::net::Socket control(socketHandle);
    if (!context)
        return 0;
    CASTCPThread connection(*context, std::move(control), std::move(wake), std::move(turn));
    connection.Run();
    return 0;
}

void CASTCPThread::Run()
{
    if (!platform::net::setKeepAlive(m_control))
        TRZ_Trace(kTrzCore, "\nThreadProc: no keepalive on the job connection (%d)",
                  platform::net::lastSocketError());
    GetPeerText();
    m_registration.emplace(m_context.jobs, this, std::move(m_turn));
    m_job = m_registration->job();
    m_context.connections.Add(this);
    m_headerDeadlineMs = nowMs() + m_context.headerTimeoutMs.load();

    while (!m_stop) {
        // Right after the hand-shake and while the host keeps the socket full, the data is
        // read first and waited for only once the socket is empty.
        const platform::jobio::WaitResult status =
            m_printerOpen && m_readBeforeWait
                ? platform::jobio::WaitResult::Readable
                : platform::jobio::waitReadableOrSignal(m_control, m_wake, idleWaitMs());
        if (status == platform::jobio::WaitResult::Readable) {
            OnReceive();
        } else if (status == platform::jobio::WaitResult::TimedOut) {
            if (!m_printerOpen && headerTimedOut()) {
                TRZ_Trace(kTrzCore, "\nThreadProc: header incomplete after %d ms (%zu of %zu bytes)",
                          m_context.headerTimeoutMs.load(), m_headerUsed, kJobHeaderSize);
                endWithReply(kReplyReceiveFailed);
            } else if (m_printerOpen && dataIdleTooLong()) {
                // A host that went silent without closing: the job is cut short so the
                // printer serves others again.
                TRZ_Trace(kTrzCore, "\nThreadProc: job %s received nothing for %d ms, ended",
                          JobName().c_str(), m_context.dataIdleMs.load());
                if (m_cutShort.empty())
                    m_cutShort = platform::text::sprintf("the host sent nothing for %d ms",
                                                         m_context.dataIdleMs.load());
                m_stop = true;
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
    // The host takes the close for the end of its job: it goes out now, the printer already
    // free for the host's next job; taking down the interpreter and the rest of the connection
    // need not keep it waiting.
    m_control.close();
}

int CASTCPThread::idleWaitMs() const
{
    // Up to the deadline in one wait: an idle connection wakes for nothing else. A wait that
    // cannot poll the wake signal keeps to slices, so that Stop() is seen within one.
    const int64_t deadline = m_printerOpen ? m_lastDataMs + m_context.dataIdleMs.load() : m_headerDeadlineMs;
    const int64_t longest = m_wake.fd() >= 0 ? kMaxPollMs : kIdleWaitMs;
    return static_cast<int>(std::clamp<int64_t>(deadline - nowMs(), 1, longest));
}

bool CASTCPThread::headerTimedOut() const
{
    return nowMs() >= m_headerDeadlineMs;
}

bool CASTCPThread::dataIdleTooLong() const
{
    return nowMs() - m_lastDataMs >= m_context.dataIdleMs.load();
}

void CASTCPThread::Stop()
{
    m_stopAsked = true;
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
    const platform::net::IoResult got = platform::net::receiveAvailable(
        m_control, m_header.data() + m_headerUsed, kJobHeaderSize - m_headerUsed);
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

bool CASTCPThread::ensureBuffer(size_t size)
{
    if (m_buffer && m_bufferSize >= size)
        return true;
    std::unique_ptr<uint8_t[]> larger(new (std::nothrow) uint8_t[size]);
    if (!larger)
        return false;
    m_buffer = std::move(larger);
    m_bufferSize = size;
    return true;
}

void CASTCPThread::receiveData()
{
    if (!ensureBuffer(m_bufferSize ? m_bufferSize : kFirstChunk)) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... no memory for %zu bytes", kFirstChunk);
        m_cutShort = "no memory for the receive buffer";
        m_stop = true;
        return;
    }
    // The socket is read until it is empty, one call per piece; only then does the worker wait
    // in its poll again. The stop is looked at before every read, and after kMaxReadsPerWake
    // pieces the worker's own loop takes a turn (reading on without a poll).
    m_readBeforeWait = false;
    for (int i = 0; i < kMaxReadsPerWake; ++i) {
        if (m_stop)
            return;
        const platform::net::IoResult got =
            platform::net::receiveAvailable(m_control, m_buffer.get(), m_bufferSize);
        if (got.status == platform::net::IoStatus::TimedOut)
            return;
        if (!got.ok()) {
            endOfData(got);
            return;
        }
        if (!takeChunk(got.bytes))
            return;
        // A stream that fills the buffer is read in larger pieces from now on (fewer calls for
        // a long job; a small job never allocates more than the first buffer).
        if (got.bytes == m_bufferSize && m_bufferSize < kMaxChunk)
            ensureBuffer(kMaxChunk); // without the memory, the first buffer goes on serving
    }
    m_readBeforeWait = true;
}

void CASTCPThread::endOfData(const platform::net::IoResult& got)
{
    // The host's orderly close is the end of the job; anything else is a failure. No reply
    // goes out in the data phase.
    m_peerClosed = got.status == platform::net::IoStatus::PeerClosed;
    if (!m_peerClosed) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... %s", got.error.text.c_str());
        m_cutShort = got.error.code == platform::net::wsa::ConnectionReset
                         ? std::string("the host reset the connection")
                         : "the connection failed: " + got.error.text;
    }
    m_stop = true;
}

bool CASTCPThread::takeChunk(size_t bytes)
{
    const bool timing = TRZ_IsOn(kTrzCore);
    std::string job;
    uint64_t shot = 0;
    if (timing) {
        job = JobName();
        const std::string text = platform::text::sprintf("\n(1)OnReceive: %zu bytes (job=%s)", bytes, job);
        TRZ_TimeShot(text.c_str(), true, false, &shot);
    }
    const bool written = PrintData(m_buffer.get(), bytes);
    if (timing) {
        const std::string text = platform::text::sprintf("\n(2)OnReceive: %zu bytes (job=%s)\n", bytes, job);
        TRZ_TimeShot(text.c_str(), false, true, &shot);
    }
    if (!written) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... PrintData-ERROR. Return !!");
        // A spool file keeps what it took and is printed at the close; a raw job the spooler
        // refused is gone (PrintData says why).
        if (m_spooling)
            m_cutShort = "the spool file could not take more data";
        m_stop = true;
        return false;
    }
    m_bytesReceived += bytes;
    m_lastDataMs = nowMs();
    return true;
}

void CASTCPThread::sendReply(uint16_t code, uint16_t port, size_t from)
{
    const auto reply = EncodeJobReply(code, port);
    from = std::min(from, reply.size());
    const platform::net::IoResult sent = platform::net::sendAll(
        m_control, reply.data() + from, reply.size() - from, m_context.replyTimeoutMs.load());
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
    if (open) {
        m_lastDataMs = nowMs();
        // A quick host has sent its data, and often its close, by the time the job starts.
        m_readBeforeWait = true;
    }
    m_printerOpen = open;
}

void CASTCPThread::takePendingData()
{
    if (!ensureBuffer(m_bufferSize ? m_bufferSize : kFirstChunk))
        return;
    for (int i = 0; i < kMaxDrainChunks; ++i) {
        const platform::net::IoResult got =
            platform::net::receiveAvailable(m_control, m_buffer.get(), m_bufferSize);
        if (!got.ok() || !PrintData(m_buffer.get(), got.bytes))
            return;
        m_bytesReceived += got.bytes;
    }
}

void CASTCPThread::OnClose()
{
    if (m_printerOpen && m_stopAsked && !m_peerClosed)
        takePendingData();
    if (m_printerOpen) {
        // The data phase ended by the host's close, by a cause recorded when it happened, by
        // the server's stop, or else by something no one named (the wait failed, say).
        const bool serverStop = !m_peerClosed && m_stopAsked && m_cutShort.empty() && m_failure.empty();
        if (serverStop)
            m_cutShort = "the server stopped before the host ended the job";
        else if (!m_peerClosed && m_cutShort.empty() && m_failure.empty())
            m_cutShort = "the connection ended before the host closed it";
        // What the host sent is printed, also when it came to an early end, unless nothing came
        // or the spooler lost it; a spooled job the stop cut short stays whole for the next start.
        if (m_failure.empty() && m_bytesReceived == 0)
            m_failure =
                m_cutShort.empty() ? std::string("no data arrived") : m_cutShort + "; no data had arrived";
        const bool print = m_failure.empty();
        if (m_rawJob) {
            if (print)
                finishRawJob();
            else
                m_rawJob->abort();
            m_rawJob.reset();
        }
        if (m_spooling) {
            if (!print) {
                m_winPrt.DiscardSpoolPrtJob();
            } else if (serverStop) {
                m_winPrt.KeepSpoolPrtJob();
                m_keptForNextStart = true;
            } else if (!m_winPrt.StopSpoolPrtJob(m_cutShort)) {
                // The stop may come during the render: the job then stays for the next start.
                if (m_winPrt.LastSpoolOutcome() == SpoolOutcome::KeptForLater) {
                    m_keptForNextStart = true;
                    if (m_cutShort.empty())
                        m_cutShort = "the server stopped while the job printed";
                } else {
                    m_failure = "the interpreter did not print it";
                }
            }
            m_spooling = false;
        }
        PutStateprinter(false);
    }
    reportEnd();
    if (m_job)
        m_job->SetJobSize(static_cast<uint32_t>(m_bytesReceived.load()));
    m_stop = true;
    m_hostFiles.reset();
    m_ServerSocket.close();
}

void CASTCPThread::finishRawJob()
{
    if (!m_cutShort.empty() && !m_rawJob->markCutShort(m_cutShort))
        TRZ_Trace(kTrzCore, "\n_OnClose: the cut-short note was not kept: %s", m_rawJob->errorText().c_str());
    if (!m_rawJob->finish()) {
        TRZ_Trace(kTrzCore, "\n_OnClose: EndDocPrinter failed: %s", m_rawJob->errorText().c_str());
        m_failure = "the spooler did not take the job: " + m_rawJob->errorText();
    }
}

void CASTCPThread::reportEnd()
{
    std::string outcome;
    if (!m_failure.empty()) {
        TRZ_Trace(kTrzCore, "\n_OnClose: job '%s' NOT printed (%llu bytes received): %s", JobName(),
                  static_cast<unsigned long long>(m_bytesReceived.load()), m_failure);
        outcome = "Not printed: " + m_failure;
    } else if (m_keptForNextStart) {
        TRZ_Trace(kTrzCore, "\n_OnClose: job '%s' kept for the next start (%llu bytes received): %s",
                  JobName(), static_cast<unsigned long long>(m_bytesReceived.load()), m_cutShort);
        outcome = "Kept for the next start: " + m_cutShort;
    } else if (!m_cutShort.empty()) {
        TRZ_Trace(kTrzCore, "\n_OnClose: job '%s' cut short after %llu bytes: %s; what arrived is printed",
                  JobName(), static_cast<unsigned long long>(m_bytesReceived.load()), m_cutShort);
        outcome = "Cut short: " + m_cutShort + "; what arrived was printed";
    } else {
        return;
    }
    if (m_job)
        m_job->SetOutcome(outcome);
    // The host must not read an orderly close as its job printed whole.
    if (!platform::net::setAbortiveClose(m_control))
        TRZ_Trace(kTrzCore, "\n_OnClose: no reset for the control connection (errno %d)", errno);
    if (m_ServerSocket.isValid())
        platform::net::setAbortiveClose(m_ServerSocket);
}

} // namespace typestone
