#pragma once
// TypestoneUI's side of a job's progress mirror, played on loopback: a socket on its
// well-known port takes the create requests, and the answers (and every later request) go
// through a second socket, as a companion that answers from a port of its own does, so a
// relay that kept sending to the well-known port is caught. A thread of its own records every
// datagram and answers the requests that await one from the script.

#include "platform/net/socket_results.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tsupport {

class FakeRelayUi
{
public:
    struct Request
    {
        bool onKnownPort = false; // arrived at the well-known port (else at the reply port)
        uint16_t command = 0;
        std::vector<uint8_t> datagram; // the whole datagram, head included
    };
    // The answer datagram to send back for a request (head included), or nullopt for none.
    using Script = std::function<std::optional<std::vector<uint8_t>>(const Request&)>;

    FakeRelayUi();
    ~FakeRelayUi();
    FakeRelayUi(const FakeRelayUi&) = delete;
    FakeRelayUi& operator=(const FakeRelayUi&) = delete;

    bool ok() const { return m_known.ok() && m_reply.ok(); }
    uint16_t knownPort() const { return m_known.local.port; }
    uint16_t replyPort() const { return m_reply.local.port; }

    // The default script answers a create with "created", the cancel query with the flag last
    // set by setCancel() or by the relay's own 1238, the level query with 1 and the message
    // query with "remote text".
    void setScript(Script script);
    void setCancel(bool on) { m_cancel = on; }

    std::vector<Request> requests() const;
    // Waits at most `timeoutMs` until that many requests have arrived.
    bool waitForRequests(size_t count, int timeoutMs) const;
    // Waits at most `timeoutMs` until a request of `command` has arrived.
    bool waitForCommand(uint16_t command, int timeoutMs) const;
    // Sends `datagram` from the well-known socket (true) or the reply socket to 127.0.0.1:port.
    void sendFrom(bool knownSocket, uint16_t port, const std::vector<uint8_t>& datagram);

    // {command, 4 zero bytes, payload}.
    static std::vector<uint8_t> answer(uint16_t command, const std::vector<uint8_t>& payload);
    static std::vector<uint8_t> word(int32_t value);

private:
    void receiveLoop();

    platform::net::SocketResult m_known;
    platform::net::SocketResult m_reply;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_cancel{false};

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    Script m_script;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

} // namespace tsupport
