// bench_jobs [hosts] [job bytes] [jobs per host]
// bench_jobs --port PORT --pid PID [--idle N] [hosts] [job bytes] [jobs per host]
// bench_jobs --port PORT --pid PID --interpreted N
//
// Plays `hosts` VALDOR hosts at once, each sending `jobs per host` raw jobs of `job bytes`,
// first to one folder printer each, then all to one printer, and reports jobs/s, MB/s and the
// hand-shake latency (connect to reply) as median, 99th percentile and worst. The baseline in
// the same run sends the same bytes over loopback TCP to a minimal receiver that writes each
// job into a file of its own as it arrives and flushes it to disk (as the folder spooler does).
// Last, it measures the CPU time the server spends while connections sit idle: jobs holding
// their printers open, and jobs waiting for a busy printer.
//
// Without --port the job server runs inside this program. With --port the hosts go to the real
// program listening there (process PID, printer folders P0, P1, ...; bench/jobs/run.sh starts
// it); each case then runs three rounds and the median round is reported, with the server's CPU
// time per job, and for the idle connections its context switches per second over 30 s. The
// baseline's rounds and the program's take turns.
// With --interpreted N it only sends N one-page text jobs to be interpreted, one after the
// other, and reports the first one's time (a fresh server's) beside the next ones'.

#include "typestone/server/astcp_typestone.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"

#include "platform/fileio/file.h"
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
#include <sstream>
#include <string>
#include <thread>
#include <utility>
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
    double serverCpuMs = -1; // the server's CPU time over the round (external server only)
};

// The real program under test, when there is one.
struct External
{
    uint16_t port = 0;
    int pid = 0;
};

// utime + stime of a process in milliseconds, from /proc; -1 when unreadable.
double processCpuMs(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line))
        return -1;
    const size_t close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    double utime = 0;
    double stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::atof(field.c_str());
        if (i == 15) {
            stime = std::atof(field.c_str());
            break;
        }
    }
    return (utime + stime) * 1000.0 / 100.0; // USER_HZ is 100 on Linux
}

// Voluntary and involuntary context switches of every thread of a process.
long processContextSwitches(int pid)
{
    long total = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::atol(line.substr(line.find(':') + 1).c_str());
    }
    return total;
}

// The system's count of connections dropped because a listen queue was full.
long listenOverflows()
{
    std::ifstream in("/proc/net/netstat");
    std::string names;
    std::string values;
    while (std::getline(in, names) && std::getline(in, values)) {
        if (names.rfind("TcpExt:", 0) != 0)
            continue;
        std::istringstream n(names);
        std::istringstream v(values);
        std::string name;
        std::string value;
        while (n >> name && v >> value)
            if (name == "ListenOverflows")
                return std::atol(value.c_str());
    }
    return -1;
}

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
        std::printf("   hand-shake median %.2f ms p99 %.2f ms max %.1f ms", percentile(r.handshakeMs, 0.5),
                    percentile(r.handshakeMs, 0.99), percentile(r.handshakeMs, 1.0));
    if (r.serverCpuMs >= 0 && r.jobs > 0)
        std::printf("   server CPU %.3f ms/job", r.serverCpuMs / static_cast<double>(r.jobs));
    std::printf("\n");
    std::fflush(stdout);
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
                        bool onePrinter, int serverPid = 0)
{
    RunResult result;
    std::mutex mutex;
    std::vector<std::thread> threads;
    const double cpu0 = serverPid ? processCpuMs(serverPid) : -1;
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
    if (serverPid)
        result.serverCpuMs = processCpuMs(serverPid) - cpu0;
    return result;
}

// The baseline's one job: each piece written to a file as it arrives, the file flushed to disk
// and renamed when the host has closed, as a spooler that streams does.
bool receiveToFile(const Socket& s, const std::string& path)
{
    const std::string part = path + ".part";
    platform::fileio::File file;
    if (!file.openWriteExclusive(part))
        return false;
    std::vector<char> buf(256 * 1024);
    bool ok = true;
    for (;;) {
        IoResult r = receiveSome(s, buf.data(), buf.size(), 120000);
        if (!r.ok()) {
            ok = r.status == IoStatus::PeerClosed;
            break;
        }
        if (!file.write(buf.data(), r.bytes)) {
            ok = false;
            break;
        }
    }
    ok = ok && file.sync();
    file.close();
    std::error_code ec;
    if (ok)
        fs::rename(part, path, ec);
    fs::remove(part, ec);
    return ok && !ec;
}

