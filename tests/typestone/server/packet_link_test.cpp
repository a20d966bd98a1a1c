// The packet link over a real loopback connection to the fake host: answers that come in
// pieces, after stray bytes, longer than asked; a host that does not answer, one that closes,
// and requests sent too fast.

#include "typestone/server/packet_codes.h"
#include "typestone/server/packet_link.h"
#include "typestone/server/packet_requests.h"

#include "platform/ui/message_box.h"

#include "tests/support/hostfile/fake_host_peer.h"
#include "tests/support/hostfile/fake_packet_clock.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace typestone;
using platform::ui::ScriptedUiBridge;
using valdor::FakeHostPeer;
using valdor::FakePacketClock;
using valdor::HostFile;
using valdor::PeerScript;

namespace {

struct LinkFixture : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(peer.ok());
        HostFile file;
        file.bytes = {'a', 'b', 'c'};
        file.date = 1600000000;
        peer.addFile("DATA.TXT", file);
    }
    void start(const PeerScript& script = {})
    {
        peer.setScript(script);
        peer.start();
    }
    PacketStatus open(std::vector<uint8_t>* answer)
    {
        return link.exchange(EncodeOpen(3, "DATA.TXT"), answer, 17);
    }

    FakeHostPeer peer;
    ScriptedUiBridge ui;
    FakePacketClock clock{0};
    PacketLink link{peer.serverSide(), ui, clock};
};

uint32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

TEST_F(LinkFixture, AnswersThatComeInPiecesOrBehindStrayBytesAreFound)
{
    struct Case
    {
        const char* what;
        PeerScript script;
        size_t skipped;
    };
    PeerScript split;
    split.answerPieces = {4, 9}; // three writes: 4, 9 and the rest
    PeerScript garbage;
    garbage.garbage = {0x01, 0x23, 0xCB, 0x07, 0x99};
    PeerScript decoy;
    decoy.decoy = true;
    PeerScript longer;
    longer.extraAnswerBytes = 30;
    start();
    const Case cases[] = {
        {"split in three writes", split, 0},
        {"garbage first", garbage, 5},
        {"a decoy with the wrong id first", decoy, 6 + 17},
        {"an answer longer than asked", longer, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        peer.setScript(c.script);
        std::vector<uint8_t> answer;
        ASSERT_EQ(open(&answer), PacketStatus::Ok);
        ASSERT_EQ(answer.size(), 17u);
        EXPECT_EQ(answer[0], 0);
        EXPECT_EQ(get32(answer, 2), 3u);
        EXPECT_EQ(get32(answer, 6), 1600000000u);
        EXPECT_EQ(answer[11], kSequentialFile);
        EXPECT_EQ(link.lastSkipped(), c.skipped);
    }
    // Nothing of the longer answer was left behind: a read then gets the answer and the bytes.
    peer.setScript({});
    std::vector<uint8_t> answer;
    ASSERT_EQ(link.exchange(EncodeRead(0, 3), &answer, 6), PacketStatus::Ok);
    uint8_t bytes[8] = {};
    size_t got = 0;
    for (int i = 0; i < 50 && got < 3; ++i) {
        const long long n = link.receiveRaw(bytes + got, 3 - got, 100);
        ASSERT_GE(n, 0);
        got += size_t(n);
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), got), "abc");
    EXPECT_EQ(peer.count(CMD_TYP_OPEN), 4u);
}

TEST(PacketLink, NoAnswerAsksAndRetryWaitsAgainWithoutSendingTheRequestTwice)
{
    FakeHostPeer peer;
    ASSERT_TRUE(peer.ok());
    PeerScript silent;
    silent.silentOn = CMD_TYP_FILEEXIST;
    peer.setScript(silent);
    peer.start();
    ScriptedUiBridge ui;
    ui.pushBoxAnswer(platform::ui::kIdRetry);
    ui.pushBoxAnswer(platform::ui::kIdCancel);
    // Each reading moves the clock on by 2 s: the 32 s pass in a few real polls.
    FakePacketClock clock(2000);
    PacketLink link(peer.serverSide(), ui, clock);
    const int64_t before = clock.peek();
    std::vector<uint8_t> answer;
    EXPECT_EQ(link.exchange(EncodeFileExist(1, "GONE", 0, false), &answer, 19), PacketStatus::NoAnswer);
    EXPECT_GE(clock.peek() - before, 2 * PacketLink::kAnswerTimeMs);
    EXPECT_EQ(peer.count(CMD_TYP_FILEEXIST), 1u);
    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].box.style & platform::ui::kMbTypeMask, platform::ui::kMbRetryCancel);
    EXPECT_NE(calls[0].box.text.find("doesn't answer"), std::string::npos);
}

