// The service as TypestoneUI drives it: the loopback stand-in sends the control commands and
// plays (or does not play) the message boxes.
#include "app_fixture.h"

#include "fake_typestone_ui.h"

#include "typestone/server/server_trace.h"
#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/trace_settings.h"
#include "typestone/server/trace_writer.h"

#include "platform/net/tcp.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using tsupport::FakeTypestoneUi;
using typestone::TraceSettings;

bool tcpConnects(uint16_t port)
{
    return platform::net::connectTcp("127.0.0.1", port, 2000).ok();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ServiceControlTest : public apptest::ServiceTest
{
protected:
    void SetUp() override
    {
        apptest::ServiceTest::SetUp();
        // The stand-in takes TypestoneUI's port in place of the fixture's plain socket, and the
        // tests talk to the configured ports.
        apptest::ServiceTest::ui.socket.close();
        useConfiguredPorts();
        ui = std::make_unique<FakeTypestoneUi>(ports.udpAux);
        ASSERT_TRUE(ui->ok());
    }

    void TearDown() override
    {
        typestone::TraceWriter::settleQuestion();
        typestone::setServiceMessageBoxSender(nullptr);
        platform::ui::setBridge(nullptr);
        TraceSettings::setTracerOn(false);
        TraceSettings::setExtendedDebug(false);
        TraceSettings::setTrzLevel(0);
        typestone::TraceWriter::startRun();
        apptest::ServiceTest::TearDown();
        ui.reset();
    }

    // Boxes go to the stand-in, as the program sets them up in service mode.
    void useTypestoneUiForBoxes(uint32_t timeoutMs)
    {
        platform::ui::setBridge(
            std::make_shared<typestone::ServiceUiBridge>([this] { return ports.udpAux; }, timeoutMs));
        typestone::setServiceMessageBoxSender(&typestone::ServiceUiBridge::TraceBoxSender);
    }

    std::unique_ptr<FakeTypestoneUi> ui;
};

TEST_F(ServiceControlTest, TwoPausesInARowReopenTheJobPort)
{
    makeService(true, false);
    ASSERT_TRUE(service->Initialize());
    ASSERT_TRUE(service->CreateSockets());

    ui->sendCommand(ports.udp, typestone::SCM_PAUSE_MSG);
    ASSERT_TRUE(apptest::pumpUntil([&] { return service->IsPaused(); }));
    EXPECT_FALSE(tcpConnects(ports.tcp));

    ui->sendCommand(ports.udp, typestone::SCM_PAUSE_MSG);
    ASSERT_TRUE(apptest::pumpUntil([&] { return !service->IsPaused(); }));
    EXPECT_TRUE(service->TcpListening());
    EXPECT_TRUE(tcpConnects(ports.tcp));

    // Each toggle is announced to TypestoneUI.
    ASSERT_TRUE(ui->waitForNotices(2, 2000));
    EXPECT_EQ(ui->notices(), (std::vector<uint16_t>{typestone::SCM_PAUSE_MSG, typestone::SCM_PAUSE_MSG}));
}

TEST_F(ServiceControlTest, TracerQuestionNobodyAnswersBlocksNobodyAndKeepsTheTrace)
{
    std::string trz;
    GetTrzFName(trz);
    {
        std::ofstream old(trz, std::ios::binary);
        old << "old run: keep me";
    }
    useTypestoneUiForBoxes(1500);
    TraceSettings::setTrzLevel(typestone::kTrzJobs); // the boxes are traced
    makeService(true, false);
    ASSERT_TRUE(service->Initialize());
    ASSERT_TRUE(service->CreateSockets());

    // Switching the tracer on over UDP asks whether to empty the trace file.
    ui->sendCommand(ports.udp, typestone::CMD_TOGGLETRACER);
    ASSERT_TRUE(apptest::pumpUntil([&] { return ui->boxes().size() == 1; }));
    EXPECT_NE(ui->boxes()[0].text.find("Overwrite it ?"), std::string::npos) << ui->boxes()[0].text;
    EXPECT_EQ(ui->boxes()[0].style & platform::ui::kMbTypeMask, platform::ui::kMbYesNo);

    // Nobody answers; the host queries and new connections are served meanwhile.
    platform::net::SocketResult host = platform::net::bindUdp("127.0.0.1", 0, false);
    const std::vector<uint8_t> who = apptest::request(typestone::CMD_WHO, 4711);
    QElapsedTimer clock;
    clock.start();
    platform::net::sendTo(host.socket, who.data(), who.size(), {"127.0.0.1", ports.udp});
    bool answered = false;
    apptest::pumpUntil(
        [&] {
            uint8_t buffer[512];
            platform::net::DatagramResult got =
                platform::net::receiveFrom(host.socket, buffer, sizeof buffer, 0);
            answered = got.ok() && got.bytes == 261 && buffer[2] == uint8_t(4711 & 0xFF);
            return answered || !typestone::TraceWriter::questionOpen();
        },
        5000);
    const qint64 whoMs = clock.elapsed();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(typestone::TraceWriter::questionOpen()) << "answered only after the question ended";
    std::printf("WHO answered after %lld ms while the question was open\n", static_cast<long long>(whoMs));
    platform::net::SocketResult job = platform::net::connectTcp("127.0.0.1", ports.tcp, 2000);
    ASSERT_TRUE(job.ok());
    EXPECT_TRUE(apptest::pumpUntil([&] { return context->connections.Count() == 1; }));
    EXPECT_TRUE(typestone::TraceWriter::questionOpen());
    job.socket.close();

    // The question ends unanswered: the old run stays, the new one follows it.
    ASSERT_TRUE(apptest::pumpUntil([] { return !typestone::TraceWriter::questionOpen(); }, 10000));
    const std::string text = readFile(trz);
    EXPECT_EQ(text.rfind("old run: keep me", 0), 0u) << text;
    EXPECT_NE(text.find("Typestone Server\n"), std::string::npos);
    EXPECT_NE(text.find("\nSetTracer(ENABLE)"), std::string::npos);
    EXPECT_NE(text.find("TRZ_MsgBox() iRc=2 IDNO=7"), std::string::npos) << text;
    EXPECT_TRUE(TraceSettings::tracerOn());
}

TEST_F(ServiceControlTest, AnsweredYesEmptiesTheTrace)
{
    std::string trz;
    GetTrzFName(trz);
    {
        std::ofstream old(trz, std::ios::binary);
        old << "old run";
    }
    useTypestoneUiForBoxes(5000);
    ui->answerBoxesWith(platform::ui::kIdYes);
    makeService(true, false);
    ASSERT_TRUE(service->CreateSockets());
    ui->sendCommand(ports.udp, typestone::CMD_TOGGLETRACER);
    ASSERT_TRUE(apptest::pumpUntil([&] { return ui->boxes().size() == 1; }));
    ASSERT_TRUE(typestone::TraceWriter::waitQuestion(5000));
    const std::string text = readFile(trz);
    EXPECT_EQ(text.find("old run"), std::string::npos);
    EXPECT_EQ(text.rfind("\n***********************\nTypestone Server\n", 0), 0u) << text;
}

TEST_F(ServiceControlTest, StartUpEntryFollowsTheAutoStartFlag)
{
    std::vector<bool> written;
    autoStart = true;
    typestone::CMyService::Options options;
    options.serviceMode = true;
    options.listenAddress = "127.0.0.1";
    options.sharedMemName = "ts-ctl-test-" + std::to_string(::getpid());
    options.readAutoStart = [this] { return autoStart; };
    options.writeAutoStart = [this](bool on) { autoStart = on; };
    options.writeUiStartup = [&written](bool on) { written.push_back(on); };
    service = std::make_unique<typestone::CMyService>(*context, settings, options);
    ASSERT_TRUE(service->Initialize());

    // TypestoneUI switches auto-start off and stops the server: the entry is written at the
    // start from the flag (on), and again at the stop (off).
    // Sent once the loop runs (the sockets exist then); a bound ends the run in any case.
    QTimer::singleShot(0, [this] {
        ui->sendCommand(ports.udp, typestone::CMD_AUTOSTART_OFF);
        ui->sendCommand(ports.udp, typestone::SCM_STOP_MSG);
    });
    QTimer::singleShot(10000, service.get(), [this] { service->WndProc(typestone::SCM_STOP_MSG); });
    service->Run();
    EXPECT_EQ(written, (std::vector<bool>{true, false}));
    EXPECT_FALSE(service->AutoStartFlag());
    ASSERT_TRUE(ui->waitForNotices(1, 2000));
    EXPECT_EQ(ui->notices().back(), typestone::SCM_STOP_MSG);

    // 1099 only reads the flag.
    autoStart = true;
    service->WndProc(typestone::QUERY_AUTOFLAG);
    EXPECT_TRUE(service->AutoStartFlag());
    EXPECT_EQ(written.size(), 2u);
    service->WndProc(typestone::ADD_ICON2TRAY);
    EXPECT_EQ(written, (std::vector<bool>{true, false, true}));
}

TEST_F(ServiceControlTest, DesktopModeWritesNoStartUpEntry)
{
    std::vector<bool> written;
    typestone::CMyService::Options options;
    options.serviceMode = false;
    options.listenAddress = "127.0.0.1";
    options.sharedMemName = "ts-ctl-desk-" + std::to_string(::getpid());
    options.readAutoStart = [] { return true; };
    options.writeUiStartup = [&written](bool on) { written.push_back(on); };
    service = std::make_unique<typestone::CMyService>(*context, settings, options);
    for (uint16_t message : {typestone::ADD_ICON2TRAY, typestone::QUERY_AUTOFLAG, typestone::SCM_STOP_MSG})
        service->WndProc(message);
    EXPECT_TRUE(written.empty());
}

} // namespace
