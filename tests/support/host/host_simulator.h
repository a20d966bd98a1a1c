#pragma once
// Plays a VALDOR host printing one job to the server over TCP:
//   1. connect the control connection and send the header (in one write or in pieces),
//   2. read the 4-byte reply {u16 code, u16 data port},
//   3. after code 0, open the data connection to the same server address at the data port,
//   4. send the print data on the control connection in chunks,
//   4a. with serveHostFiles, answer the server's host file requests on the data connection
//      from hostFiles until the server lets go of it (after the job printed),
//   5. end the job: close our sending side of the control connection, close the data
//      connection, and wait (bounded) for the server to close the control connection; or,
//      with resetAfter, drop both connections with a reset part-way through the data.
// Every step has a time-out; nothing waits for ever.

#include "tests/support/hostfile/fake_host_peer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace valdor {

struct HostOptions
{
    size_t chunkSize = 4096;          // bytes per data write (at least 1)
    std::vector<size_t> headerPieces; // sizes of the first header writes; the rest goes in a last write
    bool headerWithFirstData = false; // the header's last write carries the first data chunk too,
                                      // sent before the reply is read
    bool openDataConnection = true;   // false: a host that never opens the data connection
    int pieceDelayMs = 0;             // pause after each header write but the last
    int dataConnectDelayMs = 0;       // pause between the reply and the data connection
    // Set: after this many data bytes (at most the data's size) the host resets both
    // connections instead of ending the job in order, as a host that crashes or is cut off.
    std::optional<size_t> resetAfter;
    // Called before that reset, once the bytes are sent: a test waits there until the server
    // holds them (a reset may overtake data the server has not read yet).
    std::function<void()> beforeReset;
    // The host's files, served on the data connection while the server prints the job.
    bool serveHostFiles = false;
    std::map<std::string, HostFile> hostFiles;
    int connectTimeoutMs = 5000;
    int replyTimeoutMs = 30000; // the server answers only when the printer's turn has come
    int sendTimeoutMs = 10000;  // per wait for room in the send buffer
    int closeTimeoutMs = 5000;  // for the server's close after the job
};

struct HostResult
{
    bool replied = false; // all 4 reply bytes arrived
    uint16_t replyCode = 0;
    uint16_t dataPort = 0;
    bool dataConnected = false; // the data connection was made
    bool dataSent = false;      // every data byte went out on the control connection
    size_t bytesSent = 0;       // data bytes sent (the header not counted)
    bool serverClosed = false;  // the server closed the control connection after the job
    bool serverReset = false;   // ... with a reset, not an orderly close: the job did not print
                                // whole (also when the reset ended our sending)
    bool hostReset = false;     // we reset the connections (resetAfter)
    size_t extraBytes = 0;      // bytes the server sent on the control connection after the reply
    // The host file requests the server made on the data connection (serveHostFiles).
    std::vector<TranscriptEntry> fileRequests;
    std::string error; // empty when nothing failed
};

class HostSimulator
{
public:
    explicit HostSimulator(HostOptions options = {}) : m_options(std::move(options)) {}

    const HostOptions& options() const { return m_options; }

    // Runs one job against serverAddress:port. `header` is sent as it is (any length, so
    // short or damaged headers can be tried); `data` follows after a reply of code 0.
    HostResult run(const std::string& serverAddress, uint16_t port, const std::vector<uint8_t>& header,
                   const std::vector<uint8_t>& data) const;

    // The sizes of the header writes for a header of `headerSize` bytes: the pieces that fit,
    // then whatever is left (nothing empty, sums to headerSize).
    static std::vector<size_t> headerWrites(size_t headerSize, const std::vector<size_t>& pieces);

private:
    HostOptions m_options;
};

} // namespace valdor
