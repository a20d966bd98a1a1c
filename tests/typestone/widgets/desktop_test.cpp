#include "typestone/server/debug_options.h"
#include "typestone/server/desktop_autostart.h"
#include "typestone/server/save_as_img_edit.h"
#include "typestone/server/server_strings.h"
#include "typestone/server/status_messages.h"
#include "typestone/server/trace_settings.h"
#include "typestone/widgets/about_dlg.h"
#include "typestone/widgets/printers_dialog.h"
#include "typestone/widgets/tray_icon.h"

#include "../server/app_fixture.h"
#include "widgets_app.h"

#include "pixkit/pixkit.h"
#include "platform/ui/message_box.h"
#include "platform/ui/ui_bridge.h"
#include "tests/support/ui/scripted_ui_bridge.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using platform::ui::ScriptedUiBridge;
using typestone::CAboutDlg;
using typestone::CTrayIcon;

namespace {

bool tcpConnects(uint16_t port)
{
    return port != 0 && platform::net::connectTcp("127.0.0.1", port, 2000).ok();
}

class TrayTest : public apptest::ServiceTest
{
protected:
    void SetUp() override
    {
        widgetstest::app();
        apptest::ServiceTest::SetUp();
        bridge = std::make_shared<ScriptedUiBridge>();
        platform::ui::setBridge(bridge);
    }
    void TearDown() override
    {
        tray.reset();
        apptest::ServiceTest::TearDown();
        platform::ui::setBridge(nullptr);
    }

    // A desktop-mode service whose auto-start is the autostart entry, and its tray icon.
    void makeDesktop(bool anyPorts = true)
    {
        typestone::CMyService::Options options;
        options.serviceMode = false;
        options.anyPorts = anyPorts;
        options.listenAddress = "127.0.0.1";
        options.sharedMemName = "ts-desktop-test-" + std::to_string(::getpid());
        options.readAutoStart = [] { return typestone::DesktopAutoStart::IsOn(); };
        options.writeAutoStart = [](bool on) {
            std::string error;
            ASSERT_TRUE(typestone::DesktopAutoStart::Set(on, "/opt/typestone/bin/typestone", &error))
                << error;
        };
        service = std::make_unique<typestone::CMyService>(*context, settings, options);
        ASSERT_TRUE(service->CreateSockets());
        tray = std::make_unique<CTrayIcon>(*service, *printers, settings);
    }

    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> out;
        for (const auto& c : bridge->calls())
            if (c.kind == ScriptedUiBridge::Call::Kind::MessageBox)
                out.push_back(c.box.text);
        return out;
    }

    bool stopRequested()
    {
        return apptest::pumpUntil(
            [this] { return service->CurrentState() == typestone::CNTService::kStopPending; }, 3000);
    }

    std::shared_ptr<ScriptedUiBridge> bridge;
    std::unique_ptr<CTrayIcon> tray;
};

TEST_F(TrayTest, PauseFromTheMenuClosesAndReopensTheListeners)
{
    makeDesktop();
    const uint16_t jobPort = service->BoundTcpPort();
    ASSERT_TRUE(tcpConnects(jobPort));
    EXPECT_EQ(tray->icon()->toolTip(), "Typestone Server is enabled");

    tray->RunCommand(typestone::kTrayPause);
    EXPECT_TRUE(service->IsPaused());
    EXPECT_FALSE(service->TcpListening());
    EXPECT_FALSE(tcpConnects(jobPort));
    EXPECT_EQ(service->BoundUdpPort(), 0) << "on the desktop the UDP port is given up too";
    EXPECT_EQ(tray->icon()->toolTip(), "Typestone Server is disabled");
    EXPECT_EQ(tray->RebuildMenu()->actions().at(0)->text(), "&Enable");

    tray->RunCommand(typestone::kTrayPause);
    EXPECT_FALSE(service->IsPaused());
    EXPECT_TRUE(tcpConnects(service->BoundTcpPort()));
    EXPECT_EQ(tray->icon()->toolTip(), "Typestone Server is enabled");
    EXPECT_EQ(tray->RebuildMenu()->actions().at(0)->text(), "&Disable");
}

TEST_F(TrayTest, MenuShowsTheState)
{
    makeDesktop();
    typestone::TraceSettings::setDbgOption(false);
    QMenu* menu = tray->RebuildMenu();
    // Items 1, 2, 3, separator, 5, 6, 7, separator, 9.
    ASSERT_EQ(menu->actions().size(), 9);
    QAction* showAtStart = menu->actions().at(2);
    EXPECT_EQ(showAtStart->data().toInt(), typestone::kTrayShowAtStart);
    EXPECT_FALSE(showAtStart->isEnabled());
    EXPECT_FALSE(menu->actions().at(1)->isChecked()) << "no autostart entry yet";
    EXPECT_TRUE(menu->actions().at(3)->isSeparator());
}

