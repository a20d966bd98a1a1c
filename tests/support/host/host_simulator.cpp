#include "tests/support/host/host_simulator.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/net/wsa_error.h"
#include "tests/support/host/job_request.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace valdor {

using namespace platform::net;

namespace {

void pause(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

std::vector<size_t> HostSimulator::headerWrites(size_t headerSize, const std::vector<size_t>& pieces)
{
    std::vector<size_t> writes;
    size_t left = headerSize;
    for (size_t piece : pieces) {
        if (piece == 0)
            continue;
        if (piece >= left)
            break;
        writes.push_back(piece);
        left -= piece;
    }
    if (left > 0 || writes.empty())
        writes.push_back(left);
    return writes;
}

HostResult HostSimulator::run(const std::string& serverAddress, uint16_t port,
                              const std::vector<uint8_t>& header, const std::vector<uint8_t>& data) const
{
    HostResult result;
    const HostOptions& o = m_options;
    if (o.chunkSize == 0) {
        result.error = "chunk size must be at least 1";
        return result;
    }

    SocketResult control = connectTcp(serverAddress, port, o.connectTimeoutMs);
    if (!control.ok()) {
        result.error = "control connection: " + control.error.text;
        return result;
    }

    // The header, and with headerWithFirstData the first data chunk in its last write.
    const std::vector<size_t> writes = headerWrites(header.size(), o.headerPieces);
    const size_t firstData = o.headerWithFirstData ? std::min(o.chunkSize, data.size()) : 0;
    size_t offset = 0;
    for (size_t i = 0; i < writes.size(); ++i) {
        const bool last = i + 1 == writes.size();
        std::vector<uint8_t> piece(header.begin() + static_cast<long>(offset),
                                   header.begin() + static_cast<long>(offset + writes[i]));
        if (last)
            piece.insert(piece.end(), data.begin(), data.begin() + static_cast<long>(firstData));
        IoResult sent = sendAll(control.socket, piece.data(), piece.size(), o.sendTimeoutMs);
        if (!sent.ok()) {
            result.error = "sending the header: " + sent.error.text;
            return result;
        }
        offset += writes[i];
        if (!last)
            pause(o.pieceDelayMs);
    }
    result.bytesSent = firstData;

    // The reply: exactly 4 bytes, however they arrive.
    uint8_t reply[kReplySize] = {};
    size_t got = 0;
    const auto replyDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(o.replyTimeoutMs);
    while (got < kReplySize) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            replyDeadline - std::chrono::steady_clock::now());
        IoResult r = receiveSome(control.socket, reply + got, kReplySize - got,
                                 static_cast<int>(std::max<long long>(left.count(), 0)));
        if (r.status == IoStatus::PeerClosed) {
            result.error =
                "the server closed the connection after " + std::to_string(got) + " of 4 reply bytes";
            return result;
        }
        if (!r.ok()) {
            result.error = "waiting for the reply: " + r.error.text;
            return result;
        }
        got += r.bytes;
    }
    result.replied = true;
    result.replyCode = static_cast<uint16_t>(reply[0] | (reply[1] << 8));
    result.dataPort = static_cast<uint16_t>(reply[2] | (reply[3] << 8));
    if (result.replyCode != ReplyAccepted)
        return result; // the server ends the connection; closing ours is all that is left

    Socket dataConnection;
    if (o.openDataConnection) {
        pause(o.dataConnectDelayMs);
        if (result.dataPort == 0) {
            result.error = "the server accepted the job but named no data port";
            return result;
        }
        SocketResult d = connectTcp(serverAddress, result.dataPort, o.connectTimeoutMs);
        if (!d.ok()) {
            result.error = "data connection: " + d.error.text;
            return result;
        }
        dataConnection = std::move(d.socket);
        result.dataConnected = true;
    }

    const size_t end = o.resetAfter ? std::min(*o.resetAfter, data.size()) : data.size();
    for (size_t at = firstData; at < end;) {
        const size_t n = std::min(o.chunkSize, end - at);
        IoResult sent = sendAll(control.socket, data.data() + at, n, o.sendTimeoutMs);
        result.bytesSent += sent.bytes;
        if (!sent.ok()) {
            result.serverReset = sent.error.code == wsa::ConnectionReset;
            result.serverClosed = result.serverReset;
            result.error = "sending data: " + sent.error.text;
            return result;
        }
        at += n;
    }
    if (o.resetAfter) {
        if (o.beforeReset)
            o.beforeReset();
        setAbortiveClose(control.socket);
        setAbortiveClose(dataConnection);
        control.socket.close();
        dataConnection.close();
        result.hostReset = true;
        return result;
    }
    result.dataSent = true;

    // End of the job: the server sees the control connection end, then the data connection
    // (which, when the host serves its files, the server closes when it is done with it).
    std::unique_ptr<FakeHostPeer> files;
    if (o.serveHostFiles && dataConnection.isValid()) {
        files = std::make_unique<FakeHostPeer>(std::move(dataConnection));
        for (const auto& [name, file] : o.hostFiles)
            files->addFile(name, file);
        files->start();
    }
    shutdownSend(control.socket);
    dataConnection.close();
    uint8_t drain[4096];
    const auto closeDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(o.closeTimeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            closeDeadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        IoResult r = receiveSome(control.socket, drain, sizeof drain, static_cast<int>(left.count()));
        if (r.ok()) {
            result.extraBytes += r.bytes;
            continue;
        }
        // An orderly close or a reset both mean the server has let go of the connection; only
        // the orderly close says the job printed.
        result.serverClosed = r.status == IoStatus::PeerClosed || r.status == IoStatus::Failed;
        result.serverReset = r.status == IoStatus::Failed && r.error.code == wsa::ConnectionReset;
        break;
    }
    if (files) {
        files->stop();
        result.fileRequests = files->transcript();
    }
    return result;
}

} // namespace valdor
