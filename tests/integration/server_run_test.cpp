// The program in service mode with temporary folders, on ports the system picks (which it
// prints): it answers the host queries, prints a raw job, stops on SIGTERM with its ports
// written back, leaves no shared memory or held lock behind, and cuts off a host that goes
// silent at the configured idle limit.

#include "host_blocks.h"
#include "server_run_fixture.h"

#include "tests/support/host/host_simulator.h"
#include "tests/support/host/job_request.h"
#include "tests/support/http/loopback_http_server.h"

#include "tests/support/env/temp_dir.h"

#include "platform/net/socket_io.h"
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
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
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

// A PDF-driver job's output name lands where its drive maps it, folders made on the way; a
// name on a drive that is not mapped lands in the PDF folder under its file name.
TEST_F(ServerRunTest, PdfDriverOutputNamesLandThroughTheDriveMap)
{
    fs::create_directories(dir / "spool/PDFCreator");
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->setString(platform::RegRoot::CurrentUser, "Software\\KLV\\Typestone\\Drives", "Q", "");
    }
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    const fs::path state = dir / "state/typestone";
    struct Case
    {
        const char* output;
        fs::path lands;
    };
    const Case cases[] = {
        {"C:\\PDF\\OUT.PDF", state / "drives/C/PDF/OUT.PDF"},
        {"Q:\\ELSEWHERE\\UNMAPPED.PDF", state / "pdf/UNMAPPED.PDF"},
    };
    const std::string stream = "Hello\r\n\f";
    for (const Case& c : cases) {
        valdor::JobRequest job;
        job.printer = "PDFCreator";
        job.output = c.output;
        valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job),
                                                                {stream.begin(), stream.end()});
        ASSERT_TRUE(result.error.empty()) << result.error;
        EXPECT_EQ(result.replyCode, valdor::ReplyAccepted) << c.output;
        // The file appears whole once the job has ended (written beside it, then renamed).
        std::string head;
        for (int i = 0; i < 400 && head.empty(); ++i) {
            std::ifstream in(c.lands, std::ios::binary);
            char bytes[5] = {};
            if (in.read(bytes, 5))
                head.assign(bytes, 5);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(head, "%PDF-") << c.output << " at " << c.lands << "\n" << output();
    }
    EXPECT_NE(output().find("host drive Q: not mapped"), std::string::npos) << output();

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
}

// The text pdftotext finds on page `page` of `pdf`.
std::string pdfPageText(const fs::path& pdf, int page)
{
    std::string text;
    const std::string command = "pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                " '" + pdf.string() + "' - 2>&1";
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            text.append(buffer, n);
        ::pclose(p);
    }
    return text;
}

