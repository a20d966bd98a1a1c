// The datagrams of the progress relay to TypestoneUI: the layout of the requests, the bounds of
// their texts, and which answers are taken.

#include "typestone/engine/relay_datagram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace typestone;

namespace {

uint32_t le32(const std::vector<uint8_t>& d, size_t at)
{
    return uint32_t(d[at]) | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) |
           (uint32_t(d[at + 3]) << 24);
}

std::string field(const std::vector<uint8_t>& d, size_t at, size_t size)
{
    const auto* p = reinterpret_cast<const char*>(d.data() + at);
    return std::string(p, strnlen(p, size));
}

std::vector<uint8_t> answer(uint16_t command, std::vector<uint8_t> payload)
{
    return RelayRequest(command, payload);
}

} // namespace

// The create request: head, port, template, level, icon, and both names NUL-terminated in
// their fields, a long name cut to what its field holds.
TEST(RelayDatagram, CreateRequestLayout)
{
    RelayCreate create;
    create.localPort = 0xBEEF;
    create.templateId = kRelayCompactDialog;
    create.level = 1;
    create.bigIcon = 0;
    create.jobName = std::string(300, 'J');
    create.printer = std::string(300, 'P');
    const std::vector<uint8_t> d = RelayCreateRequest(create);
    ASSERT_EQ(d.size(), 538u);
    EXPECT_EQ(d[0] | (d[1] << 8), kRelayCreate);
    EXPECT_EQ(le32(d, 2), 0u);
    EXPECT_EQ(d[6] | (d[7] << 8), 0xBEEF);
    EXPECT_EQ(d[8] | (d[9] << 8), 0);
    EXPECT_EQ(le32(d, 10), kRelayCompactDialog);
    EXPECT_EQ(le32(d, 14), 1u);
    EXPECT_EQ(le32(d, 18), 0u);
    EXPECT_EQ(field(d, 22, 260), std::string(259, 'J'));
    EXPECT_EQ(field(d, 282, 256), std::string(254, 'P'));

    create.jobName = "host_1";
    create.printer = "Office";
    const std::vector<uint8_t> s = RelayCreateRequest(create);
    ASSERT_EQ(s.size(), 538u);
    EXPECT_EQ(field(s, 22, 260), "host_1");
    EXPECT_EQ(field(s, 282, 256), "Office");
}

// Text payloads are one 256-byte field: at most 255 bytes, cut at an embedded NUL, an empty
// text an empty field; numbers follow little-endian.
TEST(RelayDatagram, TextAndNumberPayloads)
{
    struct Case
    {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"Page 3", "Page 3"},
        {std::string(400, 'x'), std::string(255, 'x')},
        {std::string("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> t = RelayText(c.text);
        ASSERT_EQ(t.size(), 256u);
        EXPECT_EQ(field(t, 0, 256), c.expected);
        EXPECT_EQ(t[255], 0);
        const std::vector<uint8_t> tl = RelayTextAndLine(c.text, 2);
        ASSERT_EQ(tl.size(), 260u);
        EXPECT_EQ(le32(tl, 256), 2u);
    }
    const std::vector<uint8_t> restore = RelayRequest(kRelayRestore, RelayInts({10, 200, 5, -1, 7}));
    ASSERT_EQ(restore.size(), 26u);
    EXPECT_EQ(le32(restore, 6), 10u);
    EXPECT_EQ(le32(restore, 18), 0xFFFFFFFFu);
    EXPECT_EQ(le32(restore, 22), 7u);
    EXPECT_EQ(RelayRequest(kRelayClose).size(), 6u);
}

// Only an answer of the request's command and exactly the awaited size is taken; a create
// answer of 0 is a valid answer that says "not created".
TEST(RelayDatagram, AnswersAreTakenOnlyWhenExact)
{
    std::vector<uint8_t> text(256, 0);
    std::memcpy(text.data(), "Line two", 8);
    std::vector<uint8_t> unterminated(256, 'z');
    struct Case
    {
        const char* name;
        uint16_t request;
        std::vector<uint8_t> datagram;
        bool taken;
        int32_t word;
        std::string text;
    };
    const Case cases[] = {
        {"created", kRelayCreate, answer(kRelayCreate, RelayInts({1})), true, 1, ""},
        {"not created", kRelayCreate, answer(kRelayCreate, RelayInts({0})), true, 0, ""},
        {"level", kRelayGetLevel, answer(kRelayGetLevel, RelayInts({3})), true, 3, ""},
        {"cancel", kRelayGetCancel, answer(kRelayGetCancel, RelayInts({1})), true, 1, ""},
        {"message", kRelayGetMsg, answer(kRelayGetMsg, text), true, 0x656e694c, "Line two"},
        {"message without NUL", kRelayGetMsg, answer(kRelayGetMsg, unterminated), true, 0x7a7a7a7a,
         std::string(255, 'z')},
        {"other command", kRelayGetLevel, answer(kRelayGetCancel, RelayInts({3})), false, 0, ""},
        {"short", kRelayCreate, answer(kRelayCreate, {1, 0, 0}), false, 0, ""},
        {"long", kRelayCreate, answer(kRelayCreate, RelayInts({1, 0})), false, 0, ""},
        {"head only", kRelayGetMsg, answer(kRelayGetMsg, {}), false, 0, ""},
        {"nothing", kRelayCreate, {}, false, 0, ""},
        {"request awaits nothing", kRelayClose, answer(kRelayClose, {}), false, 0, ""},
    };
    for (const Case& c : cases) {
        const auto got = ParseRelayAnswer(c.request, c.datagram.data(), c.datagram.size());
        ASSERT_EQ(got.has_value(), c.taken) << c.name;
        if (!got)
            continue;
        EXPECT_EQ(got->command, c.request) << c.name;
        EXPECT_EQ(got->word(), c.word) << c.name;
        if (c.request == kRelayGetMsg) {
            EXPECT_EQ(got->text(), c.text) << c.name;
        }
    }
}
