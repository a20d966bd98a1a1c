#include "typestone/server/msg_dlg_ex.h"

#include "app_fixture.h"
#include "fake_relay_ui.h"
#include "typestone/engine/relay_datagram.h"
#include "typestone/server/general_settings.h"

#include "platform/net/udp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace {

using tsupport::FakeRelayUi;
using typestone::CMsgDlgEx;

// TypestoneUI's well-known port comes from the settings, as in the server.
class MsgDlgExTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ui.ok());
        typestone::PortConfig ports;
        ports.udpAux = ui.knownPort();
        typestone::SavePortConfig(ports);
    }

    static std::function<uint16_t()> settingsPort()
    {
        return [] { return typestone::LoadPortConfig().udpAux; };
    }

    // Short waits: every test that expects no answer ends quickly.
    static CMsgDlgEx::Timeouts shortWaits()
    {
        CMsgDlgEx::Timeouts t;
        t.answerMs = 300;
        t.cancelMs = 300;
        t.cancelIntervalMs = 0;
        return t;
    }

    apptest::TempFolders folders;
    FakeRelayUi ui;
};

TEST_F(MsgDlgExTest, NothingIsSentBeforeACreate)
{
    CMsgDlgEx relay(settingsPort(), shortWaits());
    ASSERT_TRUE(relay.ok());
    EXPECT_FALSE(relay.CloseProgressDlgBox());
    EXPECT_FALSE(relay.Progress(10, false, false));
    EXPECT_FALSE(relay.StartCount(100));
    EXPECT_FALSE(relay.GenericDispMsg("x"));
    EXPECT_FALSE(relay.DispMsg("x", 1));
    EXPECT_FALSE(relay.SetPage(2));
    EXPECT_FALSE(relay.IncrLevel(1));
    EXPECT_FALSE(relay.IncrProgressContext(1));
    EXPECT_EQ(relay.GetMsg("mine", 1), "mine");
    EXPECT_EQ(relay.GetLevel(), 1);
    EXPECT_FALSE(relay.IsCancelled(true));
    // Give a stray datagram the time to arrive before looking.
    EXPECT_FALSE(ui.waitForRequests(1, 300));
    EXPECT_TRUE(ui.requests().empty());
}

TEST_F(MsgDlgExTest, CreateTakesTheAnswersPortAndLaterRequestsGoThere)
{
    CMsgDlgEx relay(settingsPort(), shortWaits());
    const std::string longName(300, 'j');
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, longName, "Office"));
    EXPECT_EQ(relay.replyPort(), ui.replyPort());

    ASSERT_TRUE(relay.DispMsg("line two", 2));
    EXPECT_EQ(relay.GetMsg("mine", 1), "remote text");
    ASSERT_TRUE(ui.waitForRequests(3, 5000));
    const std::vector<FakeRelayUi::Request> got = ui.requests();
    ASSERT_EQ(got.size(), 3u);

    // The create went to the well-known port with the job socket's port and the name cut.
    EXPECT_TRUE(got[0].onKnownPort);
    EXPECT_EQ(got[0].command, typestone::kRelayCreate);
    typestone::RelayCreate expected;
    expected.localPort = relay.localPort();
    expected.jobName = longName;
    expected.printer = "Office";
    EXPECT_EQ(got[0].datagram, typestone::RelayCreateRequest(expected));
    const std::string sentName(reinterpret_cast<const char*>(got[0].datagram.data()) + 6 + 16);
    EXPECT_EQ(sentName.size(), 259u);

    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_FALSE(got[i].onKnownPort) << "request " << i << " went to the well-known port";
    EXPECT_EQ(got[1].datagram,
              typestone::RelayRequest(typestone::kRelayDispMsg, typestone::RelayTextAndLine("line two", 2)));
}

TEST_F(MsgDlgExTest, ACreateAnswerOfZeroLeavesThePortUnset)
{
    ui.setScript([](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        if (r.command == typestone::kRelayCreate)
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(0));
        return std::nullopt;
    });
    CMsgDlgEx relay(settingsPort(), shortWaits());
    EXPECT_FALSE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    EXPECT_EQ(relay.replyPort(), 0);
    EXPECT_FALSE(relay.DispMsg("x", 1));
    EXPECT_FALSE(ui.waitForRequests(2, 300));
    EXPECT_EQ(ui.requests().size(), 1u);
}

// The port the create request names for its answers.
uint16_t answerPort(const FakeRelayUi::Request& r)
{
    return uint16_t(r.datagram[6] | (r.datagram[7] << 8));
}

