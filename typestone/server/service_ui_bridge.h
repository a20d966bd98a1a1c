#pragma once
// The UI bridge of service mode: a service has no screen, so its message boxes are shown by
// TypestoneUI, which it asks by a datagram on the loopback interface.
//
// Request (270 bytes, little-endian): u16 command 1133, 4 zero bytes, text char[256] at 6
// (NUL-terminated, cut at 255), i32 prompt id at 262, i32 box style at 266. TypestoneUI answers
// {u16 1133, 4 bytes, i32 result} (10 bytes) from 127.0.0.1. The request goes out from a
// socket of its own, so no host datagram is taken from the server's socket, and the wait ends
// at the request's time-out (else kDefaultTimeoutMs) with kIdTimeout. Debug-option commands
// (1131, 1132) that arrive meanwhile are passed to the control sink. Answers and commands
// count only from a socket of a user who may control the server (ControlAccess), so that no
// other local user answers the server's questions or changes its options.
//
// A progress display is mirrored in TypestoneUI (CMsgDlgEx, one socket per display, used by
// the job's thread that opened it): its lines, percentage and page go there, and a Cancel
// pressed there is the display's cancel. Opening waits for TypestoneUI's create answer only
// briefly (kCreateWaitMs), and only while TypestoneUI has not been found silent: once a create
// went unanswered, later displays send their create without waiting, so jobs are not held up
// by a TypestoneUI that does not answer. An answer that comes later is taken at the next
// update (or at the close, so TypestoneUI's display is closed too), and TypestoneUI counts as
// answering again. When nothing listens on TypestoneUI's port (it does not run), the system
// refuses the create at once: the wait ends then, and the display is not mirrored.

#include "typestone/server/msg_dlg_ex.h"

#include "platform/net/endpoint.h"
#include "platform/ui/ui_bridge.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace typestone {

class ServiceUiBridge : public platform::ui::UiBridge
{
public:
    static constexpr size_t kRequestSize = 270;
    static constexpr size_t kAnswerSize = 10;
    static constexpr uint32_t kDefaultTimeoutMs = 120000;

    // Whether a datagram from this sender counts as TypestoneUI's.
    using SenderCheck = std::function<bool(const platform::net::Endpoint&)>;

    // `uiPort` gives TypestoneUI's port ("TYPSTUDP_AUXPORT") at the time of each request.
    // Without `senderCheck`, the senders ControlAccess allows, with the group as the settings
    // name it at the time of each request.
    explicit ServiceUiBridge(std::function<uint16_t()> uiPort, uint32_t defaultTimeoutMs = kDefaultTimeoutMs,
                             SenderCheck senderCheck = {});

    void SetControlSink(std::function<void(uint16_t)> sink);

    // How long opening a display waits for TypestoneUI's create answer.
    static constexpr int kCreateWaitMs = 1000;
    // The waits of the progress mirror (tests shorten them).
    void SetRelayTimeouts(RelayTimeouts timeouts, int createWaitMs = kCreateWaitMs);

    // The server stops (any thread): every box still waiting ends within kCloseSliceMs with
    // kIdTimeout, and later ones are not sent.
    void Close();
    bool IsClosed() const { return m_closed; }
    // How long one look for an answer lasts before the bridge checks whether it was closed.
    static constexpr int kCloseSliceMs = 200;

    // The request's bytes.
    static std::vector<uint8_t> BuildRequest(const std::string& text, int32_t promptId, uint32_t style);

    // The server trace's boxes in service mode: the text (or the server string `stringId` when
    // the text is empty) through the current bridge; no answer gives 2 (kIdCancel).
    static int TraceBoxSender(const std::string& text, unsigned stringId, unsigned type);
    // The bridge TraceBoxSender uses instead of the current one (null: the current one). The
    // server sets it before its first trace line, so the trace file's overwrite question of
    // the start-up goes to TypestoneUI even before the bridge is made current.
    static void SetTraceBridge(std::shared_ptr<ServiceUiBridge> bridge);

    int messageBox(const platform::ui::MessageBoxRequest& request) override;
    // Not offered by TypestoneUI yet: no answer.
    std::optional<std::string> askText(const platform::ui::TextQuestion& request) override;
    platform::ui::ProgressId openProgress(const platform::ui::ProgressRequest& request) override;
    void updateProgress(platform::ui::ProgressId id, const platform::ui::ProgressState& state) override;
    bool progressCancelled(platform::ui::ProgressId id) override;
    void clearProgressCancel(platform::ui::ProgressId id) override;
    void closeProgress(platform::ui::ProgressId id) override;

    // How many displays waited for a create answer (tests).
    unsigned CreateWaits() const { return m_createWaits; }

private:
    struct Relay;
    std::shared_ptr<Relay> relay(platform::ui::ProgressId id);
    void mirror(Relay& relay);
    void takeLateCreate(Relay& relay);

    std::mutex m_relayMutex;
    std::map<platform::ui::ProgressId, std::shared_ptr<Relay>> m_relays;
    RelayTimeouts m_relayTimeouts;
    int m_createWaitMs = kCreateWaitMs;
    // Cleared when a create went unanswered, set when one is answered.
    std::atomic<bool> m_uiAnswers{true};
    std::atomic<unsigned> m_createWaits{0};

    std::function<uint16_t()> m_uiPort;
    uint32_t m_defaultTimeoutMs;
    SenderCheck m_senderCheck;
    std::atomic<bool> m_closed{false};
    std::mutex m_sinkMutex;
    std::function<void(uint16_t)> m_sink;
};

} // namespace typestone
