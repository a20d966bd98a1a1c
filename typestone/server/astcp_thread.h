#pragma once
// One job connection from a VALDOR host, run by its own worker thread.
//
// The host sends the 807-byte header (it may arrive in pieces: it is collected, within the
// header time-out, and never read past); the worker registers the job with the sequencer,
// waits for the printer's turn, checks share and password, starts the job, and then, under the
// job hand-shake lock, listens on the auxiliary port, replies {0, data port} and accepts the
// host's data connection (a host slow to open it waits on without the lock). Every later byte
// on the control connection is print data, passed to the spooler as it arrives; the host's
// close ends the job, and so does a host that sends nothing for the idle limit (the job is
// then cut short). Both connections have TCP keepalive, so a host that vanished is noticed.
// Every wait is bounded and ends at Stop().
//
// A job whose data stops early (the host resets, a read fails, the spool file cannot take
// more, the host falls silent) is still printed with what arrived, marked cut short. A job
// that did not print, or was cut short, ends its connections with a reset: the orderly close
// is kept for a job printed whole, since that is what a host takes for success.

#include "typestone/engine/win_prt.h"
#include "typestone/server/data_port.h"
#include "typestone/server/handshake_lock.h"
#include "typestone/server/job_header.h"
#include "typestone/server/job_host_files.h"
#include "typestone/server/prt_job_registration.h"
#include "typestone/server/server_engine_host.h"

#include "platform/jobio/wake_signal.h"
#include "platform/net/socket.h"
#include "platform/net/socket_results.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform::spooler {
class RawJob;
class Spooler;
} // namespace platform::spooler

namespace platform::draw {
class FontEngine;
}

namespace typestone {

class CPrinter;
class CPrtJobThread;
struct JobContext;

// The connection is its job's engine host: the engine reports the job's status through it.
class CASTCPThread : public ServerEngineHost
{
public:
    CASTCPThread(JobContext& context, platform::net::Socket control, platform::jobio::WakeSignal wake,
                 platform::jobio::WakeSignal turn);
    ~CASTCPThread();
    CASTCPThread(const CASTCPThread&) = delete;
    CASTCPThread& operator=(const CASTCPThread&) = delete;

    // The worker: runs one connection from the accepted socket to its end. Returns 0. Its
    // signals (`wake`, and `turn` for its job record) are made by the accepting thread with
    // the socket: a worker making descriptors of its own while the process is out of them
    // would take the slot the job port keeps for shedding connections it cannot serve.
    static int ThreadProc(JobContext* context, int socketHandle, platform::jobio::WakeSignal wake,
                          platform::jobio::WakeSignal turn);

    // The server stops (any thread): every wait of the worker ends at once, a render ends at
    // its next check, and nothing the host sent is lost: a raw job is ended with what arrived
    // (marked cut short), an interpreted job's spool file and record stay for the next start.
    void Stop();

    // Status, readable from other threads.
    bool IsRunning() const { return !m_stop; }
    bool IsPrinterOpen() const { return m_printerOpen; }
    // The shared status has 32 bits for it: a job past 4 GiB shows the count modulo 2^32.
    uint32_t BytesReceived() const { return static_cast<uint32_t>(m_bytesReceived.load()); }
    std::string PrinterName() const;
    std::string PeerName() const;
    std::string JobName() const;

    // The engine's reports of the job.
    void JobPrinting() override;
    void JobSize(uint32_t bytes) override;
    // The job's host files, over its data connection; null before the host opened it.
    HostFileLink* HostFiles() override;

    // The share and password check: true with code 0, else false with 7 (not shared), 8 (the
    // password), or 6 when the settings store failed and the printer's configuration is unknown.
    static bool ChkPrinter(CPrinter& printers, const std::string& printer, const char* password,
                           uint16_t* code);
    // True when the spooler reports a version-4 driver for the printer (raw data "XPS_PASS").
    static bool IsV4Driver(platform::spooler::Spooler& spooler, const std::string& printer);