TEST(PacketLink, ABoxThatTimesOutGivesUp)
{
    FakeHostPeer peer;
    PeerScript silent;
    silent.silentOn = CMD_TYP_OPEN;
    peer.setScript(silent);
    peer.start();
    ScriptedUiBridge ui;
    ui.pushBoxTimeout();
    FakePacketClock clock(4000);
    PacketLink link(peer.serverSide(), ui, clock);
    EXPECT_EQ(link.exchange(EncodeOpen(1, "X"), nullptr, 17), PacketStatus::NoAnswer);
}

TEST(PacketLink, ARequestTooSoonAfterAnUnansweredOneIsRefusedButACleanUpWaitsTheGapOut)
{
    FakeHostPeer peer;
    peer.start();
    ScriptedUiBridge ui;
    FakePacketClock clock(0);
    PacketLink link(peer.serverSide(), ui, clock);
    ASSERT_EQ(link.sendOnly(EncodeXferNotify(5), false), PacketStatus::Ok);
    EXPECT_EQ(link.sendOnly(EncodeXferNotify(6), false), PacketStatus::Cancelled);
    EXPECT_TRUE(link.isCancelled());
    clock.advance(10);
    EXPECT_EQ(link.sendOnly(EncodeClose(1, "X", 0), true), PacketStatus::Ok);
    EXPECT_GE(clock.slept(), PacketLink::kSendGapMs - 10);
    for (int i = 0; i < 500 && peer.count(CMD_TYP_CLOSE) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(peer.count(CMD_TYP_XFER_NOTIFY), 1u);
    EXPECT_EQ(peer.count(CMD_TYP_CLOSE), 1u);
}

TEST(PacketLink, TheHostsCloseOrACancelEndsTheWaitAndLaterCallsFailAtOnce)
{
    {
        FakeHostPeer peer;
        PeerScript silent;
        silent.silentOn = CMD_TYP_OPEN;
        peer.setScript(silent);
        peer.start();
        ScriptedUiBridge ui;
        PacketLink link(peer.serverSide(), ui, PacketClock::Steady());
        std::thread closer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            peer.stop();
        });
        EXPECT_EQ(link.exchange(EncodeOpen(1, "X"), nullptr, 17), PacketStatus::Closed);
        closer.join();
        EXPECT_TRUE(link.isClosed());
        EXPECT_EQ(link.exchange(EncodeOpen(1, "X"), nullptr, 17), PacketStatus::Closed);
        uint8_t b[4];
        EXPECT_EQ(link.receiveRaw(b, sizeof b, 100), -1);
        EXPECT_TRUE(ui.calls().empty());
    }
    {
        FakeHostPeer peer;
        PeerScript silent;
        silent.silentOn = CMD_TYP_OPEN;
        peer.setScript(silent);
        peer.start();
        ScriptedUiBridge ui;
        PacketLink link(peer.serverSide(), ui, PacketClock::Steady());
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            link.cancel();
        });
        EXPECT_EQ(link.exchange(EncodeOpen(1, "X"), nullptr, 17), PacketStatus::Cancelled);
        canceller.join();
    }
}

TEST(PacketLink, TheOwnersStopEndsTheWait)
{
    FakeHostPeer peer;
    PeerScript silent;
    silent.silentOn = CMD_TYP_OPEN;
    peer.setScript(silent);
    peer.start();
    ScriptedUiBridge ui;
    PacketLink link(peer.serverSide(), ui, PacketClock::Steady());
    std::atomic<bool> stop{false};
    link.setStopFlag(&stop);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    EXPECT_EQ(link.exchange(EncodeOpen(1, "X"), nullptr, 17), PacketStatus::Cancelled);
    stopper.join();
    EXPECT_EQ(link.exchange(EncodeOpen(1, "Y"), nullptr, 17), PacketStatus::Cancelled);
    EXPECT_EQ(peer.count(CMD_TYP_OPEN), 1u); // nothing more goes out once stopped
}

TEST(PacketLink, ANoticeTheHostSentIsPickedUp)
{
    FakeHostPeer peer;
    ScriptedUiBridge ui;
    FakePacketClock clock(0);
    PacketLink link(peer.serverSide(), ui, clock);
    EXPECT_EQ(link.pollNotify(), 0);
    ASSERT_TRUE(peer.sendRaw(EncodePacket(CMD_TYP_XFER_NOTIFY, kPacketId, {22, 0, 0, 0, 0, 0})));
    uint16_t code = 0;
    for (int i = 0; i < 500 && code == 0; ++i) {
        code = link.pollNotify();
        if (code == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(code, 22);
}

} // namespace
