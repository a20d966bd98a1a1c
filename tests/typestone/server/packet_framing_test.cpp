// The host file packets as bytes: the nine requests exactly as they go on the wire, and the
// search for the host's answer in what comes back.

#include "typestone/server/answer_framer.h"
#include "typestone/server/packet_codes.h"
#include "typestone/server/packet_requests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace typestone;

namespace {

using Bytes = std::vector<uint8_t>;

// The header {command, 1995, length}.
Bytes header(uint16_t command, uint16_t length)
{
    return {uint8_t(command), uint8_t(command >> 8), 0xCB, 0x07, uint8_t(length), uint8_t(length >> 8)};
}

// Request data: the host word and the name in a zero-padded field of 256 bytes.
Bytes named(uint16_t hostWord, const std::string& name)
{
    Bytes out{uint8_t(hostWord), uint8_t(hostWord >> 8)};
    Bytes field(256, 0);
    std::copy(name.begin(), name.end(), field.begin());
    out.insert(out.end(), field.begin(), field.end());
    return out;
}

Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PacketRequests, EachOfTheNineRequestsHasItsExactBytes)
{
    struct Case
    {
        const char* what;
        Bytes built;
        Bytes expected;
    };
    const Case cases[] = {
        {"read", EncodeRead(0x01020304, 0x0A0B0C0D),
         cat(header(801, 8), {0x04, 0x03, 0x02, 0x01, 0x0D, 0x0C, 0x0B, 0x0A})},
        {"write", EncodeWrite(70000), cat(header(802, 4), {0x70, 0x11, 0x01, 0x00})},
        {"notify", EncodeXferNotify(23), cat(header(803, 6), {23, 0, 0, 0, 0, 0})},
        {"file exists", EncodeFileExist(0x1234, "LOGO.BMP", 0x00050001, true),
         cat(cat(header(804, 263), named(0x1234, "LOGO.BMP")), {0x01, 0x00, 0x05, 0x00, 0x01})},
        {"append", EncodeAppend(7, "A.TXT"), cat(header(805, 258), named(7, "A.TXT"))},
        {"open", EncodeOpen(7, "/u/x.dat:C"), cat(header(806, 258), named(7, "/u/x.dat:C"))},
        {"close", EncodeClose(7, "A.TXT", 0x65000001),
         cat(cat(header(807, 262), named(7, "A.TXT")), {0x01, 0x00, 0x00, 0x65})},
        {"create", EncodeCreate(7, "A.TXT", 300),
         cat(cat(header(808, 273), named(7, "A.TXT")),
             {0x2C, 0x01, 0, 0, 0, 0, 0, 0, 0x80, 0x10, 0, 0, 0, 0, 0})},
        {"erase", EncodeErase(9, "OLD"), cat(header(809, 258), named(9, "OLD"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.built, c.expected);
    }
}

TEST(PacketRequests, ALongNameIsCutAndKeepsItsTerminator)
{
    const std::string longName(400, 'N');
    const Bytes built = EncodeOpen(1, longName);
    ASSERT_EQ(built.size(), 6u + 258u);
    EXPECT_EQ(built[6 + 2 + 254], 'N');
    EXPECT_EQ(built[6 + 2 + 255], 0);
    // A NUL inside the name ends it.
    const Bytes cut = EncodeOpen(1, std::string("AB\0CD", 5));
    EXPECT_EQ(cut[8], 'A');
    EXPECT_EQ(cut[9], 'B');
    EXPECT_EQ(cut[10], 0);
    EXPECT_EQ(cut[11], 0);
}

TEST(PacketCodes, CommandsAreDescribedByNameAndUnknownOnesSaySo)
{
    EXPECT_EQ(DescribePacket(801), "Packet #801(0x321)-CMD_TYP_READ");
    EXPECT_EQ(DescribePacket(113), "Packet #113(0x71)-SC_CREATE");
    EXPECT_EQ(DescribePacket(408), "Packet #408(0x198)-Unknown");
}

// Feeds `stream` to a framer in reads of at most `read` bytes, each no more than it wants.
struct Framed
{
    bool complete = false;
    Bytes data;
    size_t consumed = 0;
    size_t skipped = 0;
};

Framed frame(const Bytes& stream, uint16_t command, size_t capacity, size_t read)
{
    AnswerFramer framer(command, kPacketId, capacity);
    Framed out;
    while (out.consumed < stream.size() && !framer.complete()) {
        const size_t n = std::min({read, framer.wanted(), stream.size() - out.consumed});
        out.consumed += framer.feed(stream.data() + out.consumed, n);
    }
    out.complete = framer.complete();
    out.data = framer.data();
    out.skipped = framer.skipped();
    return out;
}

TEST(AnswerFramer, FindsTheAnswerWhateverComesBeforeItAndNeverReadsPastIt)
{
    const Bytes answer = EncodePacket(806, kPacketId, {1, 2, 3, 4});
    const Bytes fileBytes{0xF0, 0xF1, 0xF2}; // what follows the answer belongs to the file
    const Bytes decoy = EncodePacket(806, 1994, {9, 9, 9, 9});
    const Bytes otherCommand = EncodePacket(804, kPacketId, {8, 8});
    struct Case
    {
        const char* what;
        Bytes before;
        size_t read;
    };
    const Case cases[] = {
        {"alone, one read", {}, 1024},
        {"alone, byte by byte", {}, 1},
        {"after garbage", {0x00, 0x13, 0x26, 0x03, 0xFF, 0x01, 0x02}, 1024},
        {"after a decoy with the wrong id", decoy, 1024},
        {"after an answer to another request", otherCommand, 3},
        // The header's first bytes come in the read that makes the framer drop garbage.
        {"header straddling the drop", {0xAA, 0xBB, 0xCC, 0xDD}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes stream = cat(cat(c.before, answer), fileBytes);
        const Framed got = frame(stream, 806, 17, c.read);
        EXPECT_TRUE(got.complete);
        EXPECT_EQ(got.data, (Bytes{1, 2, 3, 4}));
        EXPECT_EQ(got.skipped, c.before.size());
        EXPECT_EQ(got.consumed, c.before.size() + answer.size());
    }
}

TEST(AnswerFramer, AnswerInPiecesIsTakenOnlyWhenAllItsDataIsThere)
{
    const Bytes answer = EncodePacket(801, kPacketId, {0, 0, 0, 0, 0, 0});
    AnswerFramer framer(801, kPacketId, 6);
    EXPECT_EQ(framer.feed(answer.data(), 4), 4u);
    EXPECT_FALSE(framer.complete());
    EXPECT_EQ(framer.wanted(), 2u);
    framer.feed(answer.data() + 4, 5);
    EXPECT_FALSE(framer.complete());
    EXPECT_EQ(framer.wanted(), 3u);
    framer.feed(answer.data() + 9, 3);
    EXPECT_TRUE(framer.complete());
    EXPECT_EQ(framer.wanted(), 0u);
}

TEST(AnswerFramer, LongerAnswersAreConsumedWholeAndCutShorterOnesComplete)
{
    // 40 data bytes for a buffer of 2: all 40 leave the stream, 2 are kept.
    Bytes data(40, 0x11);
    data[0] = 5;
    const Framed longer = frame(cat(EncodePacket(807, kPacketId, data), {0xF0}), 807, 2, 1024);
    EXPECT_TRUE(longer.complete);
    EXPECT_EQ(longer.data, (Bytes{5, 0x11}));
    EXPECT_EQ(longer.consumed, 46u);
    // An error answer of 2 bytes where a file status of 17 was expected.
    const Framed shorter = frame(EncodePacket(806, kPacketId, {2, 0}), 806, 17, 1024);
    EXPECT_TRUE(shorter.complete);
    EXPECT_EQ(shorter.data, (Bytes{2, 0}));
    // No data at all.
    EXPECT_TRUE(frame(EncodePacket(802, kPacketId, {}), 802, 2, 1024).complete);
}

} // namespace
