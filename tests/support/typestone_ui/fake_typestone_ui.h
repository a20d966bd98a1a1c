#pragma once
// TypestoneUI played on loopback for the tests of the service's control and of its message
// boxes: a UDP socket on 127.0.0.1 that records the server's notices (6 bytes) and message-box
// requests (270 bytes), answers the requests as scripted (by default never), and sends
// TypestoneUI's control commands to the server's UDP port. A thread of its own receives, so a
// test may block the server's thread meanwhile; it stops with the object.

#include "platform/net/endpoint.h"
#include "platform/net/socket_results.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tsupport {

class FakeTypestoneUi
{
public:
    struct BoxRequest
    {
        std::string text;
        int32_t promptId = 0;
        uint32_t style = 0;
    };

    // Binds 127.0.0.1:port (0: a free port). ok() tells whether the bind worked.
    explicit FakeTypestoneUi(uint16_t port = 0);
    ~FakeTypestoneUi();
    FakeTypestoneUi(const FakeTypestoneUi&) = delete;
    FakeTypestoneUi& operator=(const FakeTypestoneUi&) = delete;

    bool ok() const { return m_bound; }
    uint16_t port() const { return m_port; }

    // The next message-box requests are answered with `result` (command 1133, 10 bytes).
    void answerBoxesWith(int32_t result);
    // The next message-box requests get no answer (the start state).
    void neverAnswer();

    std::vector<uint16_t> notices() const;
    std::vector<BoxRequest> boxes() const;
    // Every other datagram (replies to commands), in arrival order.
    std::vector<std::vector<uint8_t>> replies() const;

    // Wait at most `timeoutMs` until that many have arrived.
    bool waitForNotices(size_t count, int timeoutMs) const;
    bool waitForBoxes(size_t count, int timeoutMs) const;
    bool waitForReplies(size_t count, int timeoutMs) const;

    // Sends {command, sequence, 2 zero bytes, data} to the server's UDP port on 127.0.0.1.
    void sendCommand(uint16_t serverPort, uint16_t command, const std::vector<uint8_t>& data = {},
                     uint16_t sequence = 1);

private:
    void receiveLoop();
    bool waitFor(const std::function<bool()>& done, int timeoutMs) const;

    platform::net::SocketResult m_socket;
    bool m_bound = false;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::optional<int32_t> m_answer;
    std::vector<uint16_t> m_notices;
    std::vector<BoxRequest> m_boxes;
    std::vector<std::vector<uint8_t>> m_replies;

    std::thread m_thread;
};

} // namespace tsupport
