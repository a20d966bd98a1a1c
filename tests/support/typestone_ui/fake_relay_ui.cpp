#include "fake_relay_ui.h"

#include "platform/net/endpoint.h"
#include "platform/net/udp.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace tsupport {

FakeRelayUi::FakeRelayUi()
    : m_known(platform::net::bindUdp("127.0.0.1", 0, false)),
      m_reply(platform::net::bindUdp("127.0.0.1", 0, false))
{
    m_script = [this](const Request& r) -> std::optional<std::vector<uint8_t>> {
        switch (r.command) {
        case 1224:
            return answer(1224, word(1));
        case 1230: {
            std::vector<uint8_t> text(256, 0);
            const std::string remote = "remote text";
            std::copy(remote.begin(), remote.end(), text.begin());
            return answer(1230, text);
        }
        case 1232:
            return answer(1232, word(1));
        case 1237:
            return answer(1237, word(m_cancel ? 1 : 0));
        case 1238:
            if (r.datagram.size() >= 10)
                m_cancel = r.datagram[6] != 0;
            return std::nullopt;
        default:
            return std::nullopt;
        }
    };
    if (ok())
        m_thread = std::thread([this] { receiveLoop(); });
}

FakeRelayUi::~FakeRelayUi()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void FakeRelayUi::setScript(Script script)
{
    std::lock_guard lock(m_mutex);
    m_script = std::move(script);
}

std::vector<FakeRelayUi::Request> FakeRelayUi::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool FakeRelayUi::waitForCommand(uint16_t command, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::any_of(m_requests.begin(), m_requests.end(),
                           [&](const Request& r) { return r.command == command; });
    });
}

bool FakeRelayUi::waitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

void FakeRelayUi::sendFrom(bool knownSocket, uint16_t port, const std::vector<uint8_t>& datagram)
{
    platform::net::sendTo(knownSocket ? m_known.socket : m_reply.socket, datagram.data(), datagram.size(),
                          {"127.0.0.1", port});
}

std::vector<uint8_t> FakeRelayUi::answer(uint16_t command, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out(6 + payload.size(), 0);
    out[0] = uint8_t(command);
    out[1] = uint8_t(command >> 8);
    std::copy(payload.begin(), payload.end(), out.begin() + 6);
    return out;
}

std::vector<uint8_t> FakeRelayUi::word(int32_t value)
{
    const uint32_t v = uint32_t(value);
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

void FakeRelayUi::receiveLoop()
{
    while (!m_stop) {
        for (const bool known : {true, false}) {
            uint8_t buffer[1024];
            const platform::net::DatagramResult got =
                platform::net::receiveFrom(known ? m_known.socket : m_reply.socket, buffer, sizeof buffer, 2);
            if (!got.ok() || got.bytes < 2)
                continue;
            Request request;
            request.onKnownPort = known;
            request.command = uint16_t(buffer[0] | (buffer[1] << 8));
            request.datagram.assign(buffer, buffer + got.bytes);
            Script script;
            {
                std::lock_guard lock(m_mutex);
                script = m_script;
            }
            const std::optional<std::vector<uint8_t>> reply = script ? script(request) : std::nullopt;
            // Recorded before the answer leaves, so a test that saw the answer sees the request.
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(std::move(request));
            }
            m_arrived.notify_all();
            // Answers always leave from the reply socket, whichever socket the request reached.
            if (reply)
                platform::net::sendTo(m_reply.socket, reply->data(), reply->size(), got.from);
        }
    }
}

} // namespace tsupport
