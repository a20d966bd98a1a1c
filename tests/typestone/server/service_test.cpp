#include "app_fixture.h"

#include "typestone/server/app_strings.h"
#include "typestone/server/status_messages.h"

#include "platform/net/tcp.h"

#include <gtest/gtest.h>

namespace {

using typestone::CMyService;

bool tcpConnects(uint16_t port)
{
    return platform::net::connectTcp("127.0.0.1", port, 2000).ok();
}

bool whoAnswered(uint16_t port)
{
    platform::net::SocketResult client = platform::net::bindUdp("127.0.0.1", 0, false);
    const std::vector<uint8_t> who = apptest::request(typestone::CMD_WHO, 1);
    platform::net::sendTo(client.socket, who.data(), who.size(), {"127.0.0.1", port});
    bool answered = false;
    apptest::pumpUntil(
        [&] {
            uint8_t buffer[512];
            answered = platform::net::receiveFrom(client.socket, buffer, sizeof buffer, 0).ok();
            return answered;
        },
        3000);
    return answered;
}

class ServiceLifeTest : public apptest::ServiceTest
{
};

TEST_F(ServiceLifeTest, PauseToggles)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    const uint16_t jobPort = service->BoundTcpPort();
    ASSERT_TRUE(tcpConnects(jobPort));

    service->DoPause();
    EXPECT_TRUE(service->IsPaused());
    EXPECT_FALSE(service->TcpListening());
    EXPECT_FALSE(tcpConnects(jobPort));
    EXPECT_EQ(service->CurrentState(), typestone::CNTService::kPaused);
    EXPECT_TRUE(whoAnswered(service->BoundUdpPort())); // a paused service still answers queries

    // Pausing twice returns to the running configuration.
    service->DoPause();
    EXPECT_FALSE(service->IsPaused());
    EXPECT_TRUE(tcpConnects(service->BoundTcpPort()));
    EXPECT_EQ(service->CurrentState(), typestone::CNTService::kRunning);

    // Both status messages toggle, whichever comes.
    service->WndProc(typestone::SCM_CONTINUE_MSG);
    EXPECT_TRUE(service->IsPaused());
    service->WndProc(typestone::SCM_CONTINUE_MSG);
    EXPECT_FALSE(service->IsPaused());
    EXPECT_TRUE(tcpConnects(service->BoundTcpPort()));
}

TEST_F(ServiceLifeTest, ContinueThatCannotListenStaysPaused)
{
    useConfiguredPorts();
    makeService(true, false);
    ASSERT_TRUE(service->CreateSockets());
    service->DoPause();
    // Someone else took the job port meanwhile.
    platform::net::SocketResult taken = platform::net::listenTcp("127.0.0.1", ports.tcp, 1, false);
    ASSERT_TRUE(taken.ok());
    service->DoPause();
    EXPECT_TRUE(service->IsPaused());
    EXPECT_EQ(service->CurrentState(), typestone::CNTService::kPaused);
    taken.socket.close();
    service->DoPause();
    EXPECT_FALSE(service->IsPaused());
    EXPECT_TRUE(tcpConnects(ports.tcp));
}

TEST_F(ServiceLifeTest, PauseKeepsTheRunningConnections)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    // A host that connected and has not sent its header yet.
    const uint16_t jobPort = service->BoundTcpPort();
    platform::net::SocketResult host = platform::net::connectTcp("127.0.0.1", jobPort, 2000);
    ASSERT_TRUE(host.ok());
    ASSERT_TRUE(apptest::pumpUntil([&] { return context->connections.Count() == 1; }));

    service->DoPause();
    EXPECT_FALSE(tcpConnects(jobPort));
    EXPECT_EQ(context->connections.Count(), 1u); // not ended by the pause

    // Continue listens on the job port again while that connection is still open.
    service->DoPause();
    EXPECT_FALSE(service->IsPaused());
    EXPECT_TRUE(tcpConnects(service->BoundTcpPort()));
}

TEST_F(ServiceLifeTest, DesktopPauseClosesTheUdpSocketToo)
{
    useConfiguredPorts();
    makeService(false, false);
    ASSERT_TRUE(service->CreateSockets());
    service->DoPause();
    EXPECT_TRUE(service->IsPaused());
    EXPECT_EQ(service->BoundUdpPort(), 0);
    service->DoPause();
    EXPECT_FALSE(service->IsPaused());
    EXPECT_EQ(service->BoundUdpPort(), ports.udp);
}

