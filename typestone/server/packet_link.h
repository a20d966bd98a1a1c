#pragma once
// The host file link of one job: requests to the host and its answers over the job's data
// connection, and the raw file bytes that follow a read or write request.
//
// It runs on the job's worker thread and borrows the data socket (it never closes it). Every
// wait ends: at its time-out, at cancel() (any thread), or when the host closes the
// connection, after which every call fails at once. An answer not in within the answer time
// (32 s) asks the person, through the UI bridge, whether to wait again (the request is not
// sent again: it was delivered) or to give up; a box that times out gives up.
//
// A request sent less than the send gap (1 s) after one that got no answer is refused and
// cancels the link, as the host cannot take requests that fast; clean-up requests (closing a
// file, telling the host of a broken transfer) wait the gap out instead.

#include "typestone/server/packet_requests.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::net {
class Socket;
}
namespace platform::ui {
class UiBridge;
}

namespace typestone {

class PacketClock;

enum class PacketStatus
{
    Ok,        // the answer is in
    NoAnswer,  // the host did not answer and the person gave up waiting
    Cancelled, // cancel() or a refused request
    Closed,    // the connection is closed or failed
};

class PacketLink
{
public:
    PacketLink(const platform::net::Socket& socket, platform::ui::UiBridge& ui, PacketClock& clock);
    PacketLink(const PacketLink&) = delete;
    PacketLink& operator=(const PacketLink&) = delete;

    static constexpr int kAnswerTimeMs = 32000;
    static constexpr int kSendGapMs = 1000;
    // How often a failed raw send is tried before the connection counts as failed.
    static constexpr int kRawSendTries = 5;

    void setAnswerTimeMs(int ms) { m_answerTimeMs = ms; }
    // How many times the person may answer Retry to one request (a bound for a box that keeps
    // answering Retry by itself).
    void setMaxRetries(int retries) { m_maxRetries = retries; }

    // Any thread: every wait of the link ends at once; cleared by the next exchange.
    void cancel() { m_cancel = true; }
    // Asked at every poll of a wait (on the link's thread): true cancels the link, as the
    // Cancel button of a progress display does.
    void setCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }
    // A flag of the link's owner (the server stopping) that cancels the link when it turns true.
    void setStopFlag(const std::atomic<bool>* stop) { m_stopFlag = stop; }
    bool isCancelled() const { return m_cancel; }
    bool isClosed() const { return m_closed; }

    // Sends `request` and waits for its answer; `answer` gets at most `answerSize` data bytes.
    PacketStatus exchange(const PacketBytes& request, std::vector<uint8_t>* answer, size_t answerSize);
    // Sends `request` without waiting for an answer. `cleanUp`: waits out the send gap rather
    // than refusing (and goes out also after a cancel).
    PacketStatus sendOnly(const PacketBytes& request, bool cleanUp);
    // Waits for the answer of a request sent earlier (the write request, after the file's
    // bytes went out).
    PacketStatus awaitAnswer(uint16_t command, std::vector<uint8_t>* answer, size_t answerSize);

    // Raw bytes. sendRaw: all of them or false (tried kRawSendTries times, then the link
    // counts as closed). receiveRaw: up to `cap` bytes within `waitMs`: the count, 0 when
    // nothing came, -1 when the connection closed or failed or the link was cancelled.
    bool sendRaw(const void* data, size_t size);
    long long receiveRaw(void* buffer, size_t cap, int waitMs);
    // A transfer notice (803) the host sent meanwhile: its code, 0 when none is waiting.
    uint16_t pollNotify();
    // Reads and drops what the host sends until it closes the connection, at most `maxMs`.
    void drain(int maxMs);

    // The link's clock now (a transfer measures its own waits with it).
    int64_t clockMs();

    // What the last exchange skipped before its answer (for the trace and tests).
    size_t lastSkipped() const { return m_lastSkipped; }
    // "address:port" of our side of the connection, for messages.
    std::string endpointText() const;

private:
    bool sendRequest(const PacketBytes& request, bool cleanUp);
    bool checkCancel();
    PacketStatus receiveAnswer(uint16_t command, std::vector<uint8_t>* answer, size_t answerSize);
    void flushWaiting();
    bool askRetry(uint16_t command);

    const platform::net::Socket& m_socket;
    platform::ui::UiBridge& m_ui;
    PacketClock& m_clock;
    int m_answerTimeMs = kAnswerTimeMs;
    int m_maxRetries = 20;
    std::atomic<bool> m_cancel{false};
    std::function<bool()> m_cancelCheck;
    const std::atomic<bool>* m_stopFlag = nullptr;
    bool m_closed = false;
    int64_t m_lastSendMs = 0;
    bool m_awaitingAnswer = false; // the last request has had no answer yet
    size_t m_lastSkipped = 0;
};

} // namespace typestone