TEST_F(TrayTest, AutoStartOffRemovesTheEntryAndAsksWhetherToStop)
{
    makeDesktop();
    const std::string entry = typestone::DesktopAutoStart::EntryPath();
    EXPECT_EQ(entry, folders.path("config") + "/autostart/typestone.desktop");

    tray->RunCommand(typestone::kTrayAutoLoad); // on
    ASSERT_TRUE(QFile::exists(QString::fromStdString(entry)));
    EXPECT_TRUE(tray->RebuildMenu()->actions().at(1)->isChecked());
    EXPECT_TRUE(boxTexts().empty());

    bridge->pushBoxAnswer(platform::ui::kIdNo);
    tray->RunCommand(typestone::kTrayAutoLoad); // off
    EXPECT_FALSE(QFile::exists(QString::fromStdString(entry)));
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_EQ(boxTexts()[0], "The Typestone Server will not be automatically loaded upon next start up.\n"
                             "OK to stop Typestone Print Server ?");
    EXPECT_FALSE(stopRequested()) << "No keeps the server running";
}

TEST_F(TrayTest, StopAsksFirst)
{
    makeDesktop();
    bridge->pushBoxAnswer(platform::ui::kIdNo);
    tray->RunCommand(typestone::kTrayStop);
    EXPECT_FALSE(stopRequested());
    bridge->pushBoxAnswer(platform::ui::kIdYes);
    tray->RunCommand(typestone::kTrayStop);
    EXPECT_TRUE(stopRequested());
    ASSERT_EQ(boxTexts().size(), 2u);
    EXPECT_EQ(boxTexts()[1], "OK to stop Typestone Print Server ?");
}

TEST_F(TrayTest, TracingItemsToggleAndSwitchingOffOffersTheTraceFile)
{
    makeDesktop();
    typestone::TraceSettings::setDbgOption(true);
    SetDbgOptions();
    ASSERT_EQ(tray->RebuildMenu()->actions().size(), 13) << "the debug items follow the stop";
    const bool timing = typestone::TraceSettings::timing();
    tray->RunCommand(typestone::kTrayTiming);
    EXPECT_NE(typestone::TraceSettings::timing(), timing);
    tray->RunCommand(typestone::kTrayTiming);

    tray->RunCommand(typestone::kTrayTracer);
    EXPECT_TRUE(typestone::TraceSettings::tracerOn());
    EXPECT_TRUE(tray->RebuildMenu()->actions().at(10)->isChecked());
    const size_t before = boxTexts().size();
    bridge->pushBoxAnswer(platform::ui::kIdNo); // do not open the editor
    tray->RunCommand(typestone::kTrayTracer);
    EXPECT_FALSE(typestone::TraceSettings::tracerOn());
    ASSERT_EQ(boxTexts().size(), before + 1);
    EXPECT_NE(boxTexts().back().find("OK to edit the trace file"), std::string::npos) << boxTexts().back();
    typestone::TraceSettings::setDbgOption(false);
    SetDbgOptions();
}

TEST_F(TrayTest, ConfigurationWithUnchangedPortsKeepsTheListeners)
{
    makeDesktop();
    const uint16_t jobPort = service->BoundTcpPort();
    const typestone::PortConfig before = service->Ports();
    widgetstest::whenModal<typestone::PrintersDialog>([](typestone::PrintersDialog* d) { d->accept(); });
    tray->RunCommand(typestone::kTrayConfiguration);
    EXPECT_EQ(service->BoundTcpPort(), jobPort);
    EXPECT_TRUE(tcpConnects(jobPort));
    EXPECT_EQ(service->Ports(), before);
}

TEST_F(TrayTest, ConfigurationMovesTheListenersToNewPorts)
{
    useConfiguredPorts();
    makeDesktop(false);
    // A port that was free a moment ago, for TCP and UDP alike.
    uint16_t fresh = 0;
    for (int i = 0; i < 20 && fresh == 0; ++i) {
        platform::net::SocketResult t = platform::net::listenTcp("127.0.0.1", 0, 1, false);
        platform::net::SocketResult u = platform::net::bindUdp("127.0.0.1", t.local.port, false);
        if (t.ok() && u.ok())
            fresh = t.local.port;
    }
    ASSERT_NE(fresh, 0);
    widgetstest::whenModal<typestone::PrintersDialog>([fresh](typestone::PrintersDialog* d) {
        d->servicePortEdit()->setText(QString::number(fresh));
        d->auxPortEdit()->setText(QString::number(fresh - 1));
        d->useDnsBox()->setChecked(true);
        d->accept();
    });
    tray->RunCommand(typestone::kTrayConfiguration);
    EXPECT_EQ(service->Ports().tcp, fresh);
    EXPECT_EQ(service->Ports().udp, fresh);
    EXPECT_EQ(service->Ports().aux, fresh - 1);
    EXPECT_EQ(service->BoundTcpPort(), fresh);
    EXPECT_EQ(typestone::LoadPortConfig(), service->Ports()) << "the new ports are stored";
    EXPECT_TRUE(settings.useDns);
    EXPECT_TRUE(context->useDns);
}

