// A job printing in service mode: its display is mirrored in TypestoneUI, and a Cancel pressed
// there (confirmed there) ends it.

#include "fake_relay_ui.h"

#include "tests/typestone/engine/recording_page_device.h"

#include "typestone/engine/engine_host.h"
#include "typestone/engine/init_data.h"
#include "typestone/engine/relay_datagram.h"
#include "typestone/engine/win_prt.h"
#include "typestone/server/service_ui_bridge.h"
#include "typestone/server/status_messages.h"

#include "klv_inet/support/msg_dlg.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/draw/fake_font_engine.h"
#include "tests/support/env/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace {

using tsupport::FakeRelayUi;

class RelayJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.ok()) << m_folder.error();
        ASSERT_TRUE(m_ui.ok());
        typestone::RelayTimeouts waits;
        waits.answerMs = 2000;
        waits.cancelMs = 2000;
        waits.cancelIntervalMs = 0;
        m_bridge =
            std::make_shared<typestone::ServiceUiBridge>([port = m_ui.knownPort()] { return port; }, 5000,
                                                         [](const platform::net::Endpoint&) { return true; });
        m_bridge->SetRelayTimeouts(waits, 5000);
        platform::ui::setBridge(m_bridge);
        CMsgDlg::EnableMsgs(1);
    }
    void TearDown() override { platform::ui::setBridge(nullptr); }

    bool run(const std::string& stream)
    {
        typestone::CWinPrt prt(nullptr);
        prt.SetSpoolFolder(m_folder.path());
        prt.SetFontEngine(&m_fonts);
        prt.SetHost(&m_host);
        prt.SetDeviceFactory([this](const typestone::EngineDeviceRequest&, std::string*) {
            return std::make_unique<engine_test::RecordingPageDevice>(m_log, engine_test::pageCaps());
        });
        typestone::INIT_DATA r = typestone::DefaultInitData();
        std::strncpy(r.printer, "Office", sizeof r.printer - 1);
        EXPECT_TRUE(prt.StartSpoolPrtJob(100, &r, "host_1"));
        EXPECT_TRUE(prt.SpoolData(stream.data(), stream.size()));
        return prt.StopSpoolPrtJob();
    }

    bool printed(const std::string& tail) const
    {
        for (const auto& l : m_log->lines)
            if (l.rfind("text ", 0) == 0 && l.find(tail) != std::string::npos)
                return true;
        return false;
    }

    size_t count(uint16_t command) const
    {
        size_t n = 0;
        for (const FakeRelayUi::Request& r : m_ui.requests())
            n += r.command == command;
        return n;
    }

    ts::support::TempDir m_folder{"relay-job"};
    FakeRelayUi m_ui;
    std::shared_ptr<typestone::ServiceUiBridge> m_bridge;
    platform::draw::FakeFontEngine m_fonts;
    std::shared_ptr<engine_test::DeviceLog> m_log = std::make_shared<engine_test::DeviceLog>();
    typestone::EngineHost m_host;
};

std::string manyLines(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "Line " + std::to_string(i) + "\r\n";
    return s;
}

TEST_F(RelayJobTest, AJobsProgressReachesTypestoneUi)
{
    EXPECT_TRUE(run(manyLines(300)));
    EXPECT_TRUE(printed("Line 299"));
    ASSERT_TRUE(m_ui.waitForCommand(typestone::kRelayClose, 5000));
    const std::vector<FakeRelayUi::Request> got = m_ui.requests();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front().command, typestone::kRelayCreate);
    const std::string name(reinterpret_cast<const char*>(got.front().datagram.data()) + 6 + 16);
    const std::string printer(reinterpret_cast<const char*>(got.front().datagram.data()) + 6 + 16 + 260);
    EXPECT_EQ(name, "host_1");
    EXPECT_EQ(printer, "Office");
    EXPECT_GE(count(typestone::kRelayProgress), 1u);
    EXPECT_EQ(count(typestone::kRelayClose), 1u);
    EXPECT_EQ(got.back().command, typestone::kRelayClose);
    EXPECT_EQ(count(typestone::CMD_SENDMESSAGE), 0u); // nobody pressed Cancel: nobody asked
}

TEST_F(RelayJobTest, ACancelPressedInTypestoneUiEndsThePrintingJob)
{
    // Cancel is pressed as the display opens, and the abort question is answered Yes.
    m_ui.setScript([](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        switch (r.command) {
        case typestone::kRelayCreate:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        case typestone::kRelayGetCancel:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        case typestone::CMD_SENDMESSAGE:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(platform::ui::kIdYes));
        default:
            return std::nullopt;
        }
    });
    EXPECT_FALSE(run(manyLines(5000)));
    EXPECT_FALSE(printed("Line 4999"));
    EXPECT_EQ(m_log->count("endDoc"), 0);
    EXPECT_GE(count(typestone::kRelayGetCancel), 1u);
    EXPECT_EQ(count(typestone::CMD_SENDMESSAGE), 1u);
    EXPECT_TRUE(m_ui.waitForCommand(typestone::kRelayClose, 5000));
    EXPECT_EQ(count(typestone::kRelayClose), 1u);
}

TEST_F(RelayJobTest, ACancelTakenBackInTypestoneUiLetsTheJobFinish)
{
    // TypestoneUI's cancel flag: pressed as the display opens.
    std::atomic<bool> cancel{true};
    m_ui.setScript([&cancel](const FakeRelayUi::Request& r) -> std::optional<std::vector<uint8_t>> {
        switch (r.command) {
        case typestone::kRelayCreate:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(1));
        case typestone::kRelaySetCancel:
            // The job tells TypestoneUI it goes on: its flag is down again.
            if (r.datagram.size() >= 10 && r.datagram[6] == 0)
                cancel = false;
            return std::nullopt;
        case typestone::kRelayGetCancel:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(cancel ? 1 : 0));
        case typestone::CMD_SENDMESSAGE:
            return FakeRelayUi::answer(r.command, FakeRelayUi::word(platform::ui::kIdNo));
        default:
            return std::nullopt;
        }
    });
    EXPECT_TRUE(run(manyLines(2000)));
    EXPECT_TRUE(printed("Line 1999"));
    EXPECT_EQ(count(typestone::CMD_SENDMESSAGE), 1u);
    EXPECT_GE(count(typestone::kRelaySetCancel), 1u);
}

} // namespace
