// TypestoneUI's answers to the service's message-box request (service_ui_bridge): the input
// is a run of datagrams, each a length byte and up to that many bytes, which a stand-in
// TypestoneUI on the loopback interface sends in answer to the request, followed by a sound
// answer of its own. Property: the box's result is that of the first sound answer (command
// 1133, exactly 10 bytes), and every debug-option command before it reached the control sink.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"

#include "platform/net/udp.h"

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

using namespace typestone;

namespace {

constexpr int32_t kClosingAnswer = 4242;
constexpr size_t kMostDatagrams = 16;
constexpr int kWaitMs = 5000;

std::vector<uint8_t> soundAnswer(int32_t result)
{
    std::vector<uint8_t> a(ServiceUiBridge::kAnswerSize, 0);
    a[0] = uint8_t(CMD_SENDMESSAGE & 0xFF);
    a[1] = uint8_t(CMD_SENDMESSAGE >> 8);
    for (int i = 0; i < 4; ++i)
        a[6 + i] = uint8_t(uint32_t(result) >> (8 * i));
    return a;
}

} // namespace

FUZZ_TARGET(ui_answer)
{
    static platform::net::SocketResult ui = platform::net::bindUdp(platform::net::kLoopbackAddress, 0, false);
    if (!ui.ok())
        std::abort();

    std::vector<std::vector<uint8_t>> answers;
    for (size_t at = 0; at < size && answers.size() < kMostDatagrams;) {
        const size_t n = std::min<size_t>(data[at], size - at - 1);
        answers.emplace_back(data + at + 1, data + at + 1 + n);
        at += 1 + n;
    }

    // What the bridge must make of them.
    int expectedSink = 0;
    std::optional<int32_t> expected;
    for (const auto& a : answers) {
        if (a.size() < 6)
            continue;
        const uint16_t command = uint16_t(a[0] | (a[1] << 8));
        if (command == CMD_SETDBGOPTIONS || command == CMD_GETDBGOPTIONS) {
            ++expectedSink;
        } else if (command == CMD_SENDMESSAGE && a.size() == ServiceUiBridge::kAnswerSize) {
            expected = int32_t(uint32_t(a[6]) | (uint32_t(a[7]) << 8) | (uint32_t(a[8]) << 16) |
                               (uint32_t(a[9]) << 24));
            break;
        }
    }

    ServiceUiBridge bridge([] { return ui.local.port; }, kWaitMs);
    std::atomic<int> sink{0};
    bridge.SetControlSink([&sink](uint16_t) { ++sink; });

    bool requestSeen = false;
    std::thread typestoneUi([&] {
        uint8_t request[512];
        const platform::net::DatagramResult got =
            platform::net::receiveFrom(ui.socket, request, sizeof request, kWaitMs);
        if (!got.ok())
            return;
        requestSeen = got.datagramSize == ServiceUiBridge::kRequestSize &&
                      uint16_t(request[0] | (request[1] << 8)) == CMD_SENDMESSAGE;
        for (const auto& a : answers)
            platform::net::sendTo(ui.socket, a.data(), a.size(), got.from);
        const std::vector<uint8_t> closing = soundAnswer(kClosingAnswer);
        platform::net::sendTo(ui.socket, closing.data(), closing.size(), got.from);
    });

    platform::ui::MessageBoxRequest box;
    box.text = "Fuzz";
    box.timeoutMs = kWaitMs;
    const int result = bridge.messageBox(box);
    typestoneUi.join();

    FUZZ_CHECK(requestSeen);
    FUZZ_CHECK(result == expected.value_or(kClosingAnswer));
    FUZZ_CHECK(sink.load() == expectedSink);
    return 0;
}
