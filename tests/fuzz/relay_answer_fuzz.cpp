// TypestoneUI's answers to the progress relay's requests, and the requests built from outside
// text: the first byte picks the request awaiting an answer, the rest is the datagram that
// arrived. Properties: an answer is taken exactly when its command and size are the awaited
// ones, its text is bounded and ends before any NUL, and a create request built from the
// datagram's bytes as names has its fixed size with both names NUL-terminated in their fields.

#include "tests/fuzz/fuzz_target.h"

#include "typestone/engine/relay_datagram.h"

#include <cstring>
#include <string>

using namespace typestone;

FUZZ_TARGET(relay_answer)
{
    if (size == 0)
        return 0;
    static constexpr uint16_t kAwaiting[] = {kRelayCreate, kRelayGetMsg, kRelayGetLevel, kRelayGetCancel,
                                             kRelayClose};
    const uint16_t request = kAwaiting[data[0] % (sizeof kAwaiting / sizeof kAwaiting[0])];
    const uint8_t* datagram = data + 1;
    const size_t length = size - 1;

    const auto answer = ParseRelayAnswer(request, datagram, length);
    const auto awaited = RelayAnswerSize(request);
    const bool exact = awaited && length == kRelayHeadSize + *awaited &&
                       uint16_t(datagram[0] | (datagram[1] << 8)) == request;
    FUZZ_CHECK(answer.has_value() == exact);
    if (answer) {
        FUZZ_CHECK(answer->payload.size() == *awaited);
        const std::string text = answer->text();
        FUZZ_CHECK(text.size() < kRelayTextField);
        FUZZ_CHECK(text.find('\0') == std::string::npos);
    }

    RelayCreate create;
    create.jobName.assign(reinterpret_cast<const char*>(datagram), length);
    create.printer.assign(reinterpret_cast<const char*>(datagram), length / 2);
    const std::vector<uint8_t> built = RelayCreateRequest(create);
    FUZZ_CHECK(built.size() == kRelayMostDatagram);
    FUZZ_CHECK(built[kRelayHeadSize + 16 + kRelayJobNameField - 1] == 0);
    FUZZ_CHECK(built[kRelayHeadSize + 16 + kRelayJobNameField + kRelayPrinterField - 2] == 0);
    const std::vector<uint8_t> text = RelayText(create.jobName);
    FUZZ_CHECK(text.size() == kRelayTextField && text.back() == 0);
    return 0;
}
