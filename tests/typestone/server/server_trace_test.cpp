#include "trace_fixture.h"

#include "typestone/server/trace_texts.h"

#include "platform/net/tcp.h"

#include <regex>

namespace {

using typestone::TraceSettings;

TEST_F(TraceTest, MaskTable)
{
    struct Case
    {
        uint32_t level;
        uint32_t mask;
        bool on;
    };
    const Case cases[] = {
        {0x2, 0, true},
        {0x2, 2, true},
        {0x2, 8, false},
        {0x2, 3, true},
        {0x2, 16, false},
        {0x2, 0x80000000, false},
        {0x80000008, 0x80000000, true},
        {0x80000008, 8, true},
        {0x80000008, 2, false},
        {0, 0, true},
        {0, 1, false},
    };
    for (const Case& c : cases) {
        TraceSettings::setTrzLevel(c.level);
        EXPECT_EQ(TRZ_IsOn(c.mask), c.on) << std::hex << c.level << " " << c.mask;
    }
}

TEST_F(TraceTest, LinePrefixByteForByte)
{
    startTracing(0xA);
    ASSERT_TRUE(TRZ_IsOn(2, true));
    TRZ_Printf("\n\nfirst %d", 1);
    ASSERT_TRUE(TRZ_IsOn(2));
    TRZ_Printf("\nsecond");
    ASSERT_TRUE(TRZ_IsOn(8)); // another mask marks its line without being asked
    TRZ_Printf("\nthird");
    ASSERT_FALSE(TRZ_IsOn(16));
    ASSERT_TRUE(TRZ_IsOn(8)); // the mask differs from the last one tested (16)
    TRZ_Printf("\nfourth");
    EXPECT_EQ(afterHeader(), "\n************\n\n************\n (Level=0x00000002)first 1"
                             "\nsecond"
                             "\n************\n\n************\n (Level=0x00000008)third"
                             "\n************\n\n************\n (Level=0x00000008)fourth");
}

// TRZ_Trace tests its own mask and writes the same bytes as the test and the line it replaces,
// with no limit on the line's length.
TEST_F(TraceTest, TraceCallChecksItsOwnMask)
{
    startTracing(0xA);
    ASSERT_FALSE(TRZ_IsOn(16));
    TRZ_Trace(2, "\n\nfirst %d", 1);
    TRZ_Trace(16, "\nlost %s", "line");
    const std::string longName(3000, 'x');
    TRZ_Trace(8, "\nname='%s' %u", longName, 7u);
    EXPECT_EQ(afterHeader(), "\n************\n\n************\n (Level=0x00000002)first 1"
                             "\n************\n\n************\n (Level=0x00000008)name='" +
                                 longName + "' 7");
}

TEST_F(TraceTest, TimingAddsStampAndThread)
{
    startTracing(2);
    TraceSettings::setTiming(true);
    TRZ_Printf("\nplain");
    TRZ_IsOn(2, true);
    TRZ_Printf("\nmarked");
    const std::string stamp = R"(\[\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}:\d{3}\)\]\[Thread=[0-9A-F]{8}\])";
    EXPECT_TRUE(std::regex_match(afterHeader(), std::regex("\n" + stamp + "plain" +
                                                           R"(\n\*{12}\n\n\*{12}\n \(Level=0x00000002\) )" +
                                                           stamp + "marked")))
        << afterHeader();
}

TEST_F(TraceTest, NothingWhileTheTracerIsOff)
{
    TRZ_Printf("\nlost");
    EXPECT_EQ(readFile(trz), "");
    startTracing(0);
    TRZ_Printf("%s", "");
    EXPECT_EQ(afterHeader(), "");
}

struct DumpCase
{
    size_t size;
    std::vector<std::string> rows;
};

TEST_F(TraceTest, HexDumpRows)
{
    std::string data;
    for (int i = 0; i < 18; ++i)
        data += static_cast<char>(i < 16 ? 'a' + i : i - 16 + '\t');
    const std::string full = "\n0x00000000 61626364 65666768 696a6b6c 6d6e6f70\t\t'abcdefghijklmnop'";
    const DumpCase cases[] = {
        {0, {}},
        {1, {"\n0x00000000 61" + std::string(33, ' ') + "\t\t'a'"}},
        {16, {full}},
        {17, {full, "\n0x00000010 09" + std::string(33, ' ') + "\t\t'.'"}},
        {18, {full, "\n0x00000010 090a" + std::string(31, ' ') + "\t\t'..'"}},
    };
    startTracing(0x80000000);
    TraceSettings::setTiming(true); // the dump's own switch decides, and it stays as it was
    size_t from = headerEnd;
    for (const DumpCase& c : cases) {
        TRZ_HexDump("Block", data.data(), c.size);
        std::string expected = "Block (len=" + std::to_string(c.size) + " bytes)\n" + "\n          " +
                               "  0 1 2 3  4 5 6 7  8 9 A B  C D E F";
        for (const std::string& row : c.rows)
            expected += row;
        const std::string all = readFile(trz);
        EXPECT_EQ(all.substr(from), expected) << c.size;
        from = all.size();
    }
    EXPECT_TRUE(TraceSettings::timing());
    TRZ_HexDump("", data.data(), 1, true);
    EXPECT_TRUE(std::regex_search(readFile(trz).substr(from),
                                  std::regex(R"(^\n\[.*\]\[Thread=[0-9A-F]{8}\] \(len=1)")));
}

TEST_F(TraceTest, TimeShots)
{
    uint64_t counter = 0;
    EXPECT_EQ(TRZ_TimeShot("step", false, false, &counter), "step");
    EXPECT_NE(counter, 0u);
    counter -= 1500;
    const std::string late = TRZ_TimeShot("step", true, false, &counter);
    EXPECT_TRUE(
        std::regex_match(late, std::regex(R"(step\[Elapsed = 1[5-9]\d\d msec\] <<<<<< TIME <<<<<<<<<<<<<<)")))
        << late;
    counter -= 20;
    const std::string framed = TRZ_TimeShot("\nphase", false, false, &counter);
    EXPECT_TRUE(std::regex_match(
        framed,
        std::regex(
            R"(\n\[\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}\)\]:\[Elapsed = \d+ msec\]-----------\nphase\n-{32})")))
        << framed;
    EXPECT_EQ(TRZ_TimeShot("", true, true, &counter), "");
}

TEST_F(TraceTest, JobLogOnlyWhileOn)
{
    std::string log;
    GetLogFName(log);
    TRZ_LogPrintf("\njob %d", 1);
    EXPECT_EQ(readFile(log), "");
    TraceSettings::setJobLogging(true);
    TRZ_LogPrintf("\njob %d", 2);
    EXPECT_TRUE(std::regex_match(
        readFile(log),
        std::regex(
            R"(\n\*{12}\n\n\*{12}\n\n\[\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}:\d{3}\)\]\[Thread=[0-9A-F]{8}\]job 2)")))
        << readFile(log);
    EXPECT_EQ(readFile(trz), ""); // the log has no header and no part in the trace
}

TEST_F(TraceTest, TracedBoxesOnTheDesktop)
{
    startTracing(8);
    ui->pushBoxAnswer(7);
    EXPECT_EQ(TRZ_MsgBox("Print again?", 4, 0, 8), 7);
    const std::string after = afterHeader();
    EXPECT_EQ(after.rfind("\n************\n\n************\n (Level=0x00000008)*******\nMessageBox()[Timer=0 "
                          "sec]\nPrint again?\n"
                          "0x00000004 - YES_NO\nAnswer=0x00000007 - NO [Elapsed=",
                          0),
              0u)
        << after;

    const size_t before = readFile(trz).size();
    TRZ_MsgBox("Untraced", 0, 0, 2); // mask off: the box without its trace
    EXPECT_EQ(readFile(trz).size(), before);
    EXPECT_EQ(ui.boxes().size(), 2u);
}

int g_serviceCalls = 0;
int noAnswer(const std::string&, unsigned, unsigned)
{
    ++g_serviceCalls;
    return 0;
}

TEST_F(TraceTest, ServiceBoxesFallBackToCancel)
{
    startTracing(8);
    typestone::setServiceMessageBoxSender(&noAnswer);
    g_serviceCalls = 0;
    EXPECT_EQ(TRZ_MsgBox("Hi", 4, 0, 8), 2);
    EXPECT_EQ(TRZ_MsgBoxId(458, 4, 0, 0, 8), 2);
    EXPECT_EQ(g_serviceCalls, 2);
    EXPECT_TRUE(ui.boxes().empty());
    const std::string after = afterHeader();
    EXPECT_NE(after.find("(Level=0x00000008)TRZ_MsgBox() lpszText=Hi nType=4\nTRZ_MsgBox() iRc=2 IDNO=7"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("TRZ_MsgBox() nIDPrompt=458 nType=4"), std::string::npos);
}

} // namespace

namespace {

TEST(TraceTextsTest, PeerSocketFontAndTime)
{
    std::string out;
    EXPECT_EQ(typestone::peerText({"10.1.2.3", 3339}, out, "Accept"), "\nAccept(10.1.2.3:3339)");

    platform::net::Socket closed;
    EXPECT_FALSE(typestone::socketText(closed, out, "Data"));
    EXPECT_TRUE(std::regex_match(out, std::regex(R"(\nWSAGetLastError\(\): = \d+)"))) << out;

    platform::net::SocketResult listener = platform::net::listenTcp("127.0.0.1", 0, 1, false);
    ASSERT_TRUE(listener.socket.isValid());
    EXPECT_TRUE(typestone::socketText(listener.socket, out, "Listen"));
    EXPECT_EQ(out, "\nListen(127.0.0.1:" + std::to_string(listener.local.port) +
                       ")(socket=" + std::to_string(listener.socket.fd()) + ")");

    typestone::TraceFont font{"Courier New", -13, 0, 0, 0, 400, true, false, true};
    EXPECT_EQ(typestone::fontText(font, out),
              "\n-----------\n\nCourier New- h=-13, w=0, esc=0, ori=0, wei=400, "
              "Italic  StrikeOut\n----------------");

    const time_t t = 0;
    EXPECT_TRUE(std::regex_match(typestone::timeText(out, &t),
                                 std::regex(R"(\d{2}-\d{2}-19\d{2} \(\d{2}:\d{2}:\d{2}\))")));
    EXPECT_TRUE(std::regex_match(typestone::timeStampLine(),
                                 std::regex(R"(\n\(\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}:\d{3}\)\)->)")));
}

} // namespace
