#include "typestone/server/packet_link.h"

#include "typestone/server/answer_framer.h"
#include "typestone/server/packet_clock.h"
#include "typestone/server/packet_codes.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/transfer_strings.h"

#include "platform/net/socket_io.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <algorithm>

namespace typestone {
namespace {

using platform::net::IoStatus;

// The longest single poll: a cancel from another thread is seen within it.
constexpr int kSliceMs = 100;
// Bytes one flush or drain read takes, and how many reads one flush makes at most.
constexpr size_t kScratch = 1024;
constexpr int kMaxFlushReads = 64;
// How long a notice the host began to send may take to arrive whole.
constexpr int kNotifyWaitMs = 2000;
// How long one raw send waits for room in the send buffer.
constexpr int kRawSendWaitMs = 10000;

} // namespace

PacketLink::PacketLink(const platform::net::Socket& socket, platform::ui::UiBridge& ui, PacketClock& clock)
    : m_socket(socket), m_ui(ui), m_clock(clock)
{
}

int64_t PacketLink::clockMs()
{
    return m_clock.nowMs();
}

std::string PacketLink::endpointText() const
{
    const auto local = platform::net::localEndpoint(m_socket);
    return local ? local->toString() : std::string("?");
}

void PacketLink::flushWaiting()
{
    uint8_t scratch[kScratch];
    for (int i = 0; i < kMaxFlushReads && !m_closed; ++i) {
        const long long waiting = platform::net::pendingBytes(m_socket);
        if (waiting <= 0)
            return;
        const auto got = platform::net::receiveSome(m_socket, scratch, sizeof scratch, 0);
        if (got.status == IoStatus::PeerClosed || got.status == IoStatus::Failed)
            m_closed = true;
        if (!got.ok())
            return;
        TRZ_HexDump("\nFlush: bytes left on the connection", scratch, got.bytes);
    }
}

bool PacketLink::sendRequest(const PacketBytes& request, bool cleanUp)
{
    if (m_closed || !m_socket.isValid()) {
        m_closed = true;
        return false;
    }
    const int64_t since = m_clock.nowMs() - m_lastSendMs;
    if (m_awaitingAnswer && since < kSendGapMs) {
        if (!cleanUp) {
            TRZ_Trace(kTrzCore, "\nSendNetRequest(%s): last sent less than 1 second ago, refused",
                      DescribePacket(request.size() >= 2 ? uint16_t(request[0] | (request[1] << 8)) : 0));
            m_cancel = true;
            m_lastSendMs = m_clock.nowMs();
            return false;
        }
        m_clock.sleepMs(int(kSendGapMs - since));
    }
    m_lastSendMs = m_clock.nowMs();
    m_awaitingAnswer = true;
    if (TRZ_IsOn(kTrzCore))
        TRZ_HexDump("\nSendNetRequest", request.data(), request.size());
    return sendRaw(request.data(), request.size());
}

PacketStatus PacketLink::exchange(const PacketBytes& request, std::vector<uint8_t>* answer, size_t answerSize)
{
    m_cancel = false;
    if (checkCancel() || request.size() < kPacketHeaderSize)
        return PacketStatus::Cancelled;
    flushWaiting();
    if (!sendRequest(request, false))
        return m_closed ? PacketStatus::Closed : PacketStatus::Cancelled;
    return receiveAnswer(uint16_t(request[0] | (request[1] << 8)), answer, answerSize);
}

PacketStatus PacketLink::sendOnly(const PacketBytes& request, bool cleanUp)
{
    if (!cleanUp && m_cancel)
        return PacketStatus::Cancelled;
    if (!sendRequest(request, cleanUp))
        return m_closed ? PacketStatus::Closed : PacketStatus::Cancelled;
    return PacketStatus::Ok;
}

PacketStatus PacketLink::awaitAnswer(uint16_t command, std::vector<uint8_t>* answer, size_t answerSize)
{
    return receiveAnswer(command, answer, answerSize);
}

PacketStatus PacketLink::receiveAnswer(uint16_t command, std::vector<uint8_t>* answer, size_t answerSize)
{
    AnswerFramer framer(command, kPacketId, answerSize);
    uint8_t buffer[kScratch];
    for (int pass = 0;; ++pass) {
        const int64_t deadline = m_clock.nowMs() + m_answerTimeMs;
        while (!framer.complete()) {
            if (checkCancel())
                return PacketStatus::Cancelled;
            if (m_closed)
                return PacketStatus::Closed;
            const int64_t remaining = deadline - m_clock.nowMs();
            if (remaining <= 0)
                break;
            const IoStatus ready =
                platform::net::waitReadable(m_socket, int(std::min<int64_t>(remaining, kSliceMs)), &m_cancel);
            if (ready == IoStatus::Canceled)
                return PacketStatus::Cancelled;
            if (ready == IoStatus::Failed) {
                m_closed = true;
                return PacketStatus::Closed;
            }
            if (ready != IoStatus::Ok)
                continue;
            const size_t want = std::min(framer.wanted(), sizeof buffer);
            const auto got = platform::net::receiveSome(m_socket, buffer, want, 0);
            if (got.status == IoStatus::PeerClosed || got.status == IoStatus::Failed) {
                m_closed = true;
                return PacketStatus::Closed;
            }
            if (got.ok())
                framer.feed(buffer, got.bytes);
        }
        if (framer.complete())
            break;
        TRZ_Trace(kTrzCore, "\n%s: Wait Answer TIMEOUT !!!", DescribePacket(command));
        if (pass >= m_maxRetries || !askRetry(command))
            return PacketStatus::NoAnswer;
    }
    m_lastSkipped = framer.skipped();
    if (framer.skipped() > 0)
        TRZ_Trace(kTrzCore, "\nDetectHeader(%s)- Skipping %u characters", DescribePacket(command),
                  unsigned(framer.skipped()));
    m_awaitingAnswer = false;
    if (answer != nullptr) {
        *answer = framer.data();
        answer->resize(answerSize, 0); // a short (error) answer reads as zeros past its end
    }
    return PacketStatus::Ok;
}

bool PacketLink::checkCancel()
{
    if (!m_cancel && ((m_stopFlag != nullptr && *m_stopFlag) || (m_cancelCheck && m_cancelCheck())))
        m_cancel = true;
    return m_cancel;
}

bool PacketLink::askRetry(uint16_t command)
{
    platform::ui::MessageBoxRequest box;
    box.text = fillPlaceholders(
        transferString(kStrServerNoAnswer,
                       "\nServer '%1' [%2] doesn't answer. Check the physical connection and this server."),
        {std::string(), endpointText()});
    if (TRZ_IsOn(kTrzCore))
        box.text += "\n\n[" + DescribePacket(command) + "]";
    box.caption = "Typestone";
    box.style = platform::ui::kMbRetryCancel | platform::ui::kMbIconExclamation;
    const int answer = m_ui.messageBox(box);
    TRZ_Trace(kTrzCore, "\nServerError(%s) -> %d", DescribePacket(command), answer);
    return answer == platform::ui::kIdRetry;
}

bool PacketLink::sendRaw(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t sent = 0;
    for (int tries = 0; sent < size; ++tries) {
        if (m_closed || tries >= kRawSendTries) {
            m_closed = true;
            return false;
        }
        const auto result = platform::net::sendAll(m_socket, bytes + sent, size - sent, kRawSendWaitMs);
        sent += result.bytes;
        if (result.status == IoStatus::Failed || result.status == IoStatus::PeerClosed) {
            m_closed = true;
            return false;
        }
    }
    return true;
}

long long PacketLink::receiveRaw(void* buffer, size_t cap, int waitMs)
{
    if (m_closed || checkCancel())
        return -1;
    if (cap == 0)
        return 0;
    const auto got = platform::net::receiveSome(m_socket, buffer, cap, std::max(0, waitMs));
    if (got.ok())
        return static_cast<long long>(got.bytes);
    if (got.status == IoStatus::PeerClosed || got.status == IoStatus::Failed) {
        m_closed = true;
        return -1;
    }
    return 0;
}

uint16_t PacketLink::pollNotify()
{
    if (m_closed || platform::net::pendingBytes(m_socket) < 6)
        return 0;
    AnswerFramer framer(CMD_TYP_XFER_NOTIFY, kPacketId, 6);
    uint8_t buffer[kScratch];
    const int64_t deadline = m_clock.nowMs() + kNotifyWaitMs;
    while (!framer.complete() && !m_closed && !m_cancel && m_clock.nowMs() < deadline) {
        const long long got = receiveRaw(buffer, std::min(framer.wanted(), sizeof buffer), kSliceMs);
        if (got > 0)
            framer.feed(buffer, size_t(got));
    }
    if (!framer.complete() || framer.data().size() < 2)
        return 0;
    return uint16_t(framer.data()[0] | (framer.data()[1] << 8));
}

void PacketLink::drain(int maxMs)
{
    uint8_t scratch[kScratch];
    const int64_t deadline = m_clock.nowMs() + maxMs;
    while (!m_closed && m_clock.nowMs() < deadline) {
        const IoStatus status =
            platform::net::receiveSome(m_socket, scratch, sizeof scratch, kSliceMs).status;
        if (status == IoStatus::PeerClosed || status == IoStatus::Failed) {
            m_closed = true;
            return;
        }
    }
}

} // namespace typestone
