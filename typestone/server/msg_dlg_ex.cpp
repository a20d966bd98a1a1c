#include "typestone/server/msg_dlg_ex.h"

#include "typestone/engine/relay_datagram.h"
#include "typestone/server/server_trace.h"

#include <algorithm>
#include <array>

namespace typestone {

namespace {

// The relay's trace lines go under the progress mask.
constexpr uint32_t kTrzRelay = 8;

} // namespace

CMsgDlgEx::CMsgDlgEx(std::function<uint16_t()> uiPort, Timeouts timeouts, std::function<bool()> stop)
    : m_uiPort(std::move(uiPort)), m_timeouts(timeouts), m_stop(std::move(stop))
{
}

bool CMsgDlgEx::Send(uint16_t command, const std::vector<uint8_t>& payload)
{
    if (m_replyPort == 0)
        return false;
    const std::vector<uint8_t> datagram = RelayRequest(command, payload);
    return m_socket.send(m_replyPort, datagram.data(), datagram.size());
}

std::optional<std::vector<uint8_t>> CMsgDlgEx::SendAndWait(uint16_t command,
                                                           const std::vector<uint8_t>& payload, int timeoutMs)
{
    const bool create = command == kRelayCreate;
    const uint16_t to = create ? (m_uiPort ? m_uiPort() : 0) : m_replyPort;
    if (to == 0 || !RelayAnswerSize(command))
        return std::nullopt;
    // An answer that came too late for an earlier request must not pass for this one's.
    m_socket.drain();
    const std::vector<uint8_t> datagram = RelayRequest(command, payload);
    if (!m_socket.send(to, datagram.data(), datagram.size()))
        return std::nullopt;
    return awaitAnswer(command, timeoutMs);
}

std::optional<std::vector<uint8_t>> CMsgDlgEx::awaitAnswer(uint16_t command, int timeoutMs)
{
    const bool create = command == kRelayCreate;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // Before the create is answered TypestoneUI may answer from any of its ports; after it,
    // only from the one it gave.
    const uint16_t from = create ? 0 : m_replyPort;
    std::array<uint8_t, kRelayMostDatagram> buffer{};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        platform::net::RelaySocket::Received got;
        // A time-out of 0 still looks at what has already arrived.
        if (!m_socket.receive(buffer.data(), buffer.size(), int(std::max<int64_t>(left, 0)), from, &got,
                              m_stop)) {
            m_nobodyListened = got.refused;
            return std::nullopt;
        }
        m_nobodyListened = false;
        // A datagram cut to the buffer is longer than any answer.
        if (got.datagramSize != got.bytes)
            continue;
        const std::optional<RelayAnswer> answer = ParseRelayAnswer(command, buffer.data(), got.bytes);
        if (!answer)
            continue;
        if (create && answer->word() != 0)
            m_replyPort = got.fromPort;
        return answer->payload;
    }
}

bool CMsgDlgEx::CreateProgressDlgBox(uint32_t nID, uint32_t nLevel, uint32_t bBigIcon,
                                     const std::string& jobName, const std::string& printer)
{
    if (!SendCreate(nID, nLevel, bBigIcon, jobName, printer)) {
        TRZ_Trace(kTrzRelay, "\nCMsgDlgEx::CreateProgressDlgBox() sale....ret=%d", 0);
        return false;
    }
    return TakeCreateAnswer(m_timeouts.answerMs);
}

bool CMsgDlgEx::SendCreate(uint32_t nID, uint32_t nLevel, uint32_t bBigIcon, const std::string& jobName,
                           const std::string& printer)
{
    TRZ_Trace(
        kTrzRelay,
        "\nCMsgDlgEx::CreateProgressDlgBox() entra....nID=%d nLevel=%d bBigIcon=%d szJobName=%s printer=%s",
        nID, nLevel, bBigIcon, jobName, printer);
    const uint16_t to = m_uiPort ? m_uiPort() : 0;
    if (to == 0)
        return false;
    RelayCreate create;
    create.localPort = m_socket.localPort();
    create.templateId = nID;
    create.level = nLevel;
    create.bigIcon = bBigIcon;
    create.jobName = jobName;
    create.printer = printer;
    m_socket.drain();
    const std::vector<uint8_t> request = RelayCreateRequest(create);
    return m_socket.send(to, request.data(), request.size());
}

