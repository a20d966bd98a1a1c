#include "app_fixture.h"

#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"

#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using typestone::ServiceUiBridge;

TEST(ServiceUiBridgeTest, RequestLayout)
{
    const std::vector<uint8_t> r = ServiceUiBridge::BuildRequest("Hello", 7, 0x24);
    ASSERT_EQ(r.size(), 270u);
    std::vector<uint8_t> expected(270, 0);
    expected[0] = 0x6D; // 1133
    expected[1] = 0x04;
    std::copy_n("Hello", 5, expected.begin() + 6);
    expected[262] = 7;
    expected[266] = 0x24;
    EXPECT_EQ(r, expected);

    // A long text is cut at 255 bytes and stays NUL-terminated.
    const std::vector<uint8_t> cut = ServiceUiBridge::BuildRequest(std::string(400, 'x'), -1, 0);
    EXPECT_EQ(cut[6 + 254], 'x');
    EXPECT_EQ(cut[6 + 255], 0);
    EXPECT_EQ(cut[262], 0xFF);
    EXPECT_EQ(cut[265], 0xFF);
}

// TypestoneUI played by a test thread on its loopback port.
class FakeUi
{
public:
    FakeUi() : m_socket(platform::net::bindUdp("127.0.0.1", 0, false)) {}
    uint16_t port() const { return m_socket.local.port; }

    // Waits for one request; its bytes and the sender.
    bool receive(std::vector<uint8_t>* request, platform::net::Endpoint* from)
    {
        uint8_t buffer[512];
        platform::net::DatagramResult got =
            platform::net::receiveFrom(m_socket.socket, buffer, sizeof buffer, 5000);
        if (!got.ok())
            return false;
        request->assign(buffer, buffer + got.bytes);
        *from = got.from;
        return true;
    }
    void send(const std::vector<uint8_t>& bytes, const platform::net::Endpoint& to)
    {
        platform::net::sendTo(m_socket.socket, bytes.data(), bytes.size(), to);
    }

private:
    platform::net::SocketResult m_socket;
};

std::vector<uint8_t> answer(uint16_t command, int32_t result, size_t size = 10)
{
    std::vector<uint8_t> out = apptest::request(command, 0);
    apptest::putU32(out, 6, uint32_t(result));
    out.resize(size, 0);
    return out;
}

TEST(ServiceUiBridgeTest, AnswerOfTypestoneUI)
{
    FakeUi ui;
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    std::vector<uint16_t> controls;
    bridge.SetControlSink([&controls](uint16_t c) { controls.push_back(c); });

    std::thread uiThread([&ui] {
        std::vector<uint8_t> request;
        platform::net::Endpoint from;
        if (!ui.receive(&request, &from))
            return;
        EXPECT_EQ(request, ServiceUiBridge::BuildRequest("Print again?", 0, platform::ui::kMbYesNo));
        ui.send(answer(typestone::CMD_GETDBGOPTIONS, 0, 6), from); // passed on, the wait goes on
        ui.send({0x6D, 0x04, 0, 0}, from);                         // too short: ignored
        ui.send(answer(typestone::CMD_SENDMESSAGE, 99, 12), from); // not 10 bytes: ignored
        ui.send(answer(typestone::CMD_WHO, 98), from);             // another command: ignored
        ui.send(answer(typestone::CMD_SENDMESSAGE, platform::ui::kIdNo), from);
    });
    platform::ui::MessageBoxRequest box;
    box.text = "Print again?";
    box.style = platform::ui::kMbYesNo;
    box.timeoutMs = 10000;
    EXPECT_EQ(bridge.messageBox(box), platform::ui::kIdNo);
    uiThread.join();
    EXPECT_EQ(controls, std::vector<uint16_t>{typestone::CMD_GETDBGOPTIONS});
}

