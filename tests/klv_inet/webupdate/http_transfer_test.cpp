#include "klv_inet/webupdate/http_transfer.h"

#include "../support/temp_env.h"
#include "loopback_http_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using testsupport::HttpResponse;
using testsupport::LoopbackHttpServer;

namespace {

class HttpTransfer : public ::testing::Test
{
protected:
    TempEnv env;
    LoopbackHttpServer server;
    std::string file = env.path("out.bin");
};

} // namespace

TEST_F(HttpTransfer, DownloadCases)
{
    ASSERT_TRUE(server.ok());
    const std::string body(5000, 'x');
    server.serve("/ok", testsupport::page(200, body));
    HttpResponse noLength = testsupport::page(200, body);
    noLength.contentLength = false;
    server.serve("/nolength", noLength);
    server.serve("/missing", testsupport::page(404, "<html>gone</html>"));
    server.serve("/broken", testsupport::page(500, "<html>oops</html>"));
    HttpResponse early = testsupport::page(200, std::string(100, 'y'));
    early.closeEarly = true;
    early.announcedLength = 1000;
    server.serve("/early", early);
    HttpResponse redirect = testsupport::page(302, "");
    redirect.location = server.url("/ok");
    server.serve("/moved", redirect);

    struct Case
    {
        const char* path;
        uint64_t expected;
        int code;
        uint64_t received;
        bool fileMade;
    };
    const Case cases[] = {
        {"/ok", 0, klv::kDlOk, 5000, true},
        {"/nolength", 0, klv::kDlOk, 5000, true},        // no length, nothing expected: never short
        {"/nolength", 9000, klv::kDlShort, 5000, false}, // the update file's size still counts
        {"/missing", 0, klv::kDlInternet, 0, false},
        {"/broken", 0, klv::kDlInternet, 0, false},
        {"/early", 0, klv::kDlShort, 100, false},
        {"/moved", 0, klv::kDlOk, 5000, true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        klv::DownloadOptions o;
        o.expectedSize = c.expected;
        o.agent = "agent-x";
        const klv::DownloadResult r = klv::httpDownload(server.url(c.path), file, o);
        EXPECT_EQ(r.code, c.code) << c.path << ": " << r.error;
        EXPECT_EQ(r.received, c.received) << c.path;
        EXPECT_EQ(std::filesystem::exists(file), c.fileMade) << c.path;
        EXPECT_FALSE(std::filesystem::exists(file + ".part")) << c.path;
        EXPECT_NE(r.error.find("-(DLoaded:" + std::to_string(r.received)), std::string::npos) << r.error;
        if (c.fileMade) {
            EXPECT_EQ(readFile(file), body);
        }
    }
    const auto reqs = server.requests();
    ASSERT_FALSE(reqs.empty());
    EXPECT_EQ(reqs[0].method, "GET");
    EXPECT_EQ(reqs[0].headers.at("accept-encoding"), "identity");
    EXPECT_EQ(reqs[0].headers.at("user-agent"), "agent-x");
}

TEST_F(HttpTransfer, ErrorPageNeverReplacesAnExistingFile)
{
    server.serve("/missing", testsupport::page(404, "<html>gone</html>"));
    writeFile(file, "old update file");
    const klv::DownloadResult r = klv::httpDownload(server.url("/missing"), file, {});
    EXPECT_EQ(r.code, klv::kDlInternet);
    EXPECT_EQ(r.httpStatus, 404);
    EXPECT_EQ(readFile(file), "old update file");
}

TEST_F(HttpTransfer, NotHttpIsCodeOneWithItsText)
{
    const klv::DownloadResult r = klv::httpDownload("ftp://127.0.0.1/x", file, {});
    EXPECT_EQ(r.code, klv::kDlNotHttp);
    EXPECT_EQ(r.error,
              "(szURL:ftp://127.0.0.1/x)->Error: Exiting with CKDRException(1)-(DLoaded:0, Total:0)");
    EXPECT_FALSE(klv::isHttpUrl("file:///etc/passwd"));
    EXPECT_TRUE(klv::isHttpUrl("https://example.org/u.txt"));
}

TEST_F(HttpTransfer, MergeAppendsBehindTheBanner)
{
    server.serve("/two", testsupport::page(200, "[B]\r\nk=2\r\n"));
    writeFile(file, "[A]\r\nk=1\r\n");
    klv::DownloadOptions o;
    o.fresh = false;
    const klv::DownloadResult r = klv::httpDownload(server.url("/two"), file, o);
    ASSERT_EQ(r.code, 0) << r.error;
    EXPECT_EQ(readFile(file), "[A]\r\nk=1\r\n\r\n\r\n*********************** Merging with '" +
                                  server.url("/two") +
                                  "' file ***********************\r\n\r\n[B]\r\nk=2\r\n");
}

TEST_F(HttpTransfer, CancelEndsASlowTrickle)
{
    HttpResponse slow = testsupport::page(200, std::string(100000, 'z'));
    slow.trickleBytes = 10;
    slow.trickleDelayMs = 50;
    server.serve("/slow", slow);
    const auto start = std::chrono::steady_clock::now();
    klv::DownloadOptions o;
    uint64_t seen = 0;
    o.progress = [&](uint64_t received, uint64_t) { seen = received; };
    o.cancelled = [&] { return seen >= 30; };
    const klv::DownloadResult r = klv::httpDownload(server.url("/slow"), file, o);
    EXPECT_EQ(r.code, klv::kDlCancelled);
    EXPECT_EQ(r.error.rfind("User Canceled", 0), 0u) << r.error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(HttpTransfer, StallTimeOutEndsTheWait)
{
    HttpResponse slow = testsupport::page(200, std::string(1000, 'z'));
    slow.trickleBytes = 1;
    slow.trickleDelayMs = 3000;
    server.serve("/stall", slow);
    klv::DownloadOptions o;
    o.stallTimeoutMs = 300;
    const auto start = std::chrono::steady_clock::now();
    const klv::DownloadResult r = klv::httpDownload(server.url("/stall"), file, o);
    EXPECT_EQ(r.code, klv::kDlInternet);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(HttpTransfer, PostDeliveredOnlyWith2xx)
{
    server.serve("/ok", testsupport::page(200, "thanks"));
    server.serve("/fail", testsupport::page(500, "no"));
    int status = 0;
    std::string error;
    EXPECT_TRUE(klv::httpPost(server.url("/ok?a,b"), "Na=J%20D", {}, &status, &error)) << error;
    EXPECT_EQ(status, 200);
    EXPECT_FALSE(klv::httpPost(server.url("/fail"), "Na=x", {}, &status, &error));
    EXPECT_EQ(status, 500);
    EXPECT_FALSE(klv::httpPost(server.url("/nowhere"), "Na=x", {}, &status, &error)); // 404
    const auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(reqs[0].method, "POST");
    EXPECT_EQ(reqs[0].target, "/ok?a,b");
    EXPECT_EQ(reqs[0].body, "Na=J%20D");
    EXPECT_EQ(reqs[0].headers.at("content-type"), "application/x-www-form-urlencoded");
}
