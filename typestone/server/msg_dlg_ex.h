#pragma once
// The mirror of one job's progress display in TypestoneUI: each operation on the display is
// sent as a datagram (relay_datagram.h) from a socket of the job's own, and the few that await
// an answer wait for it with a finite time-out. A create goes to TypestoneUI's well-known port;
// the answer's source port becomes the reply port, to which every later request goes and from
// which alone answers are then taken. Before a successful create nothing else is sent.
//
// One object belongs to one job's thread; it never runs on the service thread, whose waits
// would hold up the hosts' queries.

#include "platform/net/relay_socket.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace typestone {

// How long the relay waits for TypestoneUI.
struct RelayTimeouts
{
    int answerMs = 60000; // create, message and level queries
    // The cancel query is asked while the job prints: no answer in this time means not
    // cancelled.
    int cancelMs = 1000;
    // The cancel query is asked at most once in this time; in between the last answer holds.
    int cancelIntervalMs = 250;
    // After a cancel query that got no answer, the next one waits this long, so a TypestoneUI
    // that went away mid-job costs the job a wait now and then, not one per step.
    int silentIntervalMs = 5000;
};

class CMsgDlgEx
{
public:
    using Timeouts = RelayTimeouts;

    // `uiPort` gives TypestoneUI's well-known port at the time of each create; `stop`, when
    // given, ends every wait early (the server stops).
    explicit CMsgDlgEx(std::function<uint16_t()> uiPort, Timeouts timeouts = Timeouts{},
                       std::function<bool()> stop = {});

    bool ok() const { return m_socket.ok(); }
    uint16_t localPort() const { return m_socket.localPort(); }
    uint16_t replyPort() const { return m_replyPort; }

    // One request; false (nothing sent) while the reply port is 0.
    bool Send(uint16_t command, const std::vector<uint8_t>& payload = {});
    // One request and its answer's payload; nullopt when it could not be sent or no valid
    // answer came within `timeoutMs`. Datagrams that are not the awaited answer (another
    // command, another size, a stale answer) are ignored.
    std::optional<std::vector<uint8_t>> SendAndWait(uint16_t command, const std::vector<uint8_t>& payload,
                                                    int timeoutMs);

    // True when TypestoneUI created its display.
    bool CreateProgressDlgBox(uint32_t nID, uint32_t nLevel, uint32_t bBigIcon, const std::string& jobName,
                              const std::string& printer);
    // The create in two halves, for a caller that must not wait for TypestoneUI: the request,
    // then a look for its answer that waits at most `timeoutMs` (0: only what has arrived),
    // true once TypestoneUI created its display. Nothing but this look may come between them,
    // as every other request throws away what waits on the socket.
    bool SendCreate(uint32_t nID, uint32_t nLevel, uint32_t bBigIcon, const std::string& jobName,
                    const std::string& printer);
    bool TakeCreateAnswer(int timeoutMs);
    // True when the last wait for an answer ended because nobody listened where its request
    // went (no TypestoneUI runs, or it went away): no answer will come.
    bool NobodyListened() const { return m_nobodyListened; }
    bool CloseProgressDlgBox();
    bool Progress(int32_t amount, bool incremental, bool done);
    bool StartCount(int32_t total);
    bool GenericDispMsg(const std::string& text);
    bool DispMsg(const std::string& text, int32_t line);
    // The UI's text of `line`; `text` unchanged without an answer.
    std::string GetMsg(const std::string& text, int32_t line);
    bool SetPage(int32_t page);
    // Restores a saved progress state: done of total, the last percentage shown, and when
    // the count started (seconds since the epoch).
    bool RestoreProgress(int32_t done, int32_t total, int32_t lastPercent, int64_t startedAt);
    // The UI's level; 1 without an answer.
    int GetLevel();
    bool IncrLevel(int32_t increment);
    bool IncrProgressContext(int32_t increment);

    // Whether the job is cancelled, asked of TypestoneUI: `localCancel` is the job's own
    // state, sent first when it is set or differs from TypestoneUI's flag as last sent or read
    // (so a Cancel pressed in TypestoneUI is not reset before it is read, and one the job took
    // back is reset there). Asked at most once per cancelIntervalMs (silentIntervalMs after
    // an unanswered one) while the job's state stays the same; no answer is not cancelled.
    bool IsCancelled(bool localCancel);

private:
    std::optional<std::vector<uint8_t>> awaitAnswer(uint16_t command, int timeoutMs);

    platform::net::RelaySocket m_socket;
    std::function<uint16_t()> m_uiPort;
    Timeouts m_timeouts;
    std::function<bool()> m_stop;
    uint16_t m_replyPort = 0;
    bool m_nobodyListened = false;

    bool m_uiCancel = false;        // TypestoneUI's flag as last sent or read
    bool m_lastLocalCancel = false; // the job's own state at the last query
    bool m_lastCancelAnswer = false;
    bool m_lastCancelAnswered = true;
    std::optional<std::chrono::steady_clock::time_point> m_lastCancelQuery;
};

} // namespace typestone