TEST_F(TrayTest, StopClosesOpenDialogs)
{
    makeDesktop();
    // Were the dialog left open, the helper would close it after its bound and fail the test.
    widgetstest::whenModal<typestone::PrintersDialog>(
        [this](typestone::PrintersDialog*) { service->WndProc(typestone::SCM_STOP_MSG); });
    tray->RunCommand(typestone::kTrayConfiguration);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(stopRequested());
}

class AboutTest : public ::testing::Test
{
protected:
    void SetUp() override { widgetstest::app(); }
    void TearDown() override { typestone::SetStringsLanguage(std::nullopt); }
};

TEST_F(AboutTest, TextsInBothLanguages)
{
    using Language = platform::StringTable::Language;
    struct Case
    {
        Language language;
        bool paused;
        const char* title;
        const char* version;
        const char* state;
    } cases[] = {
        {Language::English, false, "Typestone Server", "Version 2.42.00 [",
         "Typestone Server is enabled - Port: 3339"},
        {Language::English, true, "Typestone Server", "Version 2.42.00 [",
         "Typestone Server is disabled - Port: 3339"},
        {Language::Spanish, false, "Servidor Typestone", "Versión 2.42.00 [",
         "Servidor Typestone está activado - Puerto: 3339"},
        {Language::Spanish, true, "Servidor Typestone", "Versión 2.42.00 [",
         "Servidor Typestone está desactivado - Puerto: 3339"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        typestone::SetStringsLanguage(c.language);
        CAboutDlg about({c.paused, 3339, false});
        EXPECT_EQ(about.windowTitle(), c.title);
        EXPECT_EQ(about.titleLabel()->text(), c.title);
        EXPECT_TRUE(about.versionLabel()->text().startsWith(c.version))
            << about.versionLabel()->text().toStdString();
        EXPECT_EQ(about.stateLabel()->text(), c.state);
        EXPECT_FALSE(about.noticeLabel()->text().isEmpty());
    }
}

TEST_F(AboutTest, SplashClosesByItself)
{
    CAboutDlg splash({false, 3339, true});
    EXPECT_EQ(
        splash.stateLabel()->text(),
        "Typestone Server is already started. Typestone Server can only execute one instance at a time.");
    // A bound far beyond the splash's own time, so that the test ends even when it does not.
    QTimer::singleShot(CAboutDlg::kSplashMs * 4, &splash, &QDialog::reject);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(splash.exec(), QDialog::Accepted);
    // Coarse timers may fire a little early; never much.
    EXPECT_GE(clock.elapsed(), CAboutDlg::kSplashMs * 9 / 10) << "it stays up for its time first";
}

class SaveAsTest : public ::testing::Test
{
protected:
    void SetUp() override { widgetstest::app(); }
    ts::support::TempDir dir{"ts-saveas"};
};

TEST_F(SaveAsTest, PictureBecomesA24BitBmp)
{
    QImage picture(7, 5, QImage::Format_ARGB32);
    picture.fill(QColor(10, 200, 30));
    picture.setPixelColor(0, 0, QColor(255, 0, 0));
    const std::string source = dir.path("pic.png");
    ASSERT_TRUE(picture.save(QString::fromStdString(source), "PNG"));
    const std::string target = dir.path("pic.bmp");
    EXPECT_EQ(typestone::CSaveAs_ImgEdit(source, target).DoModal(), platform::ui::kIdOk);
    int bits = 0, width = 0, height = 0;
    ASSERT_GE(LeeInfoGenBmp(target.c_str(), &bits, &width, &height, nullptr, nullptr), 0);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(width, 7);
    EXPECT_EQ(std::abs(height), 5);
    const QImage back(QString::fromStdString(target));
    EXPECT_EQ(back.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(back.pixelColor(6, 4), QColor(10, 200, 30));
}

TEST_F(SaveAsTest, FailuresEndWithCancel)
{
    QFile junk(QString::fromStdString(dir.path("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all");
    junk.close();
    struct Case
    {
        std::string source, target;
    } cases[] = {{"", dir.path("a.bmp")},
                 {dir.path("junk.png"), ""},
                 {dir.path("missing.png"), dir.path("b.bmp")},
                 {dir.path("junk.png"), dir.path("c.bmp")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.target);
        EXPECT_EQ(typestone::CSaveAs_ImgEdit(c.source, c.target).DoModal(), platform::ui::kIdCancel);
        if (!c.target.empty()) {
            EXPECT_FALSE(QFile::exists(QString::fromStdString(c.target)));
        }
    }
}

} // namespace
