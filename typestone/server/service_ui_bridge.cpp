#include "typestone/server/service_ui_bridge.h"

#include "typestone/engine/relay_datagram.h"
#include "typestone/server/control_access.h"
#include "typestone/server/server_strings.h"
#include "typestone/server/server_trace.h"
#include "typestone/server/status_messages.h"

#include "platform/bytes/le_reader.h"
#include "platform/net/udp.h"
#include "platform/ui/message_box.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstring>

namespace typestone {

ServiceUiBridge::ServiceUiBridge(std::function<uint16_t()> uiPort, uint32_t defaultTimeoutMs,
                                 SenderCheck senderCheck)
    : m_uiPort(std::move(uiPort)),
      m_defaultTimeoutMs(defaultTimeoutMs ? defaultTimeoutMs : kDefaultTimeoutMs),
      m_senderCheck(std::move(senderCheck))
{
}

void ServiceUiBridge::SetControlSink(std::function<void(uint16_t)> sink)
{
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    m_sink = std::move(sink);
}

void ServiceUiBridge::Close()
{
    m_closed = true;
}

std::vector<uint8_t> ServiceUiBridge::BuildRequest(const std::string& text, int32_t promptId, uint32_t style)
{
    std::vector<uint8_t> out(kRequestSize, 0);
    out[0] = uint8_t(CMD_SENDMESSAGE & 0xFF);
    out[1] = uint8_t(CMD_SENDMESSAGE >> 8);
    std::memcpy(out.data() + 6, text.data(), std::min<size_t>(text.size(), 255));
    for (int i = 0; i < 4; ++i) {
        out[262 + i] = uint8_t(uint32_t(promptId) >> (8 * i));
        out[266 + i] = uint8_t(style >> (8 * i));
    }
    return out;
}

namespace {

// The most lines of a display that are mirrored; TypestoneUI's dialog has no more.
constexpr size_t kMaxMirroredLines = 6;

std::mutex g_traceBridgeMutex;
std::shared_ptr<ServiceUiBridge> g_traceBridge;

std::shared_ptr<ServiceUiBridge> traceBridge()
{
    std::lock_guard lock(g_traceBridgeMutex);
    return g_traceBridge;
}

} // namespace

void ServiceUiBridge::SetTraceBridge(std::shared_ptr<ServiceUiBridge> bridge)
{
    std::lock_guard lock(g_traceBridgeMutex);
    g_traceBridge = std::move(bridge);
}

int ServiceUiBridge::TraceBoxSender(const std::string& text, unsigned stringId, unsigned type)
{
    platform::ui::MessageBoxRequest request;
    request.text = text.empty() ? serverString(stringId) : text;
    request.style = type;
    const std::shared_ptr<ServiceUiBridge> own = traceBridge();
    const int answer = own ? own->messageBox(request) : platform::ui::bridge().messageBox(request);
    // An unanswered box answers 2 whatever its buttons: a Yes/No question then gets neither
    // Yes nor No, so nobody's silence can confirm an action that destroys something.
    return answer == platform::ui::kIdTimeout ? platform::ui::kIdCancel : answer;
}

int ServiceUiBridge::messageBox(const platform::ui::MessageBoxRequest& request)
{
    if (m_closed)
        return platform::ui::kIdTimeout;
    const uint16_t port = m_uiPort ? m_uiPort() : 0;
    if (port == 0)
        return platform::ui::kIdTimeout;
    platform::net::SocketResult bound = platform::net::bindUdp(platform::net::kLoopbackAddress, 0, false);
    if (!bound.ok())
        return platform::ui::kIdTimeout;
    const std::string& text = request.text;
    const std::vector<uint8_t> datagram = BuildRequest(text, 0, request.style);
    const platform::net::Endpoint ui{platform::net::kLoopbackAddress, port};
    if (!platform::net::sendTo(bound.socket, datagram.data(), datagram.size(), ui).ok())
        return platform::ui::kIdTimeout;

    SenderCheck fromTypestoneUi = m_senderCheck;
    if (!fromTypestoneUi) {
        auto access = std::make_shared<ControlAccess>();
        access->LoadGroup();
        fromTypestoneUi = [access](const platform::net::Endpoint& from) { return access->Allowed(from); };
    }

    const uint32_t timeoutMs = request.timeoutMs ? request.timeoutMs : m_defaultTimeoutMs;
    QElapsedTimer clock;
    clock.start();
    uint8_t answer[64];
    for (;;) {
        const int64_t left = int64_t(timeoutMs) - clock.elapsed();
        if (left <= 0 || m_closed)
            break;
        platform::net::DatagramResult got = platform::net::receiveFrom(
            bound.socket, answer, sizeof answer, int(std::min<int64_t>(left, kCloseSliceMs)));
        if (got.status == platform::net::IoStatus::TimedOut)
            continue;
        if (!got.ok())
            continue;
        // Only TypestoneUI on this machine answers; anything short or foreign is ignored, and
        // so is a datagram from a socket of a user who may not control the server.
        if (!platform::net::isLoopback(got.from.address) || !fromTypestoneUi(got.from)) {
            TRZ_Trace(kTrzStatus, "\nSendSCMSendMessage: datagram from %s ignored", got.from.toString());
            continue;
        }
        // The command and four bytes the answer does not use, then the result.
        platform::bytes::LeReader fields(answer, got.bytes);
        const uint16_t command = fields.u16();
        fields.skip(4);
        if (!fields.ok())
            continue;
        if (command == CMD_SETDBGOPTIONS || command == CMD_GETDBGOPTIONS) {
            std::lock_guard<std::mutex> lock(m_sinkMutex);
            if (m_sink)
                m_sink(command);
            continue;
        }
        if (command == CMD_SENDMESSAGE && got.datagramSize == kAnswerSize) {
            const int32_t result = fields.i32();
            if (fields.ok())
                return int(result);
        }
    }
    TRZ_Trace(kTrzStatus, "\nSendSCMSendMessage: no answer from TypestoneUI on port %u", unsigned(port));
    return platform::ui::kIdTimeout;
}

std::optional<std::string> ServiceUiBridge::askText(const platform::ui::TextQuestion&)
{
    return std::nullopt;
}

// One mirrored display: what the job last showed, and what of it went to TypestoneUI.
struct ServiceUiBridge::Relay
{
    Relay(std::function<uint16_t()> uiPort, RelayTimeouts timeouts, std::function<bool()> stop)
        : dlg(std::move(uiPort), timeouts, std::move(stop))
    {
    }

