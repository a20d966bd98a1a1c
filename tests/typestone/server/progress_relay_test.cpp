// The service-mode bridge mirrors a progress display in TypestoneUI: what reaches it, what
// happens without it, and its Cancel.

#include "app_fixture.h"
#include "fake_relay_ui.h"

#include "typestone/engine/relay_datagram.h"
#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"

#include "platform/net/udp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace {

using tsupport::FakeRelayUi;
using typestone::ServiceUiBridge;
using Request = FakeRelayUi::Request;

typestone::RelayTimeouts shortWaits()
{
    typestone::RelayTimeouts t;
    t.answerMs = 300;
    t.cancelMs = 300;
    t.cancelIntervalMs = 0;
    return t;
}

std::shared_ptr<ServiceUiBridge> makeBridge(const FakeRelayUi& ui, int createWaitMs = 5000)
{
    auto bridge = std::make_shared<ServiceUiBridge>([port = ui.knownPort()] { return port; }, 2000,
                                                    [](const platform::net::Endpoint&) { return true; });
    bridge->SetRelayTimeouts(shortWaits(), createWaitMs);
    return bridge;
}

platform::ui::ProgressRequest printing()
{
    platform::ui::ProgressRequest request;
    request.caption = "Printing - Office";
    request.lines = {"Printing job 'j'"};
    request.jobName = "j";
    request.printer = "Office";
    return request;
}

std::vector<uint16_t> commands(const std::vector<Request>& all)
{
    std::vector<uint16_t> out;
    for (const Request& r : all)
        out.push_back(r.command);
    return out;
}

uint16_t answerPort(const Request& create)
{
    return uint16_t(create.datagram[6] | (create.datagram[7] << 8));
}

TEST(ProgressRelayTest, TheDisplaysChangesReachTypestoneUi)
{
    FakeRelayUi ui;
    ASSERT_TRUE(ui.ok());
    auto bridge = makeBridge(ui);
    const platform::ui::ProgressId id = bridge->openProgress(printing());
    ASSERT_NE(id, platform::ui::kNoProgress);

    platform::ui::ProgressState state;
    state.lines = {"Printing job 'j'"};
    state.percent = 10;
    state.page = 1;
    bridge->updateProgress(id, state);
    bridge->updateProgress(id, state); // nothing new: nothing sent
    state.percent = 20;
    state.page = 2;
    state.lines = {"Printing job 'j'", "5 lines of B.TXT"};
    bridge->updateProgress(id, state);
    bridge->closeProgress(id);
    bridge->updateProgress(id, state); // closed: ignored

    using namespace typestone;
    const std::vector<uint16_t> expected = {kRelayCreate,   kRelayStartCount, kRelayDispMsg,
                                            kRelayProgress, kRelaySetPage,    kRelayDispMsg,
                                            kRelayProgress, kRelaySetPage,    kRelayClose};
    ASSERT_TRUE(ui.waitForRequests(expected.size(), 5000));
    EXPECT_FALSE(ui.waitForRequests(expected.size() + 1, 200));
    const std::vector<Request> got = ui.requests();
    EXPECT_EQ(commands(got), expected);
    RelayCreate create;
    create.localPort = answerPort(got[0]);
    create.jobName = "j";
    create.printer = "Office";
    EXPECT_EQ(got[0].datagram, RelayCreateRequest(create));
    EXPECT_TRUE(got[0].onKnownPort);
    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_FALSE(got[i].onKnownPort) << i;
    EXPECT_EQ(got[2].datagram, RelayRequest(kRelayDispMsg, RelayTextAndLine("Printing job 'j'", 0)));
    EXPECT_EQ(got[3].datagram, RelayRequest(kRelayProgress, RelayInts({10, 0, 0})));
    EXPECT_EQ(got[5].datagram, RelayRequest(kRelayDispMsg, RelayTextAndLine("5 lines of B.TXT", 1)));
    EXPECT_EQ(got[7].datagram, RelayRequest(kRelaySetPage, RelayInts({2})));
}

TEST(ProgressRelayTest, WithoutAnAnswerTheJobGoesOnAndALateAnswerIsTaken)
{
    FakeRelayUi ui;
    ui.setScript([](const Request&) { return std::optional<std::vector<uint8_t>>(); });
    auto bridge = makeBridge(ui, 100);
    const platform::ui::ProgressId id = bridge->openProgress(printing());
    ASSERT_NE(id, platform::ui::kNoProgress);
    platform::ui::ProgressState state;
    state.lines = {"Printing job 'j'"};
    state.percent = 30;
    bridge->updateProgress(id, state);
    EXPECT_FALSE(bridge->progressCancelled(id));
    ASSERT_TRUE(ui.waitForRequests(1, 5000));
    EXPECT_FALSE(ui.waitForRequests(2, 200));

    // TypestoneUI answers late: the next update finds the answer and brings it up to date.
    ui.sendFrom(false, answerPort(ui.requests()[0]),
                FakeRelayUi::answer(typestone::kRelayCreate, FakeRelayUi::word(1)));
    state.percent = 40;
    bridge->updateProgress(id, state);
    ASSERT_TRUE(ui.waitForRequests(4, 5000));
    const std::vector<Request> got = ui.requests();
    EXPECT_EQ(commands(got), (std::vector<uint16_t>{typestone::kRelayCreate, typestone::kRelayStartCount,
                                                    typestone::kRelayDispMsg, typestone::kRelayProgress}));
    EXPECT_EQ(got[3].datagram,
              typestone::RelayRequest(typestone::kRelayProgress, typestone::RelayInts({40, 0, 0})));
    bridge->closeProgress(id);
}