// A header recorded on the first page plays on every page, its page number field filled in
// for each: the PDF's three pages read "Page 1", "Page 2" and "Page 3" above their own text.
TEST_F(ServerRunTest, RecordedHeaderNumbersEveryPageOfThePdf)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    const std::string range = std::string("\x01\x00\x00\x00\x81\x01", 6);
    const std::string stream = escBlock(21, range) + escBlock(22, std::string("\0\0Page %u\0", 10)) + "\r\n" +
                               escBlock(21, std::string(6, '\0')) + "first\fsecond\fthird\r\n\f";
    valdor::JobRequest job;
    job.printer = "Printer1";
    job.docName = "headers";
    valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job),
                                                            {stream.begin(), stream.end()});
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.replyCode, valdor::ReplyAccepted);
    fs::path pdf;
    std::string third;
    for (int i = 0; i < 400 && third.find("third") == std::string::npos; ++i) {
        for (const auto& entry : fs::directory_iterator(dir / "spool/Printer1"))
            if (entry.path().extension() == ".pdf")
                pdf = entry.path();
        if (!pdf.empty())
            third = pdfPageText(pdf, 3);
        if (third.find("third") == std::string::npos)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(pdf.empty()) << output();
    const char* bodies[] = {"first", "second", "third"};
    for (int page = 1; page <= 3; ++page) {
        const std::string text = pdfPageText(pdf, page);
        const size_t header = text.find("Page " + std::to_string(page));
        EXPECT_NE(header, std::string::npos) << page << ": " << text;
        EXPECT_LT(header, text.find(bodies[page - 1])) << page << ": " << text;
        EXPECT_EQ(text.find("Page " + std::to_string(page + 1)), std::string::npos) << text;
    }
    EXPECT_NE(pdfPageText(pdf, 4).find("Wrong page range"), std::string::npos) << "three pages only";

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
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

// A host names the printer in any case: the job for "p1" goes to the printer folder "P1".
TEST_F(ServerRunTest, PrinterNameFromTheHostIgnoresCase)
{
    fs::create_directories(dir / "spool/P1");
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    valdor::JobRequest job;
    job.printer = "p1";
    job.options = valdor::kOptionRaw;
    job.docName = "lower";
    const std::vector<uint8_t> data = {'c', 'a', 's', 'e', '\r', '\n'};
    valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, valdor::buildHeader(job), data);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.replyCode, valdor::ReplyAccepted) << output();
    std::vector<fs::path> jobs;
    for (int i = 0; i < 100 && jobs.empty(); ++i) {
        for (const auto& entry : fs::directory_iterator(dir / "spool/P1"))
            if (entry.path().extension() == ".prn")
                jobs.push_back(entry.path());
        if (jobs.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(jobs.size(), 1u) << output();
    std::ifstream in(jobs[0], std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              data);
    EXPECT_FALSE(fs::exists(dir / "spool/p1"));
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
}

// A settings store the program cannot open or read stops the start: it names the file and the
// reason on standard error and ends with an error, before it listens on any port, and leaves
// the file as it found it.
TEST_F(ServerRunTest, UnusableSettingsStoreStopsTheStart)
{
    // A good store with enough in it to span many pages, as the model to damage.
    const fs::path model = dir / "model.sqlite";
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(model.string());
        ASSERT_TRUE(store);
        for (int i = 0; i < 300; ++i)
            store->setString(platform::RegRoot::CurrentUser,
                             "Software\\KLV\\Typestone\\Printers\\P" + std::to_string(i % 30),
                             "v" + std::to_string(i), std::string(200, 'x'));
    }
    const auto modelSize = fs::file_size(model);
    ASSERT_GT(modelSize, 16u * 4096u);
    const bool root = ::geteuid() == 0;
    auto copyModel = [&](const fs::path& to) { fs::copy_file(model, to); };
    auto chattr = [](const char* flag, const fs::path& path) {
        return QProcess::execute("chattr", {flag, QString::fromStdString(path.string())}) == 0;
    };

    struct Case
    {
        const char* what;
        // Makes the store at `path` (its folder exists); false to skip the row.
        std::function<bool(const fs::path& path)> make;
        std::function<void(const fs::path& path)> undo = [](const fs::path&) {};
    };
    const Case cases[] = {
        {"random bytes",
         [](const fs::path& p) {
             std::mt19937 random(7);
             std::ofstream out(p, std::ios::binary);
             for (int i = 0; i < 8192; ++i)
                 out.put(char(random()));
             return true;
         }},
        {"cut short",
         [&](const fs::path& p) {
             copyModel(p);
             fs::resize_file(p, modelSize / 3 / 4096 * 4096);
             return true;
         }},
        {"another program's database",
         [&](const fs::path& p) {
             copyModel(p);
             // The schema version in the file header (offset 60) says whose tables these are.
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(60);
             f.write("\0\0\0\0", 4);
             return true;
         }},
        {"a folder", [](const fs::path& p) { return fs::create_directory(p); }},
        {"a symbolic link to another file",
         [&](const fs::path& p) {
             copyModel(p.parent_path() / "elsewhere.sqlite");
             fs::create_symlink(p.parent_path() / "elsewhere.sqlite", p);
             return true;
         }},
        {"below a file instead of a folder",
         [](const fs::path& p) {
             std::ofstream(p.parent_path()) << "x"; // the store's folder is a plain file
             return true;
         }},
        {"immutable",
         [&](const fs::path& p) {
             copyModel(p);
             return chattr("+i", p);
         },
         [&](const fs::path& p) { chattr("-i", p); }},
        {"read-only file",
         [&](const fs::path& p) {
             copyModel(p);
             fs::permissions(p, fs::perms::owner_read);
             return !root;
         }},
        {"read-only folder",
         [&](const fs::path& p) {
             copyModel(p);
             fs::permissions(p.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
             return !root;
         },
         [](const fs::path& p) { fs::permissions(p.parent_path(), fs::perms::owner_all); }},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = dir / ("store" + std::to_string(row++));
        fs::create_directories(folder);
        fs::path path = folder / "registry.sqlite";
        if (std::string(c.what) == "below a file instead of a folder")
            path = folder / "plain" / "registry.sqlite";
        if (!c.make(path)) {
            c.undo(path);
            std::printf("store row \"%s\" left out: %s\n", c.what,
                        root ? "file modes do not stop root" : "chattr is not available here");
            continue;
        }
        std::error_code ec;
        const bool regular = fs::is_regular_file(fs::symlink_status(path, ec));
        const auto sizeBefore = regular ? fs::file_size(path) : 0;

        QProcessEnvironment env = environment();
        env.insert("TYPESTONE_REGISTRY", QString::fromStdString(path.string()));
        QProcess damaged;
        startIn(damaged, env);
        const bool finished = damaged.waitForFinished(30000);
        if (!finished)
            damaged.kill();
        const std::string said = damaged.readAll().toStdString();
        c.undo(path);
        ASSERT_TRUE(finished) << said;
        EXPECT_EQ(damaged.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(damaged.exitCode(), 0) << said;
        EXPECT_NE(said.find("typestone: cannot start: settings store " + path.string()), std::string::npos)
            << said;
        EXPECT_EQ(said.find("listening on"), std::string::npos) << said;
        if (regular) {
            EXPECT_EQ(fs::file_size(path), sizeBefore) << "the store was not repaired or emptied";
        }
    }
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

// The idle limit comes from the settings: a host that goes silent in the middle of its job is
// cut off after it, what it sent is printed marked cut short, and the printer takes the next
// job.
TEST_F(ServerRunTest, SilentHostIsCutOffAtTheConfiguredIdleLimit)
{
    {
        std::unique_ptr<platform::SettingsStore> store = platform::SettingsStore::open(registry);
        store->setString(platform::RegRoot::CurrentUser, kSection, "TCP_DATA_IDLE_SECONDS", "1");
    }
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    valdor::JobRequest job;
    job.printer = "Printer1";
    job.options = valdor::kOptionRaw;
    const std::vector<uint8_t> header = valdor::buildHeader(job);
    platform::net::SocketResult control = platform::net::connectTcp("127.0.0.1", tcp, 5000);
    ASSERT_TRUE(control.ok()) << control.error.text;
    ASSERT_TRUE(platform::net::sendAll(control.socket, header.data(), header.size(), 5000).ok());
    uint8_t reply[4] = {};
    size_t got = 0;
    while (got < sizeof reply) {
        const platform::net::IoResult r =
            platform::net::receiveSome(control.socket, reply + got, sizeof reply - got, 10000);
        ASSERT_TRUE(r.ok()) << r.error.text;
        got += r.bytes;
    }
    ASSERT_EQ(reply[0] | reply[1] << 8, valdor::ReplyAccepted);
    platform::net::SocketResult data =
        platform::net::connectTcp("127.0.0.1", uint16_t(reply[2] | reply[3] << 8), 5000);
    ASSERT_TRUE(data.ok()) << data.error.text;
    ASSERT_TRUE(platform::net::sendAll(control.socket, "half", 4, 5000).ok());

    uint8_t byte = 0;
    const platform::net::IoResult end = platform::net::receiveSome(control.socket, &byte, 1, 10000);
    EXPECT_TRUE(end.status == platform::net::IoStatus::PeerClosed ||
                end.status == platform::net::IoStatus::Failed)
        << "the silent host was not cut off";

    const std::vector<uint8_t> next = {'n', 'e', 'x', 't'};
    const valdor::HostResult result = valdor::HostSimulator().run("127.0.0.1", tcp, header, next);
    ASSERT_TRUE(result.error.empty()) << result.error;
    std::vector<fs::path> jobs;
    for (int i = 0; i < 200 && jobs.size() < 2; ++i) {
        jobs.clear();
        for (const auto& entry : fs::directory_iterator(dir / "spool/Printer1"))
            if (entry.path().extension() == ".prn")
                jobs.push_back(entry.path());
        if (jobs.size() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(jobs.size(), 2u) << "the cut job and the next one are printed";
    std::sort(jobs.begin(), jobs.end()); // the names begin with the job's sequence number
    const auto content = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(content(jobs[0]), "half");
    EXPECT_EQ(content(jobs[1]), "next");
    const std::string name = jobs[0].filename().string();
    const fs::path info = jobs[0].parent_path() / (name.substr(0, name.find('-')) + ".info");
    EXPECT_NE(content(info).find("cut-short="), std::string::npos) << content(info);
}

namespace {

// The server's threads and the context switches all of them made so far
// (/proc/<pid>/task/*/status); a thread that ended in between no longer counts.
struct ThreadSwitches
{
    size_t threads = 0;
    long long switches = 0;
};

ThreadSwitches threadSwitches(qint64 pid)
{
    ThreadSwitches seen;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"})
                if (line.rfind(key, 0) == 0)
                    seen.switches += std::stoll(line.substr(std::strlen(key)));
        }
        ++seen.threads;
    }
    return seen;
}

// The switches of the server's threads over `seconds` of nothing sent to it, counted once what
// it was doing has settled (no switch for half a second, within 10 s).
long long switchesWhileIdle(qint64 pid, int seconds)
{
    ThreadSwitches before = threadSwitches(pid);
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const ThreadSwitches now = threadSwitches(pid);
        const bool settled = now.threads == before.threads && now.switches == before.switches;
        before = now;
        if (settled)
            break;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const ThreadSwitches after = threadSwitches(pid);
    return after.threads == before.threads ? after.switches - before.switches : -1;
}

} // namespace

// What the start-up prepares for the first job's fonts and PDF (and what the job's own worker
// thread used) leaves nothing that wakes: no timer of a font cache, no thread in time slices.
TEST_F(ServerRunTest, AnIdleServerDoesNotWakeAfterItsStartOrItsFirstInterpretedJob)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();
    const qint64 pid = process.processId();
    // Longer than any period the server ever woke at (its service timer's 5 s).
    EXPECT_EQ(switchesWhileIdle(pid, 6), 0) << "after the start";

    const size_t threads = threadSwitches(pid).threads;
    ASSERT_FALSE(printToPdf("first", "The first page of a fresh server.\r\n\f").empty()) << output();
    // Once the job is handed on, its worker thread either ends or stays ready for the next
    // connection, waiting without a time-out: one thread more at most, and it must not wake.
    for (int i = 0; i < 200 && threadSwitches(pid).threads > threads + 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_LE(threadSwitches(pid).threads, threads + 1) << "more than the job's worker stayed";
    EXPECT_EQ(switchesWhileIdle(pid, 3), 0) << "after the first job";

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << output();
}
