// CASTCPThread: from a complete header to a running job (checks, turn, hand-shake, raw start).

#include "typestone/server/astcp_thread.h"

#include "typestone/engine/engine_setup.h"

#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/prt_job_thread.h"
#include "typestone/server/server_trace.h"

#include "platform/jobio/peer_state.h"
#include "platform/net/keep_alive.h"
#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"
#include "platform/spooler/spooler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <thread>

namespace typestone {
namespace {

constexpr int kAcceptTimeoutError = 2007;

} // namespace

void CASTCPThread::handleHeader()
{
    uint16_t computed = 0;
    switch (CheckJobHeader(m_header.data(), &computed)) {
    case HeaderVerdict::BadMagic:
        TRZ_Trace(kTrzCore, "\n(5)_OnReceive()-bad header. Can't open printer");
        endWithReply(kReplyBadMagic);
        return;
    case HeaderVerdict::BadChecksum:
        TRZ_Trace(kTrzCore, "\n(7)_OnReceive()-chk ERROR: chk=%04x", computed);
        endWithReply(kReplyBadChecksum);
        return;
    case HeaderVerdict::Ok:
        break;
    }
    m_initData = DecodeInitData(m_header.data());
    m_version = JobHeaderVersion(m_header.data());

    const std::string printer = FieldText(m_initData.printer);
    const std::string password = FieldText(m_initData.password);
    if (printer.empty()) {
        TRZ_Trace(kTrzCore, "\n_OnReceive()-no printer named");
        endWithReply(kReplyNotShared);
        return;
    }

    m_job->SetPrtJobName(printer, nullptr);
    if (!Wait4MyTurn()) {
        m_stop = true;
        return;
    }

    uint16_t code = kReplyAccepted;
    if (!ChkPrinter(m_context.printers, printer, password.c_str(), &code)) {
        endWithReply(code);
        return;
    }

    const bool raw = (m_initData.options & kOptionBypass) != 0;
    TRZ_Trace(kTrzCore, "\nprt='%s', cols=%u, rows=%u, options=0x%04x, snd_color=0x%02x", printer,
              static_cast<unsigned>(m_initData.cols), static_cast<unsigned>(m_initData.rows),
              static_cast<unsigned>(m_initData.options), static_cast<unsigned>(m_initData.snd_color));
    TRZ_Trace(kTrzCore, "\ndocname='%s', output='%s'", FieldText(m_initData.docname),
              FieldText(m_initData.output));
    TRZ_Trace(kTrzCore, "\nMode = %s\n", raw ? "VALDOR" : "WINDOWS");

    // The job starts before the hand-shake lock: opening the printer, its spool file and the
    // interpreter is this job's own work, and the job number is drawn atomically. The lock
    // covers what all jobs share: the one auxiliary port, from the booking through the reply
    // to the accept that pairs this host's data connection with this job.
    if (!(raw ? StartPrinter(printer) : StartSpoolJob(printer))) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive...Error abrir printer");
        withdrawStartedJob();
        endWithReply(kReplyPrinterFailed);
        return;
    }

    HandshakeLock::Hold handshake = lockHandshake();
    const bool connected = handshake.owns_lock() && handshakeWithHost(handshake);
    handshake.unlock();
    // The next in line takes a kept data port over; once nobody holds or waits for the lock,
    // one that was kept for a job that went away closes.
    if (!m_context.jobs.Handshake().InUse())
        m_context.dataPort.closeIdle();
    if (!connected) {
        withdrawStartedJob();
        m_stop = true;
        return;
    }
    // Set up after the lock is given up: the next host's hand-shake need not wait for it.
    if (!platform::net::setKeepAlive(m_ServerSocket))
        TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: no keepalive on the data connection (%d)",
                  platform::net::lastSocketError());
    PutStateprinter(true);
}