// Sends datagrams to `to` from a socket a child process makes as user `uid`; true when all went.
bool sendAsUser(uid_t uid, gid_t gid, const platform::net::Endpoint& to,
                const std::vector<std::vector<uint8_t>>& datagrams)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(to.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // System calls only from here on.
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(2);
        const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        for (const std::vector<uint8_t>& d : datagrams)
            if (::sendto(sock, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                         sizeof address) != ssize_t(d.size()))
                ::_exit(3);
        ::_exit(0);
    }
    int status = -1;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Another local user can neither answer the server's question nor pass it debug commands.
TEST(ServiceUiBridgeTest, AnswersOnlyFromSocketsOfAllowedUsers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "sending from a socket of another user needs root";
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user nobody";
    apptest::TempFolders folders; // no ControlGroup
    FakeUi ui;
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    std::vector<uint16_t> controls;
    bridge.SetControlSink([&controls](uint16_t c) { controls.push_back(c); });

    std::atomic<bool> othersSent{false};
    std::thread uiThread([&] {
        std::vector<uint8_t> request;
        platform::net::Endpoint from;
        if (!ui.receive(&request, &from))
            return;
        othersSent = sendAsUser(nobody->pw_uid, nobody->pw_gid, from,
                                {answer(typestone::CMD_SETDBGOPTIONS, 0, 6),
                                 answer(typestone::CMD_SENDMESSAGE, platform::ui::kIdYes)});
        ui.send(answer(typestone::CMD_SENDMESSAGE, platform::ui::kIdNo), from);
    });
    platform::ui::MessageBoxRequest box;
    box.text = "Empty the trace?";
    box.style = platform::ui::kMbYesNo;
    box.timeoutMs = 10000;
    EXPECT_EQ(bridge.messageBox(box), platform::ui::kIdNo);
    uiThread.join();
    EXPECT_TRUE(othersSent);
    EXPECT_TRUE(controls.empty());
}

TEST(ServiceUiBridgeTest, NoTypestoneUIEndsAtTheTimeOut)
{
    FakeUi ui; // bound, never answers
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    platform::ui::MessageBoxRequest box;
    box.text = "Anyone?";
    box.style = platform::ui::kMbOkCancel;
    box.timeoutMs = 200;
    EXPECT_EQ(bridge.messageBox(box), platform::ui::kIdTimeout);
    ServiceUiBridge noPort([] { return uint16_t(0); });
    EXPECT_EQ(noPort.messageBox(box), platform::ui::kIdTimeout);
}

// The unsupported-command report goes to TypestoneUI as a box; without an answer it ends at
// its time-out with nothing ticked.
TEST(ServiceUiBridgeTest, UnsupportedCommandWithoutTypestoneUIEndsAtTheTimeOut)
{
    FakeUi ui;
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    platform::ui::UnsupportedCommandRequest report;
    report.text = "Page #1: Command #44 (0x002c) -> Unknown";
    report.update = [] { return true; };
    report.timeoutMs = 200;
    const platform::ui::UnsupportedCommandAnswer answer = bridge.unsupportedCommand(report);
    EXPECT_TRUE(answer.timedOut);
    EXPECT_FALSE(answer.ignoreLater);
}

// The server stops while a box waits for a TypestoneUI that does not answer: the box ends
// then, long before its own time-out, and later boxes answer at once.
TEST(ServiceUiBridgeTest, CloseEndsAWaitingBoxAndRefusesLaterOnes)
{
    FakeUi ui; // bound, never answers
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    platform::ui::MessageBoxRequest box;
    box.text = "Anyone?";
    box.style = platform::ui::kMbYesNo;
    box.timeoutMs = 600000;
    std::atomic<int> result{-1};
    std::thread asker([&] { result = bridge.messageBox(box); });
    std::vector<uint8_t> request;
    platform::net::Endpoint from;
    ASSERT_TRUE(ui.receive(&request, &from)); // the box is up
    const auto start = std::chrono::steady_clock::now();
    bridge.Close();
    asker.join();
    const auto tookS =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result, platform::ui::kIdTimeout);
    EXPECT_LT(tookS, 60); // far below the box's ten minutes, whatever the load
    EXPECT_TRUE(bridge.IsClosed());

    // A later box answers at once, without waiting for anyone.
    const auto later = std::chrono::steady_clock::now();
    EXPECT_EQ(bridge.messageBox(box), platform::ui::kIdTimeout);
    EXPECT_LT(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - later).count(),
        60);
}