TEST_F(MsgDlgExTest, AnswersOfAnotherCommandOrSizeAreIgnored)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bad;
    };
    const std::vector<Case> cases = {
        {"another command", FakeRelayUi::answer(typestone::kRelayGetLevel, FakeRelayUi::word(1))},
        {"too short", FakeRelayUi::answer(typestone::kRelayCreate, {1, 0, 0})},
        {"too long", FakeRelayUi::answer(typestone::kRelayCreate, {1, 0, 0, 0, 0})},
        {"head only", FakeRelayUi::answer(typestone::kRelayCreate, {})},
        {"oversized", FakeRelayUi::answer(typestone::kRelayCreate, std::vector<uint8_t>(900, 1))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // First the bad answer alone: the create fails at its time-out.
        ui.setScript([&](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
            if (r.command == typestone::kRelayCreate)
                return c.bad;
            return std::nullopt;
        });
        CMsgDlgEx lonely(settingsPort(), shortWaits());
        EXPECT_FALSE(lonely.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
        EXPECT_EQ(lonely.replyPort(), 0);

        // Then the bad one followed by a good one: the good one counts.
        ui.setScript([&](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
            if (r.command != typestone::kRelayCreate)
                return std::nullopt;
            ui.sendFrom(false, answerPort(r), c.bad);
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        });
        CMsgDlgEx relay(settingsPort(), shortWaits());
        EXPECT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
        EXPECT_EQ(relay.replyPort(), ui.replyPort());
    }
}

TEST_F(MsgDlgExTest, AfterTheCreateOnlyTheReplyPortAnswers)
{
    CMsgDlgEx relay(settingsPort(), shortWaits());
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    // The level comes from the well-known socket instead of the reply port: not taken.
    ui.setScript([&](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        if (r.command == typestone::kRelayGetLevel)
            ui.sendFrom(true, relay.localPort(), FakeRelayUi::answer(r.command, FakeRelayUi::word(5)));
        return std::nullopt;
    });
    EXPECT_EQ(relay.GetLevel(), 1);
}

TEST_F(MsgDlgExTest, NoAnswerEndsAtTheTimeOutAndALateAnswerIsNotTakenLater)
{
    ui.setScript([](const FakeRelayUi::Request&) { return std::optional<std::vector<uint8_t>>(); });
    {
        CMsgDlgEx relay(settingsPort(), shortWaits());
        EXPECT_FALSE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    }

    ui.setScript([](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        if (r.command == typestone::kRelayCreate)
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        return std::nullopt;
    });
    CMsgDlgEx relay(settingsPort(), shortWaits());
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    EXPECT_EQ(relay.GetLevel(), 1);
    EXPECT_EQ(relay.GetMsg("mine", 3), "mine");
    EXPECT_FALSE(relay.IsCancelled(false));

    // The level answer arrives after its request gave up; the next request drains it and
    // takes only its own answer.
    ui.sendFrom(false, relay.localPort(),
                FakeRelayUi::answer(typestone::kRelayGetLevel, FakeRelayUi::word(7)));
    ui.setScript([](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        if (r.command == typestone::kRelayGetLevel)
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(3));
        return std::nullopt;
    });
    EXPECT_EQ(relay.GetLevel(), 3);
}

