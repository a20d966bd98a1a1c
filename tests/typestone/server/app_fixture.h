#pragma once
// Private folders and settings for one test of the server's start-up, service and UDP server,
// and a service on loopback built from the real parts (folder spooler, printer configuration,
// sequencer).

#include "typestone/server/general_settings.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/my_service.h"
#include "typestone/server/printer_config.h"

#include "klv_inet/support/app_name.h"

#include "platform/net/tcp.h"
#include "platform/net/udp.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/folder_spooler.h"

#include "tests/support/env/scoped_env.h"
#include "tests/support/env/temp_dir.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace apptest {

inline void ensureQtApp()
{
    static int argc = 1;
    static char name[] = "test_typestone_app";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// Runs the event loop until `done` is true or `limitMs` passed (a bound, never a timing check).
inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Temporary folders as the platform layer finds them, and a settings store of the test's own.
class TempFolders
{
public:
    TempFolders()
    {
        for (const char* sub : {"state", "cache", "config", "run", "spool"})
            std::filesystem::create_directories(path(sub));
        std::filesystem::permissions(path("run"), std::filesystem::perms::owner_all);
        m_env.set("TYPESTONE_REGISTRY", path("registry.sqlite"));
        m_env.set("XDG_STATE_HOME", path("state"));
        m_env.set("XDG_CACHE_HOME", path("cache"));
        m_env.set("XDG_CONFIG_HOME", path("config"));
        m_env.set("XDG_RUNTIME_DIR", path("run"));
        m_env.set("TMPDIR", m_dir.path());
        platform::SettingsStore::resetShared();
        SetAppName("Typestone");
    }
    ~TempFolders() { platform::SettingsStore::resetShared(); }
    std::string path(const std::string& name) const { return m_dir.path(name); }
    // Sets more variables for the test, put back with the others at the end.
    ts::support::ScopedEnv& env() { return m_env; }

private:
    ts::support::TempDir m_dir{"ts-app"};
    ts::support::ScopedEnv m_env;
};

// A service on 127.0.0.1. Unless a test asks for configured ports, it listens on ports the
// system picks (BoundUdpPort(), BoundTcpPort()). TypestoneUI's port is a socket the fixture
// holds for the whole test.
class ServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ensureQtApp();
        std::string error;
        spooler = platform::spooler::FolderSpooler::open(folders.path("spool"), &error);
        ASSERT_TRUE(spooler) << error;
        printers = std::make_unique<typestone::CPrinter>(spooler.get());
        jobs = std::make_unique<typestone::JobSequencer>();
        context = std::make_unique<typestone::JobContext>(*spooler, *printers, *jobs);
        ui = platform::net::bindUdp("127.0.0.1", 0, false);
        ASSERT_TRUE(ui.ok()) << ui.error.text;
        ports.udpAux = ui.local.port;
        typestone::SavePortConfig(ports);
    }

    // For the tests of the configured ports themselves: a UDP port and job ports that were
    // free a moment ago, written to the settings (the only numbers a test picks; the service
    // must be made with anyPorts false to listen on them).
    void useConfiguredPorts()
    {
        ports.udp = platform::net::bindUdp("127.0.0.1", 0, false).local.port;
        ports.tcp = platform::net::listenTcp("127.0.0.1", 0, 1, false).local.port;
        ports.aux = platform::net::listenTcp("127.0.0.1", 0, 1, false).local.port;
        typestone::SavePortConfig(ports);
    }

    void TearDown() override
    {
        if (service) {
            service->StopListeners();
            jobs->StopPrtJobSequencer();
            service->OnStop();
        }
        service.reset();
    }

    typestone::CMyService& makeService(bool serviceMode = true, bool anyPorts = true)
    {
        typestone::CMyService::Options options;
        options.serviceMode = serviceMode;
        options.anyPorts = anyPorts;
        options.listenAddress = "127.0.0.1";
        options.sharedMemName = "ts-app-test-" + std::to_string(::getpid());
        options.readAutoStart = [this] { return autoStart; };
        options.writeAutoStart = [this](bool on) { autoStart = on; };
        options.udpOwners = udpOwners;
        service = std::make_unique<typestone::CMyService>(*context, settings, options);
        return *service;
    }

    void addPrinter(const std::string& name)
    {
        std::string error;
        ASSERT_TRUE(spooler->addPrinter(name, &error)) << error;
    }

    // Stores a printer's share flag and password.
    void configurePrinter(const std::string& name, bool shared, const std::string& password)
    {
        typestone::PRTCFG record;
        record.printerName = name;
        record.bShared = shared;
        record.SetPassword(password);
        ASSERT_TRUE(printers->SavePrtEntry(nullptr, &record));
    }

    TempFolders folders;
    std::unique_ptr<platform::spooler::FolderSpooler> spooler;
    std::unique_ptr<typestone::CPrinter> printers;
    std::unique_ptr<typestone::JobSequencer> jobs;
    std::unique_ptr<typestone::JobContext> context;
    typestone::GeneralSettings settings;
    platform::net::SocketResult ui; // TypestoneUI's socket
    typestone::PortConfig ports;    // as written to the settings
    bool autoStart = false;
    // Who owns a control datagram's socket, for the service made next; unset: the kernel's
    // socket tables.
    typestone::ControlAccess::OwnerLookup udpOwners;
    std::unique_ptr<typestone::CMyService> service;
};

// Little-endian datagram building.
inline std::vector<uint8_t> request(uint16_t command, uint16_t sequence, std::vector<uint8_t> data = {})
{
    std::vector<uint8_t> out = {
        uint8_t(command), uint8_t(command >> 8), uint8_t(sequence), uint8_t(sequence >> 8), 0, 0};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline void putText(std::vector<uint8_t>& out, size_t offset, const std::string& text)
{
    if (out.size() < offset + text.size())
        out.resize(offset + text.size(), 0);
    std::copy(text.begin(), text.end(), out.begin() + long(offset));
}

inline void putU32(std::vector<uint8_t>& out, size_t offset, uint32_t value)
{
    if (out.size() < offset + 4)
        out.resize(offset + 4, 0);
    for (int i = 0; i < 4; ++i)
        out[offset + size_t(i)] = uint8_t(value >> (8 * i));
}

} // namespace apptest