    // An idle connection waits in one poll up to its own deadline (the header's or the data's
    // time-out), the host's data or close and Stop() ending it sooner; kIdleWaitMs is the slice
    // of the fallback waits that have no descriptor to poll. A job waiting for its turn polls up
    // to kTurnWaitMs at a time. Short waits (the hand-shake) use kPollSliceMs.
    static constexpr int kIdleWaitMs = 1000;
    static constexpr int kTurnWaitMs = 3600 * 1000;
    static constexpr int kMaxPollMs = 3600 * 1000;
    static constexpr int kPollSliceMs = 100;
    // How long a job keeps the hand-shake lock while its host has not opened the data
    // connection; a slower host goes on waiting without it, so it holds up nobody else.
    static constexpr int kHandshakeHoldMs = 1000;
    // The most bytes one read of print data takes: kFirstChunk at first, kMaxChunk once a read
    // has filled the buffer. kMaxReadsPerWake reads follow one another without a poll.
    static constexpr size_t kFirstChunk = 64 * 1024;
    static constexpr size_t kMaxChunk = 1024 * 1024;
    static constexpr int kMaxReadsPerWake = 64;

private:
    void Run();
    bool waitTurnInSlices();
    void GetPeerText();
    void OnReceive();
    void receiveHeader();
    void receiveData();
    // The read that ended the data (the host's close or a failure): why, for the end of the job.
    void endOfData(const platform::net::IoResult& got);
    // One piece of print data to the job; false (and the connection ends) when it was refused.
    bool takeChunk(size_t bytes);
    // A print-data buffer of at least `size` bytes; false when there is no memory for it.
    bool ensureBuffer(size_t size);
    void _OnReceive();
    // A whole header is in: checks, the printer's turn, share and password, the hand-shake.
    void handleHeader();
    bool Wait4MyTurn();
    // The hand-shake lock, in turn behind the jobs that asked before; owns nothing when the
    // server stopped or the host went away while waiting.
    HandshakeLock::Hold lockHandshake();
    // Under the lock: books the data port, replies (unless the job that handed the lock over
    // did both: startHandshakeEarly) and accepts the host's data connection. False when the
    // job goes no further (the host was told, or has its reply 0 already).
    bool handshakeWithHost(HandshakeLock::Hold& handshake);
    // Run by the job that hands the lock to this one, while this worker still sleeps: books
    // the data port and sends the reply, so the host connects while this worker wakes.
    void startHandshakeEarly();
    std::unique_ptr<DataPort::Booking> Prep_TCP_Socket(int* error);
    bool DoTCPAccept(int* error, DataPort::Booking& booking, HandshakeLock::Hold& handshake);
    bool StartPrinter(const std::string& printer);
    // Ends a job started for a connection that goes no further (no reply 0, no data connection).
    void withdrawStartedJob();
    bool PrintData(const uint8_t* data, size_t count);
    std::string SetJobName(const char* base);
    // Interpreted mode: names the job and starts its spool file.
    bool StartSpoolJob(const std::string& printer);
    void PutStateprinter(bool open);
    void OnClose();
    // Prints what arrived of a raw job (marked cut short when it is), or records why not.
    void finishRawJob();
    // The trace line, the job record's outcome and the reset for a job not printed whole.
    void reportEnd();
    // At the server's stop in the data phase: what the host sent and the system holds for us
    // is taken into the job without waiting (at most kMaxDrainChunks reads).
    void takePendingData();
    static constexpr int kMaxDrainChunks = 16;
    // The reply from its byte `from` on (the bytes before went out already).
    void sendReply(uint16_t code, uint16_t port, size_t from = 0);
    void endWithReply(uint16_t code);
    int idleWaitMs() const;
    bool headerTimedOut() const;
    bool dataIdleTooLong() const;

    JobContext& m_context;
    platform::net::Socket m_control;
    std::atomic<bool> m_stop{false};
    platform::jobio::WakeSignal m_wake;
    platform::jobio::WakeSignal m_turn; // given to the job record at the start
    std::atomic<bool> m_printerOpen{false};
    bool m_peerClosed = false;            // the host ended the job in order
    std::atomic<bool> m_stopAsked{false}; // Stop() ended the connection (the server stops)
    bool m_keptForNextStart = false;      // a spooled job the stop cut short, left for the next start
    // Why the data ended before the host's orderly close (what arrived is printed), and why
    // the job did not print; both empty for a job printed whole.
    std::string m_cutShort;
    std::string m_failure;

    // The header as it comes in.
    std::array<uint8_t, kJobHeaderSize> m_header{};
    size_t m_headerUsed = 0;
    int64_t m_headerDeadlineMs = 0;
    int64_t m_lastDataMs = 0; // when the running job last received print data

    INIT_DATA m_initData;
    uint16_t m_version = 0;
    // 64 bits: a raw job of exactly 4 GiB must not read as one where no data arrived.
    std::atomic<uint64_t> m_bytesReceived{0};

    std::unique_ptr<platform::spooler::RawJob> m_rawJob;
    // The job's interpreter, and the fonts it draws with, for interpreted jobs.
    CWinPrt m_winPrt;
    std::unique_ptr<platform::draw::FontEngine> m_fonts;
    bool m_spooling = false;
    std::unique_ptr<uint8_t[]> m_buffer; // print data, m_bufferSize bytes once the job runs
    size_t m_bufferSize = 0;
    bool m_readBeforeWait = false; // the socket may hold data: read before waiting again

    mutable std::mutex m_textMutex;
    std::string m_printerName;
    std::string m_peerName;
    std::string m_jobName; // at most 259 characters
    std::string m_peerAddress;
    uint16_t m_peerPort = 0;

    // What startHandshakeEarly did: the booking, and how much of the reply 0 went out.
    std::unique_ptr<DataPort::Booking> m_earlyBooking;
    size_t m_earlyReplyBytes = 0;
    // The data connection, once the host has opened it.
    platform::net::Socket m_ServerSocket;
    // The job's link to the host's files over m_ServerSocket, made when first asked for.
    std::unique_ptr<JobHostFiles> m_hostFiles;
    // The job's record in the sequencer's list while the worker runs; m_job is its record.
    std::optional<PrtJobRegistration> m_registration;
    CPrtJobThread* m_job = nullptr;
};

} // namespace typestone