// The baseline: a receiver that takes each connection on a thread of its own, writes the job
// into a file, flushes it to disk and closes the connection; the host waits for that close, as
// it waits for the server's.
RunResult loadBaseline(const std::string& dir, size_t hosts, size_t jobsPerHost,
                       const std::vector<uint8_t>& data)
{
    SocketResult listener = listenTcp(kLoopbackAddress, 0, 4096, false);
    std::atomic<bool> stop{false};
    std::atomic<size_t> fileNo{0};
    std::atomic<size_t> running{0};
    std::thread acceptor([&] {
        while (!stop) {
            AcceptResult a = acceptWithin(listener.socket, 100, &stop);
            if (!a.ok())
                continue;
            ++running;
            std::thread([&, s = std::make_shared<Socket>(std::move(a.socket))] {
                // Kept until the round's end and then removed together, as the printer
                // folders are: both leave the file system the same work of freed files.
                const std::string path = dir + "/base-" + std::to_string(fileNo++);
                receiveToFile(*s, path);
                s->close();
                --running;
            }).detach();
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
                if (ok) {
                    shutdownSend(c.socket);
                    uint8_t byte;
                    ok = receiveSome(c.socket, &byte, 1, 120000).status == IoStatus::PeerClosed;
                }
                std::lock_guard<std::mutex> lock(mutex);
                ++(ok ? result.jobs : result.failed);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    stop = true;
    acceptor.join();
    while (running > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return result;
}

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Opens `count` jobs and leaves them idle: `count` hosts with their printer open and no data,
// or one running job and count-1 waiting for the same printer.
void measureIdle(uint16_t port, size_t count, bool waiting, int serverPid = 0, int seconds = 3)
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
    const double cpu0 = serverPid ? processCpuMs(serverPid) / 1000 : cpuSeconds();
    const long switches0 = serverPid ? processContextSwitches(serverPid) : 0;
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = (serverPid ? processCpuMs(serverPid) / 1000 : cpuSeconds()) - cpu0;
    const long switches = serverPid ? processContextSwitches(serverPid) - switches0 : 0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("idle: %3zu connections %-28s CPU %.2f ms per second of wall time (%.3f%% of one core)",
                count, waiting ? "(1 printing, rest waiting)" : "(all printing, no data)", cpu * 1000 / wall,
                cpu * 100 / wall);
    if (serverPid)
        std::printf(", %.2f context switches per second over %.0f s", static_cast<double>(switches) / wall,
                    wall);
    std::printf("\n");
    std::fflush(stdout);
    for (auto& c : controls)
        shutdownSend(c);
    datas.clear();
    controls.clear();
}

// The first jobs a fresh server interprets, one after the other, each a page of text: the
// time from connect to the server's close (the job interpreted and handed to the printer).
// The first job pays what the server sets up once; the next ones show the usual cost.
int measureInterpreted(uint16_t port, size_t jobs)
{
    valdor::JobRequest request;
    request.printer = "P0";
    request.docName = "first-job";
    const std::vector<uint8_t> header = valdor::buildHeader(request);
    std::string page;
    for (int line = 0; line < 58; ++line)
        page += "Line " + std::to_string(line + 1) + " of the first page, in the host's own words.\r\n";
    page += "\f";
    const std::vector<uint8_t> data(page.begin(), page.end());
    std::vector<double> ms;
    for (size_t i = 0; i < jobs; ++i) {
        const auto t0 = Clock::now();
        double handshake = 0;
        if (!runJob(port, header, data, &handshake)) {
            std::fprintf(stderr, "interpreted job %zu failed\n", i + 1);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::vector<double> next(ms.begin() + 1, ms.end());
    std::printf("interpreted one-page jobs on a fresh server: first %.1f ms", ms[0]);
    if (!next.empty())
        std::printf(", next %zu: median %.1f ms, worst %.1f ms", next.size(), percentile(next, 0.5),
                    percentile(next, 1.0));
    std::printf("\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

double jobsPerSecond(const RunResult& r)
{
    return static_cast<double>(r.jobs) / r.seconds;
}

// The median of three rounds (by jobs per second).
RunResult medianRound(std::vector<RunResult> rounds)
{
    std::sort(rounds.begin(), rounds.end(),
              [](const RunResult& a, const RunResult& b) { return jobsPerSecond(a) < jobsPerSecond(b); });
    return rounds[1];
}

// Three rounds of one case, the median one reported.
template <typename Round> RunResult medianOfThree(Round round)
{
    std::vector<RunResult> rounds;
    for (int i = 0; i < 3; ++i)
        rounds.push_back(round());
    return medianRound(std::move(rounds));
}

// Three rounds of the baseline and of the program, taking turns, so that both meet the disk in
// the same state (its write-back and the files freed a moment ago move its speed by 2x within
// minutes); the median round of each.
template <typename Base, typename Program>
std::pair<RunResult, RunResult> alternating(Base base, Program program, std::vector<double>* ratios)
{
    std::vector<RunResult> baseRounds;
    std::vector<RunResult> programRounds;
    for (int i = 0; i < 3; ++i) {
        baseRounds.push_back(base());
        programRounds.push_back(program());
        ratios->push_back(jobsPerSecond(programRounds.back()) / jobsPerSecond(baseRounds.back()));
    }
    return {medianRound(std::move(baseRounds)), medianRound(std::move(programRounds))};
}

// Removes the receiver's files of a round.
void clearFolder(const std::string& dir)
{
    std::error_code ec;
    for (const auto& file : fs::directory_iterator(dir, ec))
        if (file.path().filename().string().rfind("base-", 0) == 0)
            fs::remove(file.path(), ec);
}

// Removes the finished jobs of the printer folders, so that long runs do not fill the disk.
void clearSpool(const std::string& spool)
{
    if (spool.empty())
        return;
    std::error_code ec;
    for (const auto& printer : fs::directory_iterator(spool, ec))
        for (const auto& file : fs::directory_iterator(printer.path(), ec))
            if (file.path().extension() == ".prn" || file.path().extension() == ".info")
                fs::remove(file.path(), ec);
}

int runExternal(const External& server, const std::string& spool, size_t hosts, size_t jobBytes,
                size_t jobsPerHost, size_t idle)
{
    std::string dir = (fs::temp_directory_path() / "ts-bench-XXXXXX").string();
    if (!mkdtemp(dir.data()))
        return 1;
    std::vector<uint8_t> data(jobBytes);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + (i >> 9));

    std::printf("%zu hosts x %zu jobs of %zu bytes, real program pid %d port %u, medians of 3 rounds\n",
                hosts, jobsPerHost, jobBytes, server.pid, static_cast<unsigned>(server.port));
    // Before anything else, while the store is fresh: the first job's hand-shake, then the next.
    {
        valdor::JobRequest request;
        request.printer = "P0";
        request.options = valdor::kOptionRaw;
        const std::vector<uint8_t> header = valdor::buildHeader(request);
        double first = -1;
        double next = -1;
        if (runJob(server.port, header, data, &first) && runJob(server.port, header, data, &next))
            std::printf("fresh store: first job's hand-shake %.2f ms, the next one's %.2f ms\n", first, next);
        clearSpool(spool);
    }
    std::vector<double> ratios;
    long overflows = 0;
    const auto [base, spread] = alternating(
        [&] {
            RunResult r = loadBaseline(dir, hosts, jobsPerHost, data);
            clearFolder(dir);
            return r;
        },
        [&] {
            const long before = listenOverflows();
            RunResult r = loadTypestone(server.port, hosts, jobsPerHost, data, false, server.pid);
            overflows += listenOverflows() - before;
            clearSpool(spool);
            return r;
        },
        &ratios);
    report("baseline: receiver with fsync", base, jobBytes);
    report("typestone: one printer per host", spread, jobBytes);
    std::printf("ratio to the baseline %.2f (round by round %.2f, %.2f, %.2f); listen-queue overflows of the "
                "system during the program's 3 rounds: %ld\n",
                jobsPerSecond(spread) / jobsPerSecond(base), ratios[0], ratios[1], ratios[2], overflows);
    if (hosts > 1) {
        const RunResult one = medianOfThree([&] {
            RunResult r = loadTypestone(server.port, hosts, jobsPerHost, data, true, server.pid);
            clearSpool(spool);
            return r;
        });
        report("typestone: all hosts, one printer", one, jobBytes);
    }
    if (idle > 0) {
        measureIdle(server.port, idle, false, server.pid, 30);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        measureIdle(server.port, idle, true, server.pid, 30);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        clearSpool(spool);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}

int main(int argc, char** argv)
{
    External external;
    std::string spool;
    size_t idle = 0;
    size_t interpreted = 0;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc)
            external.port = static_cast<uint16_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--pid" && i + 1 < argc)
            external.pid = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
        else if (arg == "--spool" && i + 1 < argc)
            spool = argv[++i];
        else if (arg == "--idle" && i + 1 < argc)
            idle = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--interpreted" && i + 1 < argc)
            interpreted = std::strtoul(argv[++i], nullptr, 10);
        else
            positional.push_back(argv[i]);
    }
    const size_t hosts = positional.size() > 0 ? std::strtoul(positional[0], nullptr, 10) : 8;
    const size_t jobBytes = positional.size() > 1 ? std::strtoul(positional[1], nullptr, 10) : 1024 * 1024;
    const size_t jobsPerHost = positional.size() > 2 ? std::strtoul(positional[2], nullptr, 10) : 10;
    if (external.port != 0 && interpreted > 0)
        return measureInterpreted(external.port, interpreted);
    if (external.port != 0)
        return runExternal(external, spool, hosts, jobBytes, jobsPerHost, idle);

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
    report("baseline: receiver with fsync", loadBaseline(dir, hosts, jobsPerHost, data), jobBytes);
    clearFolder(dir);
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
