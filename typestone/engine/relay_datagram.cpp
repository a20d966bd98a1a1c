#include "typestone/engine/relay_datagram.h"

#include <algorithm>
#include <cstring>

namespace typestone {

namespace {

void put16(std::vector<uint8_t>& out, size_t at, uint16_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// `text` up to its first NUL, at most `most` bytes, into the field at `at` (whose remaining
// bytes stay zero, so the field always ends with a NUL).
void putText(std::vector<uint8_t>& out, size_t at, const std::string& text, size_t most)
{
    const size_t n = std::min({text.size(), most, std::strlen(text.c_str())});
    std::memcpy(out.data() + at, text.data(), n);
}

} // namespace

std::vector<uint8_t> RelayRequest(uint16_t command, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out(kRelayHeadSize, 0);
    put16(out, 0, command);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<uint8_t> RelayCreateRequest(const RelayCreate& create)
{
    std::vector<uint8_t> payload(kRelayCreateSize, 0);
    put16(payload, 0, create.localPort);
    put32(payload, 4, create.templateId);
    put32(payload, 8, create.level);
    put32(payload, 12, create.bigIcon);
    putText(payload, 16, create.jobName, kRelayJobNameField - 1);
    putText(payload, 16 + kRelayJobNameField, create.printer, kRelayPrinterField - 2);
    return RelayRequest(kRelayCreate, payload);
}

std::vector<uint8_t> RelayInts(const std::vector<int32_t>& values)
{
    std::vector<uint8_t> out(values.size() * 4, 0);
    for (size_t i = 0; i < values.size(); ++i)
        put32(out, i * 4, static_cast<uint32_t>(values[i]));
    return out;
}

std::vector<uint8_t> RelayText(const std::string& text)
{
    std::vector<uint8_t> out(kRelayTextField, 0);
    putText(out, 0, text, kRelayTextField - 1);
    return out;
}

std::vector<uint8_t> RelayTextAndLine(const std::string& text, int32_t line)
{
    std::vector<uint8_t> out = RelayText(text);
    const std::vector<uint8_t> number = RelayInts({line});
    out.insert(out.end(), number.begin(), number.end());
    return out;
}

std::optional<size_t> RelayAnswerSize(uint16_t command)
{
    switch (command) {
    case kRelayCreate:
    case kRelayGetLevel:
    case kRelayGetCancel:
        return 4;
    case kRelayGetMsg:
        return kRelayTextField;
    default:
        return std::nullopt;
    }
}

int32_t RelayAnswer::word() const
{
    if (payload.size() < 4)
        return 0;
    return static_cast<int32_t>(uint32_t(payload[0]) | (uint32_t(payload[1]) << 8) |
                                (uint32_t(payload[2]) << 16) | (uint32_t(payload[3]) << 24));
}

std::string RelayAnswer::text() const
{
    const size_t most = std::min(payload.size(), kRelayTextField - 1);
    const auto end =
        std::find(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(most), uint8_t{0});
    return std::string(payload.begin(), end);
}

std::optional<RelayAnswer> ParseRelayAnswer(uint16_t request, const uint8_t* data, size_t size)
{
    const std::optional<size_t> awaited = RelayAnswerSize(request);
    if (!awaited || data == nullptr || size != kRelayHeadSize + *awaited)
        return std::nullopt;
    const uint16_t command = static_cast<uint16_t>(data[0] | (data[1] << 8));
    if (command != request)
        return std::nullopt;
    RelayAnswer answer;
    answer.command = command;
    answer.payload.assign(data + kRelayHeadSize, data + size);
    return answer;
}

} // namespace typestone
