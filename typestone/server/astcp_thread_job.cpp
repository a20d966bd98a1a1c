// CASTCPThread: from a complete header to a running job (checks, turn, hand-shake, raw start).

#include "typestone/server/astcp_thread.h"

#include "typestone/engine/engine_setup.h"

#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"
#include "typestone/server/prt_job_thread.h"
#include "typestone/server/server_trace.h"

#include "platform/jobio/peer_state.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"
#include "platform/spooler/spooler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

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

    std::unique_lock<std::timed_mutex> handshake = m_context.jobs.LockHandshake(&m_stop);
    if (!handshake.owns_lock()) {
        m_stop = true;
        return;
    }

    int error = 0;
    uint16_t port = 0;
    if (!Prep_TCP_Socket(&error, &port)) {
        endWithReply(kReplyDataPortFailed);
        return;
    }

    bool started = false;
    if (raw) {
        started = StartPrinter(printer);
    } else {
        started = StartSpoolJob(printer);
    }
    if (!started) {
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive...Error abrir printer");
        m_ServerSocket.close();
        endWithReply(kReplyPrinterFailed);
        return;
    }

    sendReply(kReplyAccepted, port);
    if (!DoTCPAccept(&error)) {
        // The host has its reply already; the job it never fed is withdrawn and the printer
        // freed when the connection ends.
        TRZ_Trace(kTrzCore, "\nCASTCPThread::OnReceive... DoTCPAccept-ERROR. Return !!");
        if (!m_stopAsked)
            m_failure = "the host opened no data connection";
        if (m_rawJob) {
            m_rawJob->abort();
            m_rawJob.reset();
        }
        if (m_spooling) {
            m_winPrt.DiscardSpoolPrtJob();
            m_spooling = false;
        }
        m_stop = true;
        return;
    }
    PutStateprinter(true);
}

bool CASTCPThread::Wait4MyTurn()
{
    if (!m_job)
        return true;
    // The sequencer sets the event when the printer is ours. The wait also ends when the
    // server stops or the host goes away, so an abandoned job never holds a place in line.
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
    std::string stored;
    const bool verdict = printers.ChkJobPrinter(printer, password, &shared, &stored);
    uint16_t result = kReplyAccepted;
    if (!shared) {
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

bool CASTCPThread::Prep_TCP_Socket(int* error, uint16_t* port)
{
    const uint16_t wanted = m_context.auxPort.load();
    // SO_REUSEADDR: the data connection of the previous job may still hold the port.
    platform::net::SocketResult listening =
        platform::net::listenTcp(platform::net::kAnyAddress, wanted, 5, true);
    if (!listening.ok()) {
        if (error)
            *error = listening.error.code;
        TRZ_Trace(kTrzCore, "\n(1)Prep_TCP_Socket()");
        TRZ_Trace(kTrzCore, "\nError trying to use port %u.\n%s", static_cast<unsigned>(wanted),
                  listening.error.text);
        return false;
    }
    if (port)
        *port = listening.local.port;
    m_ServerSocket = std::move(listening.socket);
    TRZ_Trace(kTrzDataPort, "\n%s-ListenOK(port=%d)", listening.local.address.c_str(),
              static_cast<int>(listening.local.port));
    return true;
}

bool CASTCPThread::DoTCPAccept(int* error)
{
    const int limitMs = m_context.acceptTimeoutMs.load();
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto elapsed = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        const int slice = std::max(0, std::min(kPollSliceMs, limitMs - elapsed));
        // The accept comes first: a quick host may have connected, sent its whole job and
        // half-closed before we look, and that is no reason to give up its job.
        platform::net::AcceptResult accepted = platform::net::acceptWithin(m_ServerSocket, slice, &m_stop);
        if (accepted.ok()) {
            TRZ_Trace(kTrzDataPort, "\nDoTCPAccept: data connection from %s",
                      accepted.peer.toString().c_str());
            m_ServerSocket = std::move(accepted.socket); // closes the listening socket
            return true;
        }
        if (accepted.status == platform::net::IoStatus::Failed) {
            if (error)
                *error = accepted.error.code;
            TRZ_Trace(kTrzDataPort, "\n(2)DoTCPAccept(): %s", accepted.error.text.c_str());
            m_ServerSocket.close();
            return false;
        }
        const bool hostGone = platform::jobio::peerHasClosed(m_control);
        const auto now = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        if (now >= limitMs || m_stop || hostGone) {
            if (error)
                *error = kAcceptTimeoutError;
            TRZ_Trace(kTrzJobs, "\nDoTCPAccept fails: DOC='%s', Canceled=%s, Elapsed=%u/%u",
                      JobName().c_str(), m_stop || hostGone ? "TRUE" : "FALSE", static_cast<unsigned>(now),
                      static_cast<unsigned>(limitMs));
            m_ServerSocket.close();
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
    if (!m_context.spooler.printer(printer, &error)) {
        TRZ_Trace(kTrzCore,
                  "\n(OUT-1)StartPrinter(%s)- ERROR 1 (OpenPrinter): <<<<<<<<<<<<<\nOpenPrinter\n%s",
                  printer.c_str(), error.c_str());
        return false;
    }
    const bool v4 = IsV4Driver(m_context.spooler, printer);
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