    CMsgDlgEx dlg;
    bool created = false;
    // The create found nobody listening on TypestoneUI's port: no answer will come.
    bool nobodyListens = false;
    platform::ui::ProgressState shown; // the job's state
    std::vector<std::string> sentLines;
    int sentPercent = -1;
    int sentPage = -1;
    bool started = false;
    bool restorePending = false; // restored figures not yet told
    // The display's cancel as the job holds it: set once a Cancel from TypestoneUI was read,
    // reset when the job goes on all the same.
    bool cancel = false;
};

void ServiceUiBridge::SetRelayTimeouts(RelayTimeouts timeouts, int createWaitMs)
{
    std::lock_guard lock(m_relayMutex);
    m_relayTimeouts = timeouts;
    m_createWaitMs = createWaitMs;
}

std::shared_ptr<ServiceUiBridge::Relay> ServiceUiBridge::relay(platform::ui::ProgressId id)
{
    std::lock_guard lock(m_relayMutex);
    const auto it = m_relays.find(id);
    return it == m_relays.end() ? nullptr : it->second;
}

void ServiceUiBridge::takeLateCreate(Relay& relay)
{
    if (relay.created || relay.nobodyListens)
        return;
    relay.created = relay.dlg.TakeCreateAnswer(0);
    if (relay.created)
        m_uiAnswers = true;
    else
        relay.nobodyListens = relay.dlg.NobodyListened();
}

void ServiceUiBridge::mirror(Relay& relay)
{
    takeLateCreate(relay);
    if (!relay.created)
        return;
    const platform::ui::ProgressState& state = relay.shown;
    if (!relay.started) {
        // Percentages go as amounts of a count of 100.
        relay.started = relay.dlg.StartCount(100);
    }
    // Only what changed goes, so a long job sends a datagram per step, not per update.
    const size_t lines = std::min(state.lines.size(), kMaxMirroredLines);
    for (size_t i = 0; i < lines; ++i) {
        if (i < relay.sentLines.size() && relay.sentLines[i] == state.lines[i])
            continue;
        if (relay.dlg.DispMsg(state.lines[i], int32_t(i))) {
            relay.sentLines.resize(std::max(relay.sentLines.size(), i + 1));
            relay.sentLines[i] = state.lines[i];
        }
    }
    // Figures given back after a nested count: TypestoneUI takes the old count up again (in
    // the relay's amounts of 100), start time included, so its time to go stays right.
    if (relay.restorePending && relay.started && state.percent >= 0) {
        const int percent = std::min(state.percent, 100);
        if (relay.dlg.RestoreProgress(percent, 100, percent, state.startedAt))
            relay.sentPercent = state.percent;
        relay.restorePending = false;
    }
    if (state.percent >= 0 && state.percent != relay.sentPercent &&
        relay.dlg.Progress(std::min(state.percent, 100), false, state.percent >= 100))
        relay.sentPercent = state.percent;
    if (state.page >= 0 && state.page != relay.sentPage && relay.dlg.SetPage(state.page))
        relay.sentPage = state.page;
}

platform::ui::ProgressId ServiceUiBridge::openProgress(const platform::ui::ProgressRequest& request)
{
    if (m_closed)
        return platform::ui::kNoProgress;
    RelayTimeouts timeouts;
    int createWaitMs = kCreateWaitMs;
    {
        std::lock_guard lock(m_relayMutex);
        timeouts = m_relayTimeouts;
        createWaitMs = m_createWaitMs;
    }
    auto relay = std::make_shared<Relay>(m_uiPort, timeouts, [this] { return m_closed.load(); });
    if (!relay->dlg.ok())
        return platform::ui::kNoProgress;
    const std::string jobName = request.jobName.empty() ? request.caption : request.jobName;
    if (!relay->dlg.SendCreate(kRelayFullDialog, 1, 1, jobName, request.printer))
        return platform::ui::kNoProgress;
    // A TypestoneUI that did not answer the last create is not waited for again: its answer, if
    // one comes, is taken at the next update.
    const bool wait = m_uiAnswers.load();
    if (wait)
        ++m_createWaits;
    relay->created = relay->dlg.TakeCreateAnswer(wait ? createWaitMs : 0);
    // Nobody listening is not silence: the wait ended at once, and a TypestoneUI that starts
    // later is waited for again by the next display.
    relay->nobodyListens = !relay->created && relay->dlg.NobodyListened();
    if (relay->created)
        m_uiAnswers = true;
    else if (wait && !relay->nobodyListens)
        m_uiAnswers = false;
    relay->shown.lines = request.lines;
    mirror(*relay);
    const platform::ui::ProgressId id = platform::ui::newProgressId();
    std::lock_guard lock(m_relayMutex);
    m_relays[id] = std::move(relay);
    return id;
}

void ServiceUiBridge::updateProgress(platform::ui::ProgressId id, const platform::ui::ProgressState& state)
{
    const std::shared_ptr<Relay> r = relay(id);
    if (!r || m_closed)
        return;
    r->shown = state;
    if (state.restored)
        r->restorePending = true;
    mirror(*r);
}

bool ServiceUiBridge::progressCancelled(platform::ui::ProgressId id)
{
    const std::shared_ptr<Relay> r = relay(id);
    if (!r || m_closed)
        return false;
    if (!r->created) {
        mirror(*r);
        if (!r->created)
            return false;
    }
    if (r->dlg.IsCancelled(r->cancel))
        r->cancel = true;
    return r->cancel;
}

void ServiceUiBridge::clearProgressCancel(platform::ui::ProgressId id)
{
    // Sent with the next cancel query, so TypestoneUI's Cancel can be pressed again.
    if (const std::shared_ptr<Relay> r = relay(id))
        r->cancel = false;
}

void ServiceUiBridge::closeProgress(platform::ui::ProgressId id)
{
    std::shared_ptr<Relay> r;
    {
        std::lock_guard lock(m_relayMutex);
        const auto it = m_relays.find(id);
        if (it == m_relays.end())
            return;
        r = std::move(it->second);
        m_relays.erase(it);
    }
    // A create answered after the last update still gets its close, so TypestoneUI does not
    // keep a display of a job that has ended.
    if (!m_closed)
        takeLateCreate(*r);
    if (r->created)
        r->dlg.CloseProgressDlgBox();
}

} // namespace typestone
