#pragma once
// A private CUPS scheduler for tests: its own cupsd in a fresh temporary folder, listening on a
// local socket and a free port of 127.0.0.1, with raw queues whose "printer" is a receiver of
// ours. Starting it points libcups at it (CUPS_SERVER and cupsSetServer for the calling
// thread); the destructor stops cupsd and removes the folder.
//
// Typical use, one scheduler per test suite:
//   static void SetUpTestSuite() { s_cupsd = PrivateCupsd::start(&s_why); ... addRawQueue ... }
//   void SetUp() override { if (!s_cupsd) { if (PrivateCupsd::mustRun()) FAIL() << s_why;
//                                           GTEST_SKIP() << s_why; } }

#include "tests/support/cupsd/queue_receiver.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ts::support {

class PrivateCupsd
{
public:
    // True when cupsd and lpadmin are installed and can be run here (as root); else the
    // reason in `why`.
    static bool available(std::string* why);

    // True when a missing scheduler must fail the tests instead of skipping them (CI=true).
    static bool mustRun();

    // Starts cupsd and waits (at most 10 s) until it answers on its socket.
    static std::unique_ptr<PrivateCupsd> start(std::string* error);
    ~PrivateCupsd();

    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    const std::string& dir() const { return m_dir; }
    const std::string& socketPath() const { return m_socketPath; }
    int port() const { return m_port; }

    // Creates the raw queue `name` (enabled, accepting) printing to a new receiver.
    bool addRawQueue(const std::string& name, std::string* error);

    // Creates the queue `name` like addRawQueue, described by the PPD text `ppd` (its media and
    // their imageable areas, say).
    bool addPpdQueue(const std::string& name, const std::string& ppd, std::string* error);

    // Makes `name` the server's default queue.
    bool setDefaultQueue(const std::string& name, std::string* error);

    // Sets queue defaults, each "option-default=value" (lpadmin -o).
    bool setQueueOptions(const std::string& name, const std::vector<std::string>& options,
                         std::string* error);

    // What queue `name`'s printer received so far.
    std::string received(const std::string& name) const;

    // Waits at most `timeoutMs` until `count` bytes reached queue `name`'s printer.
    bool waitForBytes(const std::string& name, size_t count, int timeoutMs, std::string* data) const;

    // Jobs of queue `name` not yet ended (pending, held or processing); -1 with `error` set
    // when the scheduler cannot be asked.
    int activeJobs(const std::string& name, std::string* error) const;

    // Waits at most `timeoutMs` until queue `name` has no active job.
    bool waitUntilIdle(const std::string& name, int timeoutMs, std::string* error) const;

    // The end of cupsd's error log, for failure messages.
    std::string logTail() const;

private:
    PrivateCupsd() = default;
    bool runTool(const std::vector<std::string>& args, std::string* error) const;
    bool addQueue(const std::string& name, const std::string& ppd, std::string* error);
    bool stop();

    std::string m_dir;
    std::string m_socketPath;
    int m_port = 0;
    int m_pid = -1;
    bool m_serverSet = false;
    bool m_hadServer = false;
    std::string m_previousServer;
    std::map<std::string, std::unique_ptr<QueueReceiver>> m_receivers;
};

} // namespace ts::support