HandshakeLock::Hold CASTCPThread::lockHandshake()
{
    if (!m_job || m_job->TurnSignal().fd() < 0 || m_wake.fd() < 0)
        return m_context.jobs.LockHandshake(&m_stop);
    // The turn signal is free once the turn has come: it tells this worker that the lock was
    // handed to it. One poll on it, the stop signal and the host's close, as for the turn.
    platform::jobio::WakeSignal& handedOver = m_job->TurnSignal();
    bool hostGone = false;
    const std::function<void()> early = [this] { startHandshakeEarly(); };
    HandshakeLock::Hold hold = m_context.jobs.Handshake().acquire(
        handedOver,
        [&] {
            if (m_stop)
                return false;
            const platform::jobio::WaitResult waited =
                platform::jobio::waitSignalsOrHangUp(m_control, m_wake, handedOver, kTurnWaitMs);
            handedOver.clear();
            if (waited == platform::jobio::WaitResult::PeerGone) {
                hostGone = true;
                return false;
            }
            if (waited == platform::jobio::WaitResult::Failed)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
            return !m_stop;
        },
        early);
    if (hostGone)
        TRZ_Trace(kTrzJobs, "\nLockHandshake: host %s went away", PeerName().c_str());
    // Handed over just as the server stopped: the next in line gets it, and learns of the stop
    // itself.
    if (m_stop) {
        m_earlyBooking.reset();
        hold.unlock();
    }
    return hold;
}

void CASTCPThread::startHandshakeEarly()
{
    if (m_stop)
        return;
    try {
        int error = 0;
        m_earlyBooking = Prep_TCP_Socket(&error);
        if (!m_earlyBooking)
            return; // this worker tries again once awake, and replies the failure itself
        // Only what goes out without waiting: this runs under the hand-shake lock's own mutex.
        // The rest, or a send that failed, is left to this worker.
        const auto reply = EncodeJobReply(kReplyAccepted, m_earlyBooking->port());
        const platform::net::IoResult sent = platform::net::sendAll(m_control, reply.data(), reply.size(), 0);
        m_earlyReplyBytes = sent.status == platform::net::IoStatus::Failed ? 0 : sent.bytes;
    } catch (const std::exception& e) {
        TRZ_Trace(kTrzDataPort, "\nstartHandshakeEarly: %s", e.what());
    }
}

bool CASTCPThread::handshakeWithHost(HandshakeLock::Hold& handshake)
{
    int error = 0;
    std::unique_ptr<DataPort::Booking> dataPort = std::move(m_earlyBooking);
    if (!dataPort)
        dataPort = Prep_TCP_Socket(&error);
    if (!dataPort) {
        endWithReply(kReplyDataPortFailed);
        return false;
    }
    if (m_earlyReplyBytes < kJobReplySize)
        sendReply(kReplyAccepted, dataPort->port(), m_earlyReplyBytes);
    if (!DoTCPAccept(&error, *dataPort, handshake)) {
        // The host has its reply already; the job it never fed is withdrawn and the printer
        // freed when the connection ends.
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... DoTCPAccept-ERROR. Return !!");
        if (!m_stopAsked)
            m_failure = "the host opened no data connection";
        return false;
    }
    if (m_context.jobs.Handshake().Waiting() > 0)
        dataPort->keepForNext();
    return true;
}

void CASTCPThread::withdrawStartedJob()
{
    if (m_rawJob) {
        m_rawJob->abort();
        m_rawJob.reset();
    }
    if (m_spooling) {
        m_winPrt.DiscardSpoolPrtJob();
        m_spooling = false;
    }
}

bool CASTCPThread::Wait4MyTurn()
{
    if (!m_job)
        return true;
    // The sequencer sets the event when the printer is ours. The wait also ends when the
    // server stops or the host goes away, so an abandoned job never holds a place in line.
    // One poll on the turn signal, the stop signal and the host's close: a job in line costs
    // nothing while it waits.
    platform::jobio::WakeSignal& turn = m_job->TurnSignal();
    while (!m_stop) {
        if (m_job->GetEvent().wait(std::chrono::milliseconds(0)))
            return !m_stop;
        if (turn.fd() < 0 || m_wake.fd() < 0)
            return waitTurnInSlices();
        const platform::jobio::WaitResult waited =
            platform::jobio::waitSignalsOrHangUp(m_control, m_wake, turn, kTurnWaitMs);
        turn.clear();
        if (waited == platform::jobio::WaitResult::PeerGone) {
            TRZ_Trace(kTrzJobs, "\nWait4MyTurn: host %s went away", PeerName().c_str());
            return false;
        }
        if (waited == platform::jobio::WaitResult::Failed)
            return waitTurnInSlices();
    }
    return false;
}

