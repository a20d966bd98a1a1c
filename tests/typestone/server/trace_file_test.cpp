#include "trace_fixture.h"

#include "typestone/server/version.h"

#include <chrono>
#include <regex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using typestone::TraceSettings;

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

const std::string kHeaderStart = "\n***********************\nTypestone Server\nVersion ";

TEST_F(TraceTest, HeaderBlockOncePerRunEmptiesWithoutAsking)
{
    writeFile(trz, "old run");
    TraceSettings::setTrzLevel(0x12);
    TraceSettings::setTracerOn(true);
    TRZ_Printf("\none");
    TRZ_Printf("\ntwo");
    const std::string text = readFile(trz);
    EXPECT_EQ(text.rfind(kHeaderStart, 0), 0u) << text;
    EXPECT_EQ(count(text, "Typestone Server\n"), 1u);
    EXPECT_EQ(text.find("old run"), std::string::npos);
    EXPECT_TRUE(ui.boxes().empty());
    const std::string dashes(46, '-');
    for (const std::string& part :
         {"\n***********************\n" + dashes + "\n" + dashes + "\n\nLog Start : ",
          std::string("\nTracing Level = 0x00000012\nTiming = FALSE\nExtended Debugging = FALSE\n\n") +
              dashes + "\n" + dashes + "\n\nMachine Information **************",
          std::string("\n------------------\none\ntwo")})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    std::string version;
    EXPECT_EQ(text.find(FormatVersion(version)), kHeaderStart.size() - 8);
}

TEST_F(TraceTest, SwitchingTheTracerOnAsksBeforeEmptying)
{
    startTracing(0);
    const std::string first = readFile(trz);

    ui->pushBoxAnswer(7); // No: keep the old run and append
    SetTracer(true);
    ASSERT_TRUE(typestone::TraceWriter::waitQuestion(5000)); // asked on a thread of its own
    std::string text = readFile(trz);
    EXPECT_EQ(text.rfind(first, 0), 0u);
    EXPECT_EQ(count(text, "Typestone Server\n"), 2u);
    const std::string stars = "\n**************************************************************";
    EXPECT_NE(text.find(stars + "\nSetTracer(ENABLE)" + stars + stars), std::string::npos) << text;
    auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        boxes[0].box.text,
        std::regex(
            "File '" + trz +
            R"(' already exists\n\(date=\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}\), size=\d+ (bytes|KBytes)\)\.\nOverwrite it \?)")))
        << boxes[0].box.text;

    ui->pushBoxAnswer(6); // Yes: a fresh file
    SetTracer(true);
    ASSERT_TRUE(typestone::TraceWriter::waitQuestion(5000));
    text = readFile(trz);
    EXPECT_EQ(text.rfind(kHeaderStart, 0), 0u);
    EXPECT_EQ(count(text, "Typestone Server\n"), 1u);
    EXPECT_EQ(ui.boxes().size(), 2u);

    SetTracer(false); // the end is written, then nothing more
    TRZ_Printf("\nafter");
    text = readFile(trz);
    EXPECT_NE(text.find("\nSetTracer(DISABLE)" + stars + stars), std::string::npos);
    EXPECT_EQ(text.find("after"), std::string::npos);
}

TEST_F(TraceTest, OverwriteQuestionHoldsNoLockAndLosesNoLine)
{
    writeFile(trz, "old run");
    TraceSettings::setExtendedDebug(true);
    TraceSettings::setTracerOn(true);
    ui->hold();
    std::thread asking([] { TRZ_Printf("\nfirst"); });
    ASSERT_TRUE(ui->waitForCalls(1, 5s));
    // Another thread writes while the question is open and is not kept waiting.
    std::thread other([] { TRZ_Printf("\nwhile asked"); });
    other.join();
    ui->pushBoxAnswer(6);
    ui->release();
    asking.join();
    ASSERT_TRUE(typestone::TraceWriter::waitQuestion(5000));
    const std::string text = readFile(trz);
    EXPECT_EQ(text.rfind(kHeaderStart, 0), 0u);
    EXPECT_EQ(text.find("old run"), std::string::npos);
    const size_t first = text.find("\nfirst");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("\nwhile asked", first), std::string::npos) << text;
}

TEST_F(TraceTest, ManyWritersKeepWholeLines)
{
    startTracing(0);
    TraceSettings::setTiming(true);
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            const std::string body(120, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i)
                TRZ_Printf("\n<%d-%d>%s</>", t, i, body.c_str());
        });
    for (std::thread& th : threads)
        th.join();
    const std::string text = afterHeader();
    const std::regex line(R"(\n\[[^\]]+\]\[Thread=[0-9A-F]{8}\]<(\d)-(\d+)>([a-h])+</>)");
    size_t whole = 0;
    size_t consumed = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it) {
        EXPECT_EQ(static_cast<size_t>(it->position()), consumed); // nothing between lines
        EXPECT_EQ((*it)[3].str()[0], 'a' + std::stoi((*it)[1].str()));
        consumed += static_cast<size_t>(it->length());
        ++whole;
    }
    EXPECT_EQ(whole, static_cast<size_t>(kThreads * kLines));
    EXPECT_EQ(consumed, text.size());
}

TEST_F(TraceTest, VersionText)
{
    std::string v;
    EXPECT_TRUE(std::regex_match(
        FormatVersion(v),
        std::regex(R"(Version 2\.42\.00 \[[A-Z][a-z]{2} [ \d]\d \d{4} - \d{2}:\d{2}:\d{2}\] )")))
        << v;
}

} // namespace
