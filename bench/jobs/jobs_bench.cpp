// bench_jobs [hosts] [job bytes] [jobs per host]
//
// Plays `hosts` VALDOR hosts at once, each sending `jobs per host` raw jobs of `job bytes`,
// first to one folder printer each, then all to one printer, and reports jobs/s, MB/s and the
// hand-shake latency (connect to reply) as median and 99th percentile. The baseline in the same
// run sends the same bytes over loopback TCP to a minimal receiver that writes them to a file.
// Last, it measures the CPU time the server spends while connections sit idle: jobs holding
// their printers open, and jobs waiting for a busy printer.

#include "typestone/server/astcp_typestone.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"

#include "platform/net/socket_io.h"
#include "platform/net/tcp.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/folder_spooler.h"

#include "tests/support/host/job_request.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace platform::net;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

struct RunResult
{
    double seconds = 0;
    size_t jobs = 0;
    size_t failed = 0;
    std::vector<double> handshakeMs;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

void report(const char* what, const RunResult& r, size_t jobBytes)
{
    const double mb = static_cast<double>(r.jobs) * static_cast<double>(jobBytes) / (1024.0 * 1024.0);
    std::printf("%-34s %6zu jobs %4zu failed %8.1f jobs/s %8.1f MB/s", what, r.jobs, r.failed,
                static_cast<double>(r.jobs) / r.seconds, mb / r.seconds);
    if (!r.handshakeMs.empty())
        std::printf("   hand-shake median %.2f ms p99 %.2f ms", percentile(r.handshakeMs, 0.5),
                    percentile(r.handshakeMs, 0.99));
    std::printf("\n");
}

// One raw job the way a host sends it; the hand-shake time is connect to reply.
bool runJob(uint16_t port, const std::vector<uint8_t>& header, const std::vector<uint8_t>& data,
            double* handshakeMs)
{
    const auto t0 = Clock::now();
    SocketResult c = connectTcp(kLoopbackAddress, port, 10000);
    if (!c.ok() || !sendAll(c.socket, header.data(), header.size(), 10000).ok())
        return false;
    uint8_t reply[4];
    size_t got = 0;
    while (got < 4) {
        IoResult r = receiveSome(c.socket, reply + got, 4 - got, 120000);
        if (!r.ok())
            return false;
        got += r.bytes;
    }
    *handshakeMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (reply[0] != 0 || reply[1] != 0)
        return false;
    SocketResult d = connectTcp(kLoopbackAddress, static_cast<uint16_t>(reply[2] | (reply[3] << 8)), 10000);
    if (!d.ok())
        return false;
    for (size_t off = 0; off < data.size(); off += 65536)
        if (!sendAll(c.socket, data.data() + off, std::min<size_t>(65536, data.size() - off), 10000).ok())
            return false;
    shutdownSend(c.socket);
    d.socket.close();
    uint8_t byte;
    return receiveSome(c.socket, &byte, 1, 120000).status == IoStatus::PeerClosed;
}

RunResult loadTypestone(uint16_t port, size_t hosts, size_t jobsPerHost, const std::vector<uint8_t>& data,
                        bool onePrinter)
{
    RunResult result;
    std::mutex mutex;
    std::vector<std::thread> threads;
    const auto t0 = Clock::now();
    for (size_t h = 0; h < hosts; ++h) {
        threads.emplace_back([&, h] {
            valdor::JobRequest request;
            request.printer = onePrinter ? "P0" : "P" + std::to_string(h);
            request.options = valdor::kOptionRaw;
            const std::vector<uint8_t> header = valdor::buildHeader(request);
            for (size_t j = 0; j < jobsPerHost; ++j) {
                double ms = 0;
                const bool ok = runJob(port, header, data, &ms);
                std::lock_guard<std::mutex> lock(mutex);
                ++(ok ? result.jobs : result.failed);
                if (ok)
                    result.handshakeMs.push_back(ms);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return result;
}

// The baseline: a receiver that copies each connection straight into a file of its own.
RunResult loadBaseline(const std::string& dir, size_t hosts, size_t jobsPerHost,
                       const std::vector<uint8_t>& data)
{
    SocketResult listener = listenTcp(kLoopbackAddress, 0, 128, false);
    std::atomic<bool> stop{false};
    std::atomic<size_t> fileNo{0};
    std::vector<std::thread> receivers;
    std::mutex recvMutex;
    std::thread acceptor([&] {
        while (!stop) {
            AcceptResult a = acceptWithin(listener.socket, 100, &stop);
            if (!a.ok())
                continue;
            std::lock_guard<std::mutex> lock(recvMutex);
            receivers.emplace_back([&, s = std::make_shared<Socket>(std::move(a.socket))] {
                std::ofstream out(dir + "/base-" + std::to_string(fileNo++), std::ios::binary);
                std::vector<char> buf(256 * 1024);
                for (;;) {
                    IoResult r = receiveSome(*s, buf.data(), buf.size(), 120000);
                    if (!r.ok())
                        break;
                    out.write(buf.data(), static_cast<std::streamsize>(r.bytes));
                }
            });
        }
    });

    RunResult result;
    std::mutex mutex;
    std::vector<std::thread> threads;
    const auto t0 = Clock::now();
    for (size_t h = 0; h < hosts; ++h) {
        threads.emplace_back([&] {
            for (size_t j = 0; j < jobsPerHost; ++j) {
                SocketResult c = connectTcp(kLoopbackAddress, listener.local.port, 10000);
                bool ok = c.ok();
                for (size_t off = 0; ok && off < data.size(); off += 65536)
                    ok = sendAll(c.socket, data.data() + off, std::min<size_t>(65536, data.size() - off),
                                 10000)
                             .ok();
                std::lock_guard<std::mutex> lock(mutex);
                ++(ok ? result.jobs : result.failed);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    stop = true;
    acceptor.join();
    for (auto& t : receivers)
        t.join();
    result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return result;
}

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Opens `count` jobs and leaves them idle: `count` hosts with their printer open and no data,
// or one running job and count-1 waiting for the same printer.
void measureIdle(uint16_t port, size_t count, bool waiting)
{
    std::vector<Socket> controls;
    std::vector<Socket> datas;
    for (size_t i = 0; i < count; ++i) {
        valdor::JobRequest request;
        request.printer = waiting ? "P0" : "P" + std::to_string(i);
        request.options = valdor::kOptionRaw;
        const std::vector<uint8_t> header = valdor::buildHeader(request);
        SocketResult c = connectTcp(kLoopbackAddress, port, 10000);
        sendAll(c.socket, header.data(), header.size(), 10000);
        if (!waiting || i == 0) {
            uint8_t reply[4] = {};
            size_t got = 0;
            while (got < 4) {
                IoResult r = receiveSome(c.socket, reply + got, 4 - got, 10000);
                if (!r.ok())
                    break;
                got += r.bytes;
            }
            SocketResult d =
                connectTcp(kLoopbackAddress, static_cast<uint16_t>(reply[2] | (reply[3] << 8)), 10000);
            datas.push_back(std::move(d.socket));
        }
        controls.push_back(std::move(c.socket));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // let the hand-shakes settle
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double cpu = cpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("idle: %3zu connections %-28s CPU %.1f ms per second of wall time (%.3f%% of one core)\n",
                count, waiting ? "(1 printing, rest waiting)" : "(all printing, no data)", cpu * 1000 / wall,
                cpu * 100 / wall);
    for (auto& c : controls)
        shutdownSend(c);
    datas.clear();
    controls.clear();
}

} // namespace

int main(int argc, char** argv)
{
    const size_t hosts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const size_t jobBytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024 * 1024;
    const size_t jobsPerHost = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 10;

    std::string dir = (fs::temp_directory_path() / "ts-bench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 1;
    setenv("TYPESTONE_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
    platform::SettingsStore::resetShared();
    std::string error;
    auto folder = platform::spooler::FolderSpooler::open(dir + "/spool", &error);
    if (!folder) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const size_t printers = std::max<size_t>(hosts, 64);
    for (size_t i = 0; i < printers; ++i)
        folder->addPrinter("P" + std::to_string(i), &error);

    typestone::CPrinter config(folder.get());
    config.RefreshAndSave(); // every printer shared, no password
    typestone::JobSequencer jobs;
    jobs.StartPrtJobSequencer();
    typestone::JobContext context(*folder, config, jobs);
    {
        SocketResult probe = listenTcp(kLoopbackAddress, 0, 1, false);
        context.auxPort = probe.local.port;
    }
    typestone::CASTCPTypestone server(context);
    if (!server.Listen(kLoopbackAddress, 0, &error) || !server.Start()) {
        std::fprintf(stderr, "listen: %s\n", error.c_str());
        return 1;
    }

    std::vector<uint8_t> data(jobBytes);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + (i >> 9));

    std::printf("%zu hosts x %zu jobs of %zu bytes\n", hosts, jobsPerHost, jobBytes);
    report("baseline: loopback TCP to a file", loadBaseline(dir, hosts, jobsPerHost, data), jobBytes);
    report("typestone: one printer per host", loadTypestone(server.Port(), hosts, jobsPerHost, data, false),
           jobBytes);
    report("typestone: all hosts, one printer", loadTypestone(server.Port(), hosts, jobsPerHost, data, true),
           jobBytes);
    server.WaitIdle(60000);

    measureIdle(server.Port(), 50, false);
    server.WaitIdle(60000);
    measureIdle(server.Port(), 50, true);

    server.Stop();
    jobs.StopPrtJobSequencer();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