bool CMsgDlgEx::TakeCreateAnswer(int timeoutMs)
{
    const std::optional<std::vector<uint8_t>> answer = awaitAnswer(kRelayCreate, timeoutMs);
    const bool created = answer && RelayAnswer{kRelayCreate, *answer}.word() != 0;
    if (created) {
        // A new display starts without a cancel.
        m_uiCancel = false;
        m_lastLocalCancel = false;
        m_lastCancelAnswer = false;
        m_lastCancelAnswered = true;
        m_lastCancelQuery.reset();
    }
    if (answer)
        TRZ_Trace(kTrzRelay, "\nCMsgDlgEx::CreateProgressDlgBox() sale....ret=%d", created ? 1 : 0);
    return created;
}

bool CMsgDlgEx::CloseProgressDlgBox()
{
    TRZ_Trace(kTrzRelay, "\nCMsgDlgEx::CloseProgressDlgBox() entra...");
    return Send(kRelayClose);
}

bool CMsgDlgEx::Progress(int32_t amount, bool incremental, bool done)
{
    return Send(kRelayProgress, RelayInts({amount, incremental ? 1 : 0, done ? 1 : 0}));
}

bool CMsgDlgEx::StartCount(int32_t total)
{
    return Send(kRelayStartCount, RelayInts({total}));
}

bool CMsgDlgEx::GenericDispMsg(const std::string& text)
{
    return Send(kRelayGenericMsg, RelayText(text));
}

bool CMsgDlgEx::DispMsg(const std::string& text, int32_t line)
{
    return Send(kRelayDispMsg, RelayTextAndLine(text, line));
}

std::string CMsgDlgEx::GetMsg(const std::string& text, int32_t line)
{
    TRZ_Trace(kTrzRelay, "\nCMsgDlgEx::GetMsg() entra....nID=%d", line);
    const std::optional<std::vector<uint8_t>> answer =
        SendAndWait(kRelayGetMsg, RelayInts({line}), m_timeouts.answerMs);
    return answer ? RelayAnswer{kRelayGetMsg, *answer}.text() : text;
}

bool CMsgDlgEx::SetPage(int32_t page)
{
    return Send(kRelaySetPage, RelayInts({page}));
}

bool CMsgDlgEx::RestoreProgress(int32_t done, int32_t total, int32_t lastPercent, int64_t startedAt)
{
    const auto time = static_cast<uint64_t>(startedAt);
    return Send(kRelayRestore, RelayInts({done, total, lastPercent, int32_t(uint32_t(time & 0xFFFFFFFFu)),
                                          int32_t(uint32_t(time >> 32))}));
}

int CMsgDlgEx::GetLevel()
{
    const std::optional<std::vector<uint8_t>> answer = SendAndWait(kRelayGetLevel, {}, m_timeouts.answerMs);
    const int level = answer ? RelayAnswer{kRelayGetLevel, *answer}.word() : 1;
    TRZ_Trace(kTrzRelay, "\nCMsgDlgEx::GetLevel ..bRc=%d level=%d", answer ? 1 : 0, level);
    return level;
}

bool CMsgDlgEx::IncrLevel(int32_t increment)
{
    return Send(kRelayIncrLevel, RelayInts({increment}));
}

bool CMsgDlgEx::IncrProgressContext(int32_t increment)
{
    return Send(kRelayIncrContext, RelayInts({increment}));
}

bool CMsgDlgEx::IsCancelled(bool localCancel)
{
    if (m_replyPort == 0)
        return false;
    const auto now = std::chrono::steady_clock::now();
    const int intervalMs = m_lastCancelAnswered ? m_timeouts.cancelIntervalMs : m_timeouts.silentIntervalMs;
    if (m_lastCancelQuery && localCancel == m_lastLocalCancel &&
        now - *m_lastCancelQuery < std::chrono::milliseconds(intervalMs))
        return m_lastCancelAnswer;
    // Sending an unchanged "not cancelled" would reset a Cancel pressed in TypestoneUI before
    // this query reads it; a cancel TypestoneUI holds and the job took back must be reset.
    if (localCancel || localCancel != m_uiCancel) {
        if (Send(kRelaySetCancel, RelayInts({localCancel ? 1 : 0})))
            m_uiCancel = localCancel;
    }
    m_lastCancelQuery = now;
    m_lastLocalCancel = localCancel;
    const std::optional<std::vector<uint8_t>> answer = SendAndWait(kRelayGetCancel, {}, m_timeouts.cancelMs);
    m_lastCancelAnswer = answer && RelayAnswer{kRelayGetCancel, *answer}.word() != 0;
    m_lastCancelAnswered = answer.has_value();
    if (answer)
        m_uiCancel = m_lastCancelAnswer;
    return m_lastCancelAnswer;
}

} // namespace typestone
