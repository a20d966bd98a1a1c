#pragma once
// The real program in service mode with temporary folders, on ports the system picks (which it
// prints), and the datagram helpers the tests talk to it with.

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"
#include "tests/support/http/loopback_http_server.h"

#include "private_env.h"
#include "tests/support/env/temp_dir.h"

#include "platform/net/tcp.h"
#include "platform/net/udp.h"
#include "platform/settings/settings_store.h"
#include "platform/sync/named_lock.h"
#include "platform/sync/shared_memory.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace runtest {

namespace fs = std::filesystem;

constexpr const char* kSection = "Software\\KLV\\Typestone\\General";

// The configured job data port: in this run every job's data port is one the system picks, so
// this number is only stored and written back, never listened on.
constexpr uint16_t kConfiguredAux = 3341;

inline std::vector<uint8_t> query(uint16_t port, std::vector<uint8_t> datagram, int timeoutMs)
{
    platform::net::SocketResult client = platform::net::bindUdp("127.0.0.1", 0, false);
    platform::net::sendTo(client.socket, datagram.data(), datagram.size(), {"127.0.0.1", port});
    uint8_t buffer[2048];
    platform::net::DatagramResult got =
        platform::net::receiveFrom(client.socket, buffer, sizeof buffer, timeoutMs);
    if (!got.ok())
        return {};
    return std::vector<uint8_t>(buffer, buffer + got.bytes);
}

inline std::vector<uint8_t> request(uint16_t command, uint16_t sequence)
{
    return {uint8_t(command), uint8_t(command >> 8), uint8_t(sequence), uint8_t(sequence >> 8), 0, 0};
}

class ServerRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok()) << folder.error();
        dir = folder.path();
        for (const char* sub : {"state", "cache", "config", "run", "spool/Printer1"})
            fs::create_directories(dir / sub);
        fs::permissions(dir / "run", fs::perms::owner_all);
        registry = (dir / "registry.sqlite").string();

        // TypestoneUI's port: a socket of the test's own, held for the whole run.
        ui = platform::net::bindUdp("127.0.0.1", 0, false);
        ASSERT_TRUE(ui.ok()) << ui.error.text;
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        ASSERT_TRUE(store);
        const std::pair<const char*, uint16_t> ports[] = {{"TYPST_AUXPORT", kConfiguredAux},
                                                          {"TYPSTUDP_AUXPORT", ui.local.port}};
        for (const auto& [name, value] : ports)
            store->setString(platform::RegRoot::CurrentUser, kSection, name, std::to_string(value));
    }

    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    void start()
    {
        seen.clear(); // the ports printed by an earlier run are not this run's
        if (childSetup)
            process.setChildProcessModifier(childSetup);
        startIn(process, environment());
    }

    static void startIn(QProcess& p, const QProcessEnvironment& env)
    {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(TYPESTONE_EXE, {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }

    QProcessEnvironment environment() { return integration::privateServerEnvironment(dir, registry); }

    // The program prints the ports it got and answers WHO on its UDP port (it is up); false
    // when that did not happen within 10 s.
    bool waitUntilServing()
    {
        const std::regex listening(R"(listening on UDP port (\d+) and job port (\d+)\n)");
        std::smatch m;
        for (int i = 0; i < 100 && !std::regex_search(seen, m, listening); ++i) {
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
            seen += process.readAll().toStdString();
        }
        if (m.empty())
            return false;
        udp = uint16_t(std::stoul(m[1].str()));
        tcp = uint16_t(std::stoul(m[2].str()));
        for (int i = 0; i < 100; ++i) {
            if (query(udp, request(1, 1), 100).size() == 261)
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }

    // Sends `stream` as an interpreted job for Printer1 and waits (30 s at most) for its PDF,
    // which appears whole once the job has ended; empty when the job was refused or no PDF came.
    fs::path printToPdf(const std::string& docName, const std::string& stream)
    {
        valdor::JobRequest job;
        job.printer = "Printer1";
        job.docName = docName;
        const valdor::HostResult result = valdor::HostSimulator().run(
            "127.0.0.1", tcp, valdor::buildHeader(job), {stream.begin(), stream.end()});
        EXPECT_TRUE(result.error.empty()) << result.error;
        EXPECT_EQ(result.replyCode, valdor::ReplyAccepted);
        if (!result.error.empty() || result.replyCode != valdor::ReplyAccepted)
            return {};
        for (int i = 0; i < 600; ++i) {
            for (const auto& entry : fs::directory_iterator(dir / "spool/Printer1"))
                if (entry.path().extension() == ".pdf")
                    return entry.path();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    std::string output()
    {
        process.waitForReadyRead(100);
        seen += process.readAll().toStdString();
        return seen;
    }

    ts::support::TempDir folder{"ts-run"};
    fs::path dir;
    std::string registry;
    platform::net::SocketResult ui;
    uint16_t udp = 0, tcp = 0;
    std::string seen; // the program's output so far
    QProcess process;
    // Runs in the program's process before it starts (to lower its descriptor limit, say).
    std::function<void()> childSetup;
};

} // namespace runtest