bool CASTCPThread::waitTurnInSlices()
{
    // Without descriptors to poll, the event is waited on in slices, looking for the host's
    // close between them.
    while (!m_stop) {
        if (m_job->GetEvent().wait(std::chrono::milliseconds(kIdleWaitMs)))
            return !m_stop;
        if (platform::jobio::peerHasClosed(m_control)) {
            TRZ_Trace(kTrzJobs, "\nWait4MyTurn: host %s went away", PeerName().c_str());
            return false;
        }
    }
    return false;
}

bool CASTCPThread::ChkPrinter(CPrinter& printers, const std::string& printer, const char* password,
                              uint16_t* code)
{
    bool shared = false;
    bool storeFailed = false;
    std::string stored;
    const bool verdict = printers.ChkJobPrinter(printer, password, &shared, &stored, &storeFailed);
    uint16_t result = kReplyAccepted;
    if (storeFailed) {
        // Not "not shared": nobody said so. The host hears that the printer could not start.
        result = kReplyPrinterFailed;
        TRZ_Trace(kTrzCore, "\nError->'%s' not checked: the settings store failed", printer.c_str());
    } else if (!shared) {
        result = kReplyNotShared;
        TRZ_Trace(kTrzCore, "\nError->'%s' is not shared", printer.c_str());
    } else if (!verdict) {
        result = kReplyBadPassword;
        // Neither password is written to the trace.
        TRZ_Trace(kTrzCore, "\nError->password '%s' does not match '%s'", "********", "********");
    }
    if (code)
        *code = result;
    return result == kReplyAccepted;
}

std::unique_ptr<DataPort::Booking> CASTCPThread::Prep_TCP_Socket(int* error)
{
    const uint16_t wanted = m_context.auxPort.load();
    platform::net::SocketError failure;
    std::unique_ptr<DataPort::Booking> booking = m_context.dataPort.book(wanted, m_peerAddress, &failure);
    if (!booking) {
        if (error)
            *error = failure.code;
        TRZ_Trace(kTrzCore, "\n(1)Prep_TCP_Socket()");
        TRZ_Trace(kTrzCore, "\nError trying to use port %u.\n%s", static_cast<unsigned>(wanted),
                  failure.text);
    }
    return booking;
}

bool CASTCPThread::DoTCPAccept(int* error, DataPort::Booking& booking, HandshakeLock::Hold& handshake)
{
    const int limitMs = m_context.acceptTimeoutMs.load();
    const auto start = std::chrono::steady_clock::now();
    const auto elapsedMs = [&start] {
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    };
    for (;;) {
        if (handshake.owns_lock() && elapsedMs() >= kHandshakeHoldMs) {
            // The port, the job's name and the reply are settled; what is left is this host's
            // own wait, which must not hold up the hand-shakes of other hosts.
            TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: %s slow to connect, hand-shake lock given up",
                      PeerName().c_str());
            handshake.unlock();
        }
        const int slice = std::max(0, std::min(kPollSliceMs, limitMs - elapsedMs()));
        platform::net::AcceptResult accepted = booking.wait(slice, &m_stop);
        bool hostGone = false;
        bool timeUp = false;
        if (!accepted.ok() && accepted.status != platform::net::IoStatus::Failed && !m_stop) {
            hostGone = platform::jobio::peerHasClosed(m_control);
            timeUp = elapsedMs() >= limitMs;
            // A quick host may have connected, sent its whole job and half-closed since the
            // last look; its queued connection is no reason to give up its job.
            if (hostGone || timeUp)
                accepted = booking.wait(0, nullptr);
        }
        if (accepted.ok()) {
            TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: data connection from %s",
                      accepted.peer.toString().c_str());
            m_ServerSocket = std::move(accepted.socket);
            return true;
        }
        if (accepted.status == platform::net::IoStatus::Failed) {
            if (error)
                *error = accepted.error.code;
            TRZ_Trace(kTrzDataPort, "\n(2)DoTCPAccept(): %s", accepted.error.text.c_str());
            return false;
        }
        if (timeUp || m_stop || hostGone) {
            if (error)
                *error = kAcceptTimeoutError;
            TRZ_Trace(kTrzJobs, "\nDoTCPAccept fails: DOC='%s', Canceled=%s, Elapsed=%u/%u",
                      JobName().c_str(), m_stop || hostGone ? "TRUE" : "FALSE",
                      static_cast<unsigned>(elapsedMs()), static_cast<unsigned>(limitMs));
            return false;
        }
    }
}

