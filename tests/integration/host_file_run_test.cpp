// The real program prints a file that lives on the host: the first job fetches it over its
// data connection, the second finds it in the cache and asks the host nothing.

#include "server_run_fixture.h"

#include "tests/typestone/engine/esc_block_builder.h"

namespace {

using namespace runtest;

constexpr uint16_t kRead = 801;

std::string printFileBlock(const std::string& name, const valdor::HostFile& file)
{
    std::string params(24, '\0');
    const uint32_t date = file.date;
    const auto size = uint32_t(file.bytes.size());
    for (int i = 0; i < 4; ++i) {
        params[size_t(6 + 2 + i)] = char(date >> (8 * i));
        params[size_t(6 + 10 + i)] = char(size >> (8 * i));
    }
    return engine_test::escBlock(20, params + name + '\0');
}

std::vector<fs::path> pdfs(const fs::path& folder)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".pdf")
            out.push_back(e.path());
    return out;
}

size_t count(const std::vector<valdor::TranscriptEntry>& t, uint16_t command)
{
    return size_t(std::count_if(t.begin(), t.end(), [&](const auto& e) { return e.command == command; }));
}

TEST_F(ServerRunTest, AHostFileIsFetchedOnceAndThenPrintedFromTheCache)
{
    start();
    ASSERT_TRUE(waitUntilServing()) << output();

    valdor::HostFile form;
    const std::string text = "LINE FROM THE HOST\r\nSECOND HOST LINE\r\n";
    form.bytes.assign(text.begin(), text.end());
    form.date = 1700000000;
    valdor::HostOptions options;
    options.serveHostFiles = true;
    options.hostFiles["/u/forms/FORM.TXT:C"] = form;
    options.closeTimeoutMs = 60000;

    valdor::JobRequest job;
    job.printer = "Printer1";
    job.docName = "with a host file";
    const std::string stream = "BEFORE\r\n" + printFileBlock("/u/forms/FORM.TXT:C", form) + "AFTER\r\n";
    const std::vector<uint8_t> data(stream.begin(), stream.end());

    const fs::path cached = dir / "cache/typestone/Cache/FORM.TXT";
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first job" : "second job");
        const valdor::HostResult result =
            valdor::HostSimulator(options).run("127.0.0.1", tcp, valdor::buildHeader(job), data);
        ASSERT_TRUE(result.error.empty()) << result.error << output();
        EXPECT_EQ(result.replyCode, valdor::ReplyAccepted);
        EXPECT_TRUE(result.serverClosed);
        EXPECT_FALSE(result.serverReset) << output();
        EXPECT_EQ(count(result.fileRequests, kRead), round == 0 ? 1u : 0u);
        if (round == 1) {
            EXPECT_TRUE(result.fileRequests.empty());
        }
        std::vector<fs::path> printed;
        for (int i = 0; i < 200 && printed.size() < size_t(round + 1); ++i) {
            printed = pdfs(dir / "spool/Printer1");
            if (printed.size() < size_t(round + 1))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(printed.size(), size_t(round + 1));
        ASSERT_TRUE(fs::exists(cached)) << output();
        std::ifstream in(cached, std::ios::binary);
        const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(got, text);
    }
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(30000));
}

} // namespace