TEST(ProgressRelayTest, RestoredFiguresAreToldOnceWithTheirStartTime)
{
    FakeRelayUi ui;
    ASSERT_TRUE(ui.ok());
    auto bridge = makeBridge(ui);
    const platform::ui::ProgressId id = bridge->openProgress(printing());
    ASSERT_NE(id, platform::ui::kNoProgress);
    platform::ui::ProgressState state;
    state.lines = {"Printing job 'j'"};
    state.percent = 40;
    bridge->updateProgress(id, state);
    state.percent = 100; // the nested file's own count
    state.level = 2;
    bridge->updateProgress(id, state);
    state.percent = 40; // back at the job's figure
    state.level = 1;
    state.restored = true;
    state.startedAt = 0x123456789LL;
    bridge->updateProgress(id, state);
    state.restored = false;
    state.percent = 41;
    bridge->updateProgress(id, state);
    bridge->closeProgress(id);

    using namespace typestone;
    const std::vector<uint16_t> expected = {kRelayCreate,   kRelayStartCount, kRelayDispMsg,  kRelayProgress,
                                            kRelayProgress, kRelayRestore,    kRelayProgress, kRelayClose};
    ASSERT_TRUE(ui.waitForRequests(expected.size(), 5000));
    const std::vector<Request> got = ui.requests();
    EXPECT_EQ(commands(got), expected);
    EXPECT_EQ(got[5].datagram, RelayRequest(kRelayRestore, RelayInts({40, 100, 40, 0x23456789, 0x1})));
    EXPECT_EQ(got[6].datagram, RelayRequest(kRelayProgress, RelayInts({41, 0, 0})));
}

TEST(ProgressRelayTest, ASilentTypestoneUiIsNotWaitedForAgainUntilItAnswers)
{
    FakeRelayUi ui;
    ui.setScript([](const Request&) { return std::optional<std::vector<uint8_t>>(); });
    auto bridge = makeBridge(ui, 100);

    // The first display waits (briefly) and finds nobody; the second does not wait at all.
    const platform::ui::ProgressId first = bridge->openProgress(printing());
    ASSERT_NE(first, platform::ui::kNoProgress);
    bridge->closeProgress(first);
    EXPECT_EQ(bridge->CreateWaits(), 1u);
    const platform::ui::ProgressId second = bridge->openProgress(printing());
    ASSERT_NE(second, platform::ui::kNoProgress);
    EXPECT_EQ(bridge->CreateWaits(), 1u);

    // TypestoneUI answers the second create after its last update: the close still reaches it.
    ASSERT_TRUE(ui.waitForRequests(2, 5000));
    ui.sendFrom(false, answerPort(ui.requests()[1]),
                FakeRelayUi::answer(typestone::kRelayCreate, FakeRelayUi::word(1)));
    bridge->closeProgress(second);
    ASSERT_TRUE(ui.waitForRequests(3, 5000));
    EXPECT_EQ(
        commands(ui.requests()),
        (std::vector<uint16_t>{typestone::kRelayCreate, typestone::kRelayCreate, typestone::kRelayClose}));

    // Having answered, TypestoneUI is waited for again.
    const platform::ui::ProgressId third = bridge->openProgress(printing());
    EXPECT_EQ(bridge->CreateWaits(), 2u);
    bridge->closeProgress(third);
}

