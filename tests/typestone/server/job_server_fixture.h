#pragma once
// A job server on 127.0.0.1 over a folder spooler, with the pieces the application object will
// own: the shared-printer configuration, the sequencer and the job context. The job port and
// each job's data port are ones the system picks when the server binds them (the data port is
// named in the job's reply), so no test chooses a number that someone else may take first.

#include "job_test_env.h"

#include "typestone/server/astcp_typestone.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"

#include "platform/net/socket.h"
#include "platform/net/socket_results.h"

#include "tests/support/host/job_request.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace jobtest {

class JobServerFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The printer's configuration as the share dialog would leave it.
    void configure(const std::string& printer, bool shared, const std::string& password);
    std::vector<uint8_t> header(const std::string& printer, const std::string& password = "") const;
    std::string spoolRoot() { return env.folder().root(); }
    // Job log and core trace on, for this test (TearDown switches them off again).
    void logAndTrace();

    JobTestEnv env;
    std::unique_ptr<ScriptedSpooler> spooler;
    std::unique_ptr<typestone::CPrinter> printers;
    std::unique_ptr<typestone::JobSequencer> jobs;
    std::unique_ptr<typestone::JobContext> context;
    std::unique_ptr<typestone::CASTCPTypestone> server;
    uint16_t port = 0;
};

// Waits (bounded) until a file in `dir` whose name ends with `suffix` holds `size` bytes: the
// server has taken what a host sent.
bool waitFileSize(const std::string& dir, const std::string& suffix, size_t size);

// A host driven step by step, for the tests that hold a job open.
struct StepHost
{
    platform::net::Socket control;
    platform::net::Socket data;
    uint16_t code = 0xFFFF;
    uint16_t dataPort = 0;

    bool connectAndSend(uint16_t port, const std::vector<uint8_t>& header);
    // False when no complete reply came within the time.
    bool readReply(int timeoutMs);
    bool openData();
    bool send(const std::string& bytes);
    // Ends the job in order and waits (bounded) for the server's close.
    bool finish(int timeoutMs);
    // True when the server closed the control connection within the time.
    bool waitServerClose(int timeoutMs);
    // True when the server's end of the control connection came as a reset within the time.
    bool waitServerReset(int timeoutMs);

private:
    // Reads (and drops) what the server sends until its end or the time: the last result.
    platform::net::IoResult waitServerEnd(int timeoutMs);
};

} // namespace jobtest