TEST_F(ServiceLifeTest, PauseAndStopArriveAsDatagramsFromTypestoneUI)
{
    makeService();
    ASSERT_TRUE(service->Initialize());
    ASSERT_TRUE(service->CreateSockets());
    // TypestoneUI's own socket (the fixture's) receives the notices.
    platform::net::SocketResult client = platform::net::bindUdp("127.0.0.1", 0, false);
    for (uint16_t command : {typestone::SCM_PAUSE_MSG, typestone::SCM_STOP_MSG}) {
        const std::vector<uint8_t> d = apptest::request(command, 1);
        platform::net::sendTo(client.socket, d.data(), d.size(), {"127.0.0.1", service->BoundUdpPort()});
    }
    service->Run(); // returns once the stop message was handled
    EXPECT_TRUE(service->IsPaused());
    EXPECT_FALSE(service->IsRunning());

    std::vector<uint16_t> notices;
    uint8_t buffer[16];
    for (;;) {
        platform::net::DatagramResult got = platform::net::receiveFrom(ui.socket, buffer, sizeof buffer, 0);
        if (!got.ok())
            break;
        EXPECT_EQ(got.bytes, 6u);
        notices.push_back(uint16_t(buffer[0] | (buffer[1] << 8)));
    }
    EXPECT_EQ(notices, (std::vector<uint16_t>{typestone::SCM_PAUSE_MSG, typestone::SCM_STOP_MSG}));
}

TEST_F(ServiceLifeTest, StopWritesThePortsBack)
{
    makeService();
    ASSERT_TRUE(service->Initialize());
    // The ports in use are written back at the end even when the store lost them meanwhile.
    std::shared_ptr<platform::SettingsStore> store = platform::SettingsStore::shared();
    service->PostStatusMessage(typestone::SCM_STOP_MSG);
    service->Run();
    const uint16_t jobPort = service->BoundTcpPort();
    ASSERT_NE(jobPort, 0);
    store->deleteValue(platform::RegRoot::CurrentUser, "Software\\KLV\\Typestone\\General", "TCP_TYPESTONE");
    service->StopListeners();
    jobs->StopPrtJobSequencer();
    service->ClosePorts();
    EXPECT_EQ(typestone::LoadPortConfig(), ports);
    EXPECT_FALSE(tcpConnects(jobPort));
}

TEST_F(ServiceLifeTest, ReloadMovesOnlyChangedPorts)
{
    useConfiguredPorts();
    makeService(true, false);
    ASSERT_TRUE(service->CreateSockets());
    // Unchanged ports: the same sockets stay, the settings are read again.
    typestone::SetCFGFlag("szUseDNS", true);
    service->ReloadConfig();
    EXPECT_TRUE(settings.useDns);
    EXPECT_TRUE(context->useDns);
    EXPECT_EQ(service->BoundUdpPort(), ports.udp);

    // A new UDP port: answered there, no longer on the old one.
    typestone::PortConfig moved = ports;
    moved.udp = platform::net::bindUdp("127.0.0.1", 0, false).local.port; // free a moment ago
    typestone::SetPortCfg("UDP_TYPESTONE", moved.udp);
    service->ReloadConfig();
    EXPECT_EQ(service->BoundUdpPort(), moved.udp);
    EXPECT_TRUE(whoAnswered(moved.udp));
    EXPECT_TRUE(tcpConnects(ports.tcp));

    // A port that cannot be bound keeps the old socket and the old setting.
    platform::net::SocketResult blocker = platform::net::bindUdp("127.0.0.1", 0, false);
    typestone::SetPortCfg("UDP_TYPESTONE", blocker.local.port);
    service->ReloadConfig();
    EXPECT_EQ(service->BoundUdpPort(), moved.udp);
    EXPECT_TRUE(whoAnswered(moved.udp));
    EXPECT_EQ(typestone::LoadPortConfig().udp, moved.udp);
}

TEST_F(ServiceLifeTest, ATakenPortEndsTheRunAtOnce)
{
    useConfiguredPorts();
    platform::net::SocketResult taken = platform::net::listenTcp("127.0.0.1", 0, 1, false);
    typestone::SetPortCfg("TCP_TYPESTONE", taken.local.port);
    makeService(true, false);
    ASSERT_TRUE(service->Initialize());
    service->Run(); // no loop without its sockets
    EXPECT_TRUE(service->SocketsFailed());
    EXPECT_FALSE(typestone::appString(typestone::kStrTcpListenFailed).empty());
}

} // namespace