// A service whose TypestoneUI does not run (nothing listens on its port): the first display
// opens without waiting for an answer, however long the create may wait; once TypestoneUI
// runs, the next display waits for its answer and is mirrored.
TEST(ProgressRelayTest, WithoutTypestoneUiRunningTheFirstDisplayDoesNotWait)
{
    FakeRelayUi ui;
    ASSERT_TRUE(ui.ok());
    const uint16_t dead = [] {
        platform::net::SocketResult gone = platform::net::bindUdp("127.0.0.1", 0, false);
        return gone.ok() ? gone.local.port : uint16_t(0);
    }();
    ASSERT_NE(dead, 0);
    std::atomic<uint16_t> uiPort{dead};
    auto bridge = std::make_shared<ServiceUiBridge>([&uiPort] { return uiPort.load(); }, 2000,
                                                    [](const platform::net::Endpoint&) { return true; });
    bridge->SetRelayTimeouts(shortWaits(), 60000);

    auto opened = std::async(std::launch::async, [&] { return bridge->openProgress(printing()); });
    ASSERT_EQ(opened.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const platform::ui::ProgressId first = opened.get();
    ASSERT_NE(first, platform::ui::kNoProgress);
    platform::ui::ProgressState state;
    state.lines = {"Printing job 'j'"};
    state.percent = 50;
    bridge->updateProgress(first, state);
    EXPECT_FALSE(bridge->progressCancelled(first));
    bridge->closeProgress(first);

    uiPort = ui.knownPort();
    const platform::ui::ProgressId second = bridge->openProgress(printing());
    ASSERT_NE(second, platform::ui::kNoProgress);
    EXPECT_EQ(bridge->CreateWaits(), 2u);
    bridge->closeProgress(second);
    ASSERT_TRUE(ui.waitForRequests(4, 5000));
    EXPECT_EQ(commands(ui.requests()),
              (std::vector<uint16_t>{typestone::kRelayCreate, typestone::kRelayStartCount,
                                     typestone::kRelayDispMsg, typestone::kRelayClose}));
}

TEST(ProgressRelayTest, ACancelFromTypestoneUiIsReadAndCanBeTakenBack)
{
    FakeRelayUi ui;
    auto bridge = makeBridge(ui);
    const platform::ui::ProgressId id = bridge->openProgress(printing());
    EXPECT_FALSE(bridge->progressCancelled(id));
    ui.setCancel(true);
    EXPECT_TRUE(bridge->progressCancelled(id));
    EXPECT_TRUE(bridge->progressCancelled(id)); // the job holds it until it takes it back
    // The job goes on after all: TypestoneUI's flag is reset, so a new press can be seen.
    bridge->clearProgressCancel(id);
    EXPECT_FALSE(bridge->progressCancelled(id));
    const std::vector<Request> got = ui.requests();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[got.size() - 2].datagram,
              typestone::RelayRequest(typestone::kRelaySetCancel, typestone::RelayInts({0})));
    EXPECT_EQ(got.back().command, typestone::kRelayGetCancel);
    ui.setCancel(true);
    EXPECT_TRUE(bridge->progressCancelled(id));
    bridge->closeProgress(id);
    // Unknown or closed displays are never cancelled.
    EXPECT_FALSE(bridge->progressCancelled(id));
    EXPECT_FALSE(bridge->progressCancelled(platform::ui::kNoProgress));
}

TEST(ProgressRelayTest, CloseEndsAWaitingCreateAndRefusesLaterDisplays)
{
    FakeRelayUi ui;
    ui.setScript([](const Request&) { return std::optional<std::vector<uint8_t>>(); });
    auto bridge = makeBridge(ui, 600000);
    std::atomic<platform::ui::ProgressId> id{1};
    std::thread job([&] { id = bridge->openProgress(printing()); });
    ASSERT_TRUE(ui.waitForRequests(1, 5000));
    bridge->Close();
    job.join();
    EXPECT_FALSE(bridge->progressCancelled(id));
    EXPECT_EQ(bridge->openProgress(printing()), platform::ui::kNoProgress);
}

class RelayServiceTest : public apptest::ServiceTest
{
};

TEST_F(RelayServiceTest, HostQueriesAreAnsweredWhileARelayWaits)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    FakeRelayUi ui;
    ui.setScript([](const Request&) { return std::optional<std::vector<uint8_t>>(); });
    auto bridge = makeBridge(ui, 600000);
    std::atomic<bool> opened{false};
    std::thread job([&] {
        bridge->openProgress(printing());
        opened = true;
    });
    ASSERT_TRUE(ui.waitForRequests(1, 5000));

    platform::net::SocketResult host = platform::net::bindUdp("127.0.0.1", 0, false);
    // WHO with sequence 78 and no data.
    std::vector<uint8_t> who(6, 0);
    who[0] = uint8_t(typestone::CMD_WHO);
    who[2] = 78;
    platform::net::sendTo(host.socket, who.data(), who.size(), {"127.0.0.1", service->BoundUdpPort()});
    bool whoAnswered = false;
    apptest::pumpUntil([&] {
        uint8_t buffer[512];
        platform::net::DatagramResult got = platform::net::receiveFrom(host.socket, buffer, sizeof buffer, 0);
        if (got.ok() && got.bytes == 261 && buffer[2] == 78)
            whoAnswered = true;
        return whoAnswered;
    });
    EXPECT_TRUE(whoAnswered);
    EXPECT_FALSE(opened) << "the relay's wait ended before the host was answered";
    bridge->Close();
    job.join();
}

} // namespace
