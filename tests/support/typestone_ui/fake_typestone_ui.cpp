#include "fake_typestone_ui.h"

#include "platform/net/udp.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace tsupport {
namespace {

constexpr uint16_t kSendMessage = 1133;
constexpr size_t kBoxRequestSize = 270;

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

FakeTypestoneUi::FakeTypestoneUi(uint16_t port) : m_socket(platform::net::bindUdp("127.0.0.1", port, false))
{
    m_bound = m_socket.ok();
    m_port = m_socket.local.port;
    if (m_bound)
        m_thread = std::thread([this] { receiveLoop(); });
}

FakeTypestoneUi::~FakeTypestoneUi()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void FakeTypestoneUi::answerBoxesWith(int32_t result)
{
    std::lock_guard lock(m_mutex);
    m_answer = result;
}

void FakeTypestoneUi::neverAnswer()
{
    std::lock_guard lock(m_mutex);
    m_answer.reset();
}

std::vector<uint16_t> FakeTypestoneUi::notices() const
{
    std::lock_guard lock(m_mutex);
    return m_notices;
}

std::vector<FakeTypestoneUi::BoxRequest> FakeTypestoneUi::boxes() const
{
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<std::vector<uint8_t>> FakeTypestoneUi::replies() const
{
    std::lock_guard lock(m_mutex);
    return m_replies;
}

bool FakeTypestoneUi::waitFor(const std::function<bool()>& done, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool FakeTypestoneUi::waitForNotices(size_t count, int timeoutMs) const
{
    return waitFor([&] { return m_notices.size() >= count; }, timeoutMs);
}

bool FakeTypestoneUi::waitForBoxes(size_t count, int timeoutMs) const
{
    return waitFor([&] { return m_boxes.size() >= count; }, timeoutMs);
}

bool FakeTypestoneUi::waitForReplies(size_t count, int timeoutMs) const
{
    return waitFor([&] { return m_replies.size() >= count; }, timeoutMs);
}

void FakeTypestoneUi::sendCommand(uint16_t serverPort, uint16_t command, const std::vector<uint8_t>& data,
                                  uint16_t sequence)
{
    std::vector<uint8_t> out = {
        uint8_t(command), uint8_t(command >> 8), uint8_t(sequence), uint8_t(sequence >> 8), 0, 0};
    out.insert(out.end(), data.begin(), data.end());
    platform::net::sendTo(m_socket.socket, out.data(), out.size(), {"127.0.0.1", serverPort});
}

void FakeTypestoneUi::receiveLoop()
{
    uint8_t buffer[2048];
    while (!m_stop) {
        platform::net::DatagramResult got =
            platform::net::receiveFrom(m_socket.socket, buffer, sizeof buffer, 50);
        if (!got.ok())
            continue;
        const uint16_t command = got.bytes >= 2 ? uint16_t(buffer[0] | (buffer[1] << 8)) : 0;
        std::optional<int32_t> answer;
        {
            std::lock_guard lock(m_mutex);
            if (got.datagramSize == 6) {
                m_notices.push_back(command);
            } else if (got.datagramSize == kBoxRequestSize && command == kSendMessage) {
                BoxRequest box;
                const uint8_t* text = buffer + 6;
                box.text.assign(reinterpret_cast<const char*>(text),
                                size_t(std::find(text, text + 256, uint8_t(0)) - text));
                box.promptId = int32_t(readU32(buffer + 262));
                box.style = readU32(buffer + 266);
                m_boxes.push_back(box);
                answer = m_answer;
            } else {
                m_replies.emplace_back(buffer, buffer + got.bytes);
            }
        }
        m_arrived.notify_all();
        if (answer) {
            uint8_t reply[10] = {uint8_t(kSendMessage), uint8_t(kSendMessage >> 8), 0, 0, 0, 0};
            for (int i = 0; i < 4; ++i)
                reply[6 + i] = uint8_t(uint32_t(*answer) >> (8 * i));
            platform::net::sendTo(m_socket.socket, reply, sizeof reply, got.from);
        }
    }
}

} // namespace tsupport
