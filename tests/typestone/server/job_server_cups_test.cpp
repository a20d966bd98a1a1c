// A raw job through the job server to a queue of a private cupsd, byte for byte.

#include "job_server_fixture.h"

#include "typestone/server/astcp_typestone.h"
#include "typestone/server/job_context.h"
#include "typestone/server/job_sequencer.h"
#include "typestone/server/printer_config.h"

#include "platform/net/endpoint.h"
#include "platform/spooler/cups_spooler.h"

#include "tests/support/cupsd/private_cupsd.h"
#include "tests/support/host/host_simulator.h"

#include <gtest/gtest.h>

using ts::support::PrivateCupsd;

class JobServerCupsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        std::string why;
        if (!PrivateCupsd::available(&why)) {
            s_why = why;
            return;
        }
        s_cupsd = PrivateCupsd::start(&s_why).release();
        if (s_cupsd && !s_cupsd->addRawQueue("tsraw", &s_why)) {
            delete s_cupsd;
            s_cupsd = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete s_cupsd;
        s_cupsd = nullptr;
    }
    void SetUp() override
    {
        if (!s_cupsd) {
            if (PrivateCupsd::mustRun())
                FAIL() << "no private cupsd: " << s_why;
            GTEST_SKIP() << "no private cupsd here: " << s_why;
        }
    }

    static PrivateCupsd* s_cupsd;
    static std::string s_why;
};

PrivateCupsd* JobServerCupsTest::s_cupsd = nullptr;
std::string JobServerCupsTest::s_why;

TEST_F(JobServerCupsTest, RawJobReachesTheQueueUnchanged)
{
    jobtest::JobTestEnv env;
    platform::spooler::CupsSpooler cups;
    typestone::CPrinter printers(&cups);
    typestone::JobSequencer jobs;
    jobs.StartPrtJobSequencer();
    typestone::JobContext context(cups, printers, jobs);
    context.auxPort = 0; // each job's data port is picked by the system and named in the reply
    typestone::CASTCPTypestone server(context);
    std::string error;
    ASSERT_TRUE(server.Listen(platform::net::kLoopbackAddress, 0, &error)) << error;
    ASSERT_TRUE(server.Start());

    std::vector<uint8_t> data(200000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>((i * 7919u) >> 3);
    valdor::JobRequest request;
    request.printer = "tsraw";
    request.options = valdor::kOptionRaw;
    valdor::HostResult r = valdor::HostSimulator().run(platform::net::kLoopbackAddress, server.Port(),
                                                       valdor::buildHeader(request), data);
    ASSERT_EQ(r.replyCode, 0) << r.error;
    ASSERT_TRUE(r.dataSent && r.serverClosed) << r.error;

    std::string received;
    ASSERT_TRUE(s_cupsd->waitForBytes("tsraw", data.size(), 30000, &received)) << s_cupsd->logTail();
    EXPECT_TRUE(received == std::string(data.begin(), data.end())) << received.size() << " bytes arrived";
    server.Stop();
    jobs.StopPrtJobSequencer();
}