TEST_F(MsgDlgExTest, ALateCreateAnswerIsTakenByALaterLook)
{
    ui.setScript([](const FakeRelayUi::Request&) { return std::optional<std::vector<uint8_t>>(); });
    CMsgDlgEx relay(settingsPort(), shortWaits());
    ASSERT_TRUE(relay.SendCreate(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    EXPECT_FALSE(relay.TakeCreateAnswer(0));
    EXPECT_FALSE(relay.DispMsg("x", 0));
    ASSERT_TRUE(ui.waitForRequests(1, 5000));
    ui.sendFrom(false, relay.localPort(), FakeRelayUi::answer(typestone::kRelayCreate, FakeRelayUi::word(1)));
    EXPECT_TRUE(relay.TakeCreateAnswer(5000));
    EXPECT_EQ(relay.replyPort(), ui.replyPort());
}

TEST_F(MsgDlgExTest, AStopEndsALongWait)
{
    ui.setScript([](const FakeRelayUi::Request&) { return std::optional<std::vector<uint8_t>>(); });
    CMsgDlgEx::Timeouts longWaits;
    longWaits.answerMs = 600000;
    std::atomic<bool> stop{false};
    CMsgDlgEx relay(settingsPort(), longWaits, [&] { return stop.load(); });
    std::thread stopper([&] {
        ui.waitForRequests(1, 10000);
        stop = true;
    });
    EXPECT_FALSE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    stopper.join();
}

// No TypestoneUI runs (nothing listens on its port): the create ends as soon as the system
// refuses it, however long it may wait, and says that nobody listened; a TypestoneUI that
// listens and does not answer is not taken for an absent one.
TEST_F(MsgDlgExTest, ACreateThatNobodyListensForEndsAtOnce)
{
    CMsgDlgEx::Timeouts longWaits;
    longWaits.answerMs = 60000;
    const uint16_t dead = [] {
        platform::net::SocketResult gone = platform::net::bindUdp("127.0.0.1", 0, false);
        return gone.ok() ? gone.local.port : uint16_t(0);
    }();
    ASSERT_NE(dead, 0);
    CMsgDlgEx relay([dead] { return dead; }, longWaits);
    auto created = std::async(std::launch::async, [&] {
        return relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p");
    });
    ASSERT_EQ(created.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_FALSE(created.get());
    EXPECT_TRUE(relay.NobodyListened());
    EXPECT_EQ(relay.replyPort(), 0);

    ui.setScript([](const FakeRelayUi::Request&) { return std::optional<std::vector<uint8_t>>(); });
    CMsgDlgEx silent(settingsPort(), shortWaits());
    EXPECT_FALSE(silent.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    EXPECT_FALSE(silent.NobodyListened());
}

// The commands of the requests after the first `from`, with the flag of each 1238.
std::vector<std::pair<uint16_t, int>> commandsFrom(const std::vector<FakeRelayUi::Request>& all, size_t from)
{
    std::vector<std::pair<uint16_t, int>> out;
    for (size_t i = from; i < all.size(); ++i)
        out.emplace_back(all[i].command,
                         all[i].command == typestone::kRelaySetCancel ? all[i].datagram[6] : -1);
    return out;
}

TEST_F(MsgDlgExTest, TheCancelFlagIsSentOnlyWhenSetOrChanged)
{
    CMsgDlgEx relay(settingsPort(), shortWaits());
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    using typestone::kRelayGetCancel;
    using typestone::kRelaySetCancel;
    using Seen = std::vector<std::pair<uint16_t, int>>;

    // Not cancelled anywhere: only the query, no reset that could hide a Cancel pressed now.
    EXPECT_FALSE(relay.IsCancelled(false));
    EXPECT_EQ(commandsFrom(ui.requests(), 1), (Seen{{kRelayGetCancel, -1}}));

    ui.setCancel(true);
    EXPECT_TRUE(relay.IsCancelled(false));
    EXPECT_EQ(commandsFrom(ui.requests(), 2), (Seen{{kRelayGetCancel, -1}}));

    // The job holds the cancel: it is sent as it stands before each query.
    EXPECT_TRUE(relay.IsCancelled(true));
    EXPECT_EQ(commandsFrom(ui.requests(), 3), (Seen{{kRelaySetCancel, 1}, {kRelayGetCancel, -1}}));

    // The job goes on after all: the reset is sent once, then only queries.
    ui.setCancel(false);
    EXPECT_FALSE(relay.IsCancelled(false));
    EXPECT_FALSE(relay.IsCancelled(false));
    EXPECT_EQ(commandsFrom(ui.requests(), 5),
              (Seen{{kRelaySetCancel, 0}, {kRelayGetCancel, -1}, {kRelayGetCancel, -1}}));
}

TEST_F(MsgDlgExTest, TheCancelQueryIsAskedAFewTimesASecondAtMost)
{
    CMsgDlgEx::Timeouts waits = shortWaits();
    waits.cancelIntervalMs = 600000;
    CMsgDlgEx relay(settingsPort(), waits);
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    ui.setCancel(true);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(relay.IsCancelled(false));
    // A change of the job's own state is sent at once all the same.
    EXPECT_TRUE(relay.IsCancelled(true));
    EXPECT_EQ(commandsFrom(ui.requests(), 1),
              (std::vector<std::pair<uint16_t, int>>{{typestone::kRelayGetCancel, -1},
                                                     {typestone::kRelaySetCancel, 1},
                                                     {typestone::kRelayGetCancel, -1}}));
    // The default leaves a few queries a second.
    EXPECT_GE(CMsgDlgEx::Timeouts{}.cancelIntervalMs, 200);
}

TEST_F(MsgDlgExTest, AnUnansweredCancelQueryIsNotRepeatedAtOnce)
{
    CMsgDlgEx::Timeouts waits = shortWaits();
    waits.silentIntervalMs = 600000;
    CMsgDlgEx relay(settingsPort(), waits);
    ASSERT_TRUE(relay.CreateProgressDlgBox(typestone::kRelayFullDialog, 1, 1, "job", "p"));
    ui.setScript([](const FakeRelayUi::Request&) { return std::optional<std::vector<uint8_t>>(); });
    // TypestoneUI went away: one query waits for its time-out, the next ones do not ask.
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(relay.IsCancelled(false));
    EXPECT_FALSE(ui.waitForRequests(3, 300));
    EXPECT_EQ(commandsFrom(ui.requests(), 1),
              (std::vector<std::pair<uint16_t, int>>{{typestone::kRelayGetCancel, -1}}));
    // It is back and the job's state changed: asked at once.
    ui.setScript([](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        if (r.command == typestone::kRelayGetCancel)
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        return std::nullopt;
    });
    EXPECT_TRUE(relay.IsCancelled(true));
}

} // namespace