bool CASTCPThread::IsV4Driver(platform::spooler::Spooler& spooler, const std::string& printer)
{
    std::optional<platform::spooler::PrinterInfo> info = spooler.printer(printer);
    return info && info->driverVersion == 4;
}

std::string CASTCPThread::SetJobName(const char* base)
{
    std::string name = base && *base ? base : PeerName();
    if (name.empty())
        name = "Typst";
    const std::string jobName =
        platform::text::sprintf("%.250s_%u", name, static_cast<unsigned>(m_context.jobs.NextDocNr()));
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_jobName = jobName;
    return m_jobName;
}

bool CASTCPThread::StartPrinter(const std::string& printer)
{
    std::string error;
    // One look at the printer answers both questions: is it there, and which driver.
    const std::optional<platform::spooler::PrinterInfo> info = m_context.spooler.printer(printer, &error);
    if (!info) {
        TRZ_Trace(kTrzCore,
                  "\n(OUT-1)StartPrinter(%s)- ERROR 1 (OpenPrinter): <<<<<<<<<<<<<\nOpenPrinter\n%s",
                  printer.c_str(), error.c_str());
        return false;
    }
    const bool v4 = info->driverVersion == 4;
    const std::string jobName = SetJobName(nullptr);
    m_job->SetPrtJobName(printer, jobName.c_str());
    m_rawJob = m_context.spooler.startRawJob(printer, jobName, v4 ? "XPS_PASS" : "RAW", &error);
    if (!m_rawJob) {
        TRZ_Trace(kTrzCore,
                  "\n(OUT-2)StartPrinter(%s)- ERROR 2 (StartDocPrinter) <<<<<<<<<<<<<\nStartDocPrinter\n%s",
                  printer.c_str(), error.c_str());
        return false;
    }
    std::lock_guard<std::mutex> lock(m_textMutex);
    m_printerName = printer;
    return true;
}

bool CASTCPThread::StartSpoolJob(const std::string& printer)
{
    if (!m_context.engine) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... interpreted mode is not configured");
        return false;
    }
    const std::string jobName = SetJobName(nullptr);
    if (m_job)
        m_job->SetPrtJobName(printer, jobName.c_str());
    PrepareWinPrt(m_winPrt, *m_context.engine, &m_fonts);
    m_spooling = m_winPrt.StartSpoolPrtJob(m_version, &m_initData, jobName.c_str());
    return m_spooling;
}

bool CASTCPThread::PrintData(const uint8_t* data, size_t count)
{
    if (TRZ_IsOn(kTrzCore))
        TRZ_HexDump("Data", data, count);
    if (m_spooling)
        return m_winPrt.SpoolData(data, count);
    if (!m_rawJob)
        return false;
    if (!m_rawJob->write(data, count)) {
        TRZ_Trace(kTrzCore, "\nPrintData(VALDOR_MODE)- Failed:\nWritePrinter\n%s",
                  m_rawJob->errorText().c_str());
        m_failure = "the spooler refused the data: " + m_rawJob->errorText();
        m_rawJob->abort();
        m_rawJob.reset();
        return false;
    }
    return true;
}

} // namespace typestone
