// The program in service mode with temporary folders, on ports the system picks (which it
// prints): it answers the host queries, prints a raw job, stops on SIGTERM with its ports
// written back, and leaves no shared memory or held lock behind.

#include "server_run_fixture.h"

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"
#include "tests/support/http/loopback_http_server.h"

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
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace runtest;
namespace fs = std::filesystem;

namespace {

TEST_F(ServerRunTest, QueriesRawJobAndCleanStop)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    // The printer list names the one printer folder, and it may be printed on without password.
    const std::vector<uint8_t> list = query(udp, request(2, 2), 5000);
    ASSERT_EQ(list.size(), 1009u);
    EXPECT_EQ(list[6], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&list[9])), "Printer1");
    std::vector<uint8_t> check = request(3, 3);
    check.resize(262, 0);
    std::copy_n("Printer1", 8, check.begin() + 6);
    EXPECT_EQ(query(udp, check, 5000), (std::vector<uint8_t>{3, 0, 3, 0, 2, 0, 0, 0}));

    // A raw job lands unchanged in the printer's folder.
    valdor::JobRequest job;
    job.printer = "Printer1";
    job.options = valdor::kOptionRaw;
    job.docName = "first";
    const std::vector<uint8_t> data = {'H', 'e', 'l', 'l', 'o', '\r', '\n', 0x0C, 0x00, 0xFF};
    valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job), data);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.replyCode, valdor::ReplyAccepted);
    EXPECT_NE(result.dataPort, 0); // one the system picked, and the data went through it
    EXPECT_NE(result.dataPort, kConfiguredAux);
    std::vector<fs::path> jobs;
    for (int i = 0; i < 100 && jobs.empty(); ++i) {
        for (const auto& entry : fs::directory_iterator(dir / "spool/Printer1"))
            if (entry.path().extension() == ".prn")
                jobs.push_back(entry.path());
        if (jobs.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(jobs.size(), 1u);
    std::ifstream in(jobs[0], std::ios::binary);
    const std::vector<uint8_t> printed((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    EXPECT_EQ(printed, data);

    // SIGUSR1 writes the connection status: no connection is left.
    platform::sync::SharedMemory status;
    ASSERT_TRUE(status.openReadOnly("VALDORTypestoneMemFileMap"));
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGUSR1), 0);
    for (int i = 0; i < 100 && status.constData()[0] == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(std::string(status.constData(), 2), "0 ");
    status.close();

    // SIGTERM: an orderly end with the ports written back.
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->deleteValue(platform::RegRoot::CurrentUser, kSection, "TYPST_AUXPORT");
    }
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << output();
    std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
    std::string text;
    EXPECT_EQ(store->readString(platform::RegRoot::CurrentUser, kSection, "TYPST_AUXPORT", &text),
              platform::StoreStatus::Ok);
    EXPECT_EQ(text, std::to_string(kConfiguredAux));

    // Nothing left behind: the shared memory is gone and its lock is free.
    platform::sync::SharedMemory gone;
    EXPECT_FALSE(gone.openReadOnly("VALDORTypestoneMemFileMap"));
    platform::sync::NamedLock lock("shm.VALDORTypestoneMemFileMap", (dir / "run/typestone/locks").string());
    EXPECT_TRUE(lock.tryLock(std::chrono::milliseconds(0))) << lock.errorString();
    EXPECT_EQ(query(udp, request(1, 9), 200).size(), 0u);
}

TEST_F(ServerRunTest, SecondInstanceEndsAndLeavesTheFirstAlone)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    platform::sync::SharedMemory status;
    ASSERT_TRUE(status.openReadOnly("VALDORTypestoneMemFileMap"));

    // The running server is listed as running, by its process id.
    const std::string running = "Software\\KLV\\TYPESTONE\\Running";
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        uint32_t count = 0, pid = 0;
        EXPECT_EQ(store->readDword(platform::RegRoot::CurrentUser, running, "Count", &count),
                  platform::StoreStatus::Ok);
        EXPECT_EQ(count, 1u);
        store->readDword(platform::RegRoot::CurrentUser, running, "hWnd0", &pid);
        EXPECT_EQ(pid, uint32_t(process.processId()));
    }

    // A second server with the same folders is recognised and ends at once.
    QProcess second;
    startIn(second, environment());
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(second.readAll().toStdString().find("already started"), std::string::npos);

    // One with a runtime folder of its own cannot take the ports, and leaves the first one's
    // shared memory mapped and readable.
    fs::create_directories(dir / "run2");
    fs::permissions(dir / "run2", fs::perms::owner_all);
    QProcessEnvironment other = environment();
    other.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run2").string()));
    other.remove("TYPESTONE_ANY_PORTS"); // it is to ask for the ports the first one holds
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->setString(platform::RegRoot::CurrentUser, kSection, "UDP_TYPESTONE", std::to_string(udp));
        store->setString(platform::RegRoot::CurrentUser, kSection, "TCP_TYPESTONE", std::to_string(tcp));
    }
    QProcess third;
    startIn(third, other);
    ASSERT_TRUE(third.waitForFinished(20000));
    EXPECT_NE(third.exitCode(), 0);

    // The first one is untouched: it answers, and its status lands in the same object.
    EXPECT_EQ(query(udp, request(1, 5), 5000).size(), 261u);
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGUSR1), 0);
    for (int i = 0; i < 100 && status.constData()[0] == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(std::string(status.constData(), 2), "0 ");
    platform::sync::SharedMemory byName;
    EXPECT_TRUE(byName.openReadOnly("VALDORTypestoneMemFileMap"));

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
    std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
    EXPECT_FALSE(store->keyExists(platform::RegRoot::CurrentUser, running)) << "no longer listed";
}

} // namespace

TEST_F(ServerRunTest, DailyWebQueryAtStartOnlyOnceBothAddressesAreGiven)
{
    testsupport::LoopbackHttpServer web;
    ASSERT_TRUE(web.ok());
    web.serve("/upd/update.txt", testsupport::page(200, "[Typestone_PLM]\r\nProduct1=Term\r\n"));
    const char* updates = "Software\\KLV\\Typestone\\Updates";
    auto stored = [&] {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        std::string product;
        return store->readString(platform::RegRoot::CurrentUser, updates, "Product1", &product) ==
               platform::StoreStatus::Ok;
    };
    // The server is stopped once the answer is stored (or after 2 s without one): stopping it
    // as soon as the request arrives would cut the query short and leave no stamp behind.
    auto run = [&] {
        start();
        ASSERT_TRUE(waitUntilServing()) << output();
        for (int i = 0; i < 100 && !(web.count("/upd/update.txt") > 0 && stored()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        process.terminate();
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << output();
    };
    {
        // One of the two is not enough.
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->setString(platform::RegRoot::CurrentUser, updates, "Update Root", web.url("/upd/"));
    }
    run();
    EXPECT_EQ(web.count("/upd/update.txt"), 0u);
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->setString(platform::RegRoot::CurrentUser, updates, "Posting URL", web.url("/cgi"));
    }
    run();
    ASSERT_EQ(web.count("/upd/update.txt"), 1u);
    EXPECT_EQ(web.requests()[0].headers.at("user-agent"), "Typestone");
    run(); // within 24 hours: no second query
    EXPECT_EQ(web.count("/upd/update.txt"), 1u);
    std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
    std::string product;
    EXPECT_EQ(store->readString(platform::RegRoot::CurrentUser, updates, "Product1", &product),
              platform::StoreStatus::Ok);
    EXPECT_EQ(product, "Term");
}