TEST(ServiceUiBridgeTest, TraceBoxesWithoutAnAnswerAnswerTwo)
{
    FakeUi ui;
    platform::ui::setBridge(std::make_shared<ServiceUiBridge>([&ui] { return ui.port(); }, 200));
    // Whatever the buttons and the default: 2, so silence never says Yes or OK.
    EXPECT_EQ(ServiceUiBridge::TraceBoxSender("Simulate none printers ?", 0,
                                              platform::ui::kMbYesNo | platform::ui::kMbDefButton2),
              platform::ui::kIdCancel);
    EXPECT_EQ(ServiceUiBridge::TraceBoxSender("Overwrite it ?", 0, platform::ui::kMbYesNo),
              platform::ui::kIdCancel);
    EXPECT_EQ(ServiceUiBridge::TraceBoxSender("Go on?", 0, platform::ui::kMbOkCancel),
              platform::ui::kIdCancel);
    platform::ui::setBridge(nullptr);
    // The text went to TypestoneUI as it stands.
    std::vector<uint8_t> request;
    platform::net::Endpoint from;
    ASSERT_TRUE(ui.receive(&request, &from));
    EXPECT_EQ(request, ServiceUiBridge::BuildRequest("Simulate none printers ?", 0,
                                                     platform::ui::kMbYesNo | platform::ui::kMbDefButton2));
    EXPECT_TRUE(platform::net::isLoopback(from.address));
}

class BridgeServiceTest : public apptest::ServiceTest
{
};

TEST_F(BridgeServiceTest, HostQueriesAreAnsweredWhileABoxWaits)
{
    makeService();
    ASSERT_TRUE(service->CreateSockets());
    FakeUi ui;
    ServiceUiBridge bridge([&ui] { return ui.port(); });
    std::atomic<bool> requestSeen{false};
    std::atomic<bool> whoAnswered{false};
    std::atomic<int> result{-1};

    std::thread worker([&] {
        platform::ui::MessageBoxRequest box;
        box.text = "Waiting";
        box.timeoutMs = 10000;
        result = bridge.messageBox(box);
    });
    std::thread uiThread([&] {
        std::vector<uint8_t> request;
        platform::net::Endpoint from;
        if (!ui.receive(&request, &from))
            return;
        requestSeen = true;
        for (int i = 0; i < 500 && !whoAnswered; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ui.send(answer(typestone::CMD_SENDMESSAGE, platform::ui::kIdOk), from);
    });

    ASSERT_TRUE(apptest::pumpUntil([&] { return requestSeen.load(); }));
    platform::net::SocketResult host = platform::net::bindUdp("127.0.0.1", 0, false);
    const std::vector<uint8_t> who = apptest::request(typestone::CMD_WHO, 77);
    platform::net::sendTo(host.socket, who.data(), who.size(), {"127.0.0.1", service->BoundUdpPort()});
    apptest::pumpUntil([&] {
        uint8_t buffer[512];
        platform::net::DatagramResult got = platform::net::receiveFrom(host.socket, buffer, sizeof buffer, 0);
        if (got.ok() && got.bytes == 261 && buffer[2] == 77)
            whoAnswered = true;
        return whoAnswered.load();
    });
    EXPECT_TRUE(whoAnswered);
    worker.join();
    uiThread.join();
    EXPECT_EQ(result, platform::ui::kIdOk);
}

} // namespace
