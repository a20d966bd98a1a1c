#include "klv_inet/support/msg_box.h"

#include "klv_inet/support/app_name.h"
#include "klv_inet/support/msg_box_format.h"
#include "klv_inet/support/window_msg.h"

#include "scripted_ui.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <regex>
#include <thread>

namespace {

using namespace klv::mb;
using namespace platform::ui;

// A default button beyond every set.
constexpr unsigned kMbDefButton4 = 0x300;

class MsgBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetMsgBoxTimer(0);
        SetAppName("TestApp");
        klv::setApplicationStrings(nullptr);
    }
    void TearDown() override
    {
        SetMsgBoxTimer(0);
        SetAppName(nullptr);
        klv::setApplicationStrings(nullptr);
    }
    ScriptedUi ui;
};

struct BoxCase
{
    unsigned type;
    unsigned timeoutMs;
    bool timesOut;
    int scripted; // the person's answer when it does not time out
    int expected;
    const char* defaultLine; // nullptr when no default was taken
};

TEST_F(MsgBoxTest, AnswerAndTraceByTypeDefaultButtonAndTimeout)
{
    const BoxCase cases[] = {
        {kMbYesNo | kMbDefButton2, 3000, true, 0, kIdNo,
         "\nDefault answer is MB_DEFBUTTON2 (0x00000007 - NO)"},
        {kMbOkCancel | kMbDefButton3, 3000, true, 0, kIdCancel,
         "\nDefault answer is MB_DEFBUTTON3 (0x00000002 - CANCEL)"},
        {kMbOk, 1000, true, 0, kIdOk, "\nDefault answer is MB_DEFBUTTON1 (0x00000001 - OK)"},
        {kMbYesNoCancel | kMbDefButton3, 2000, true, 0, kIdCancel,
         "\nDefault answer is MB_DEFBUTTON3 (0x00000002 - CANCEL)"},
        {kMbAbortRetryIgnore | kMbDefButton2, 2000, true, 0, kIdRetry,
         "\nDefault answer is MB_DEFBUTTON2 (0x00000004 - RETRY)"},
        {kMbYesNo | kMbDefButton4, 2000, true, 0, kIdNo,
         "\nDefault answer is MB_DEFBUTTON4 (0x00000007 - NO)"},
        {0x7, 2000, true, 0, kIdOk, "\nDefault answer is MB_DEFBUTTON1 (0x00000001 - OK)"},
        {kMbRetryCancel, 0, false, kIdRetry, kIdRetry, nullptr},
        {kMbYesNo | kMbIconQuestion | kMbDefButton2, 5000, false, kIdYes, kIdYes, nullptr},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type=0x" << std::hex << c.type);
        if (c.timesOut)
            ui->pushBoxTimeout();
        else
            ui->pushBoxAnswer(c.scripted);
        EXPECT_EQ(PLM_TimedMsgBox("Question?", c.type, 0, c.timeoutMs), c.expected);
        EXPECT_EQ(ui.boxes().back().box.timeoutMs, c.timeoutMs);
        EXPECT_EQ(ui.boxes().back().box.style, c.type);

        const std::string trace = GetMsgBox_Traces();
        std::string buttons;
        FormatMsgButtons(&buttons, c.type);
        char head[64];
        std::snprintf(head, sizeof head, "\n*******\nMessageBox()[Timer=%u sec]\nQuestion?\n",
                      c.timeoutMs / 1000);
        EXPECT_EQ(trace.rfind(head + buttons, 0), 0u) << trace;
        const bool timedOut =
            trace.find("\nMessageBox() TIMEOUTED !!!\n---\nQuestion?\n---") != std::string::npos;
        EXPECT_EQ(timedOut, c.timesOut) << trace;
        EXPECT_EQ(trace.find("Default answer") != std::string::npos, c.defaultLine != nullptr) << trace;
        if (c.defaultLine) {
            EXPECT_NE(trace.find(c.defaultLine), std::string::npos) << trace;
        }
        std::string answer;
        FormatMsgAnswer(&answer, c.expected);
        EXPECT_TRUE(std::regex_search(
            trace, std::regex("\nAnswer=" + answer + R"( \[Elapsed=\d+ secs\]\n\*\*\*\*\*\*\*\*\n$)")))
            << trace;
    }
}

TEST_F(MsgBoxTest, TimedOutTraceInFull)
{
    ui->pushBoxTimeout();
    EXPECT_EQ(PLM_TimedMsgBox("Go on?", kMbYesNoCancel | kMbDefButton3, 0, 2000), kIdCancel);
    const std::string expected = "\n*******\nMessageBox()[Timer=2 sec]\nGo on?\n0x00000203 - YES_NO_CANCEL"
                                 "\nMessageBox() TIMEOUTED !!!\n---\nGo on?\n---"
                                 "\nDefault answer is MB_DEFBUTTON3 (0x00000002 - CANCEL)"
                                 "\nAnswer=0x00000002 - CANCEL [Elapsed=";
    EXPECT_EQ(GetMsgBox_Traces().rfind(expected, 0), 0u) << GetMsgBox_Traces();
}

TEST_F(MsgBoxTest, NamesOfButtonSetsAndAnswers)
{
    std::string s;
    EXPECT_STREQ(FormatMsgButtons(&s, kMbYesNo | kMbDefButton2), "0x00000104 - YES_NO");
    EXPECT_STREQ(FormatMsgButtons(&s, 0x6), "0x00000006 - Unknown");
    EXPECT_STREQ(FormatMsgAnswer(&s, kIdHelp), "0x00000009 - HELP");
    EXPECT_STREQ(FormatMsgAnswer(&s, kIdClose), "0x00000008 - CLOSE");
    EXPECT_STREQ(FormatMsgAnswer(&s, 0), "0x00000000 - Unknown");
    EXPECT_STREQ(FormatMsgAnswer(&s, -1), "0xffffffff - Unknown");
    EXPECT_EQ(FormatMsgButtons(nullptr, 0), nullptr);
    EXPECT_EQ(FormatMsgAnswer(nullptr, 1), nullptr);
}

std::string g_traced;
void collect(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buf[2048];
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    g_traced += buf;
}

TEST_F(MsgBoxTest, TracedBoxesUseTheBoxTimerAndHandTheTraceOn)
{
    SetMsgBoxTimer(4);
    g_traced.clear();
    ui->pushBoxAnswer(kIdOk);
    EXPECT_EQ(TRACED_MessageBox(&collect, "100% done", kMbOkCancel, 0), kIdOk);
    EXPECT_EQ(ui.boxes().back().box.timeoutMs, 4000u);
    EXPECT_EQ(ui.boxes().back().box.caption, "TestApp");
    EXPECT_EQ(g_traced, GetMsgBox_Traces()); // passed as data: a '%' in the text stays as it is
    EXPECT_NE(g_traced.find("[Timer=4 sec]\n100% done\n"), std::string::npos);

    EXPECT_EQ(TRACED_MessageBox(nullptr, "plain", kMbOk, 0), kIdOk);
}

bool appStrings(unsigned id, std::string* out)
{
    if (id == 7)
        *out = "Welcome to %s.";
    else if (id == 8)
        *out = "";
    else
        return false;
    return true;
}

TEST_F(MsgBoxTest, BoxesByStringId)
{
    klv::setApplicationStrings(&appStrings);
    EXPECT_EQ(PLM_MessageBox(7u, kMbOk, 0, 1), kIdOk);
    EXPECT_EQ(PLM_MessageBox(7u, kMbOk, 0, 0), kIdOk);
    EXPECT_EQ(PLM_MessageBox(8u, kMbOk, 0, 0), -1);  // empty
    EXPECT_EQ(PLM_MessageBox(99u, kMbOk, 0, 0), -1); // missing
    EXPECT_EQ(DLL_MessageBox(7u, kMbOk, 0, 0), -1);  // not in the library's own table
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].box.text, "Welcome to TestApp.");
    EXPECT_EQ(boxes[1].box.text, "Welcome to %s.");
}

TEST_F(MsgBoxTest, MissingResourcesAreReported)
{
    std::string s;
    EXPECT_EQ(DLL_LoadString(50003, s), 1);
    EXPECT_EQ(s, "Level %d");
    EXPECT_EQ(DLL_LoadString(64999, s), 0);
    EXPECT_EQ(DLL_ResNotFound_ErrorMsgBox(50001, 158, 0), kIdOk);
    {
        klv::ResourceScope scope(klv::ResourceModule::Library);
        DLL_ResNotFound_ErrorMsgBox(50001, 30000, 0);
    }
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(std::regex_match(
        boxes[0].box.text,
        std::regex(R"(String '64999' was not found in [0-9A-F]{16}  \(\*_Inet\.DLL\) instance\.)")))
        << boxes[0].box.text;
    EXPECT_TRUE(
        std::regex_match(boxes[1].box.text,
                         std::regex(R"(Dialog '158' was not found in [0-9A-F]{16} \(TestApp\) instance\.)")))
        << boxes[1].box.text;
    EXPECT_NE(boxes[2].box.text.find("(*_Inet.DLL)"), std::string::npos);
    EXPECT_EQ(klv::currentResourceModule(), klv::ResourceModule::Application);
}

TEST_F(MsgBoxTest, ErrorTexts)
{
    std::string out;
    EXPECT_EQ(ShowLastError(0u, "x", 1, 0, &out), 0u);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ShowLastError(2u, "Opening", 0, 0, &out), 2u);
    EXPECT_EQ(out, "Opening\nNo such file or directory - dwError=0x00000002 (2)");
    EXPECT_TRUE(ui.boxes().empty());
    ShowLastError(13u, nullptr, 1, 0, nullptr);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].box.style, kMbIconInformation);
    EXPECT_EQ(ui.boxes()[0].box.text, "Permission denied - dwError=0x0000000d (13)");
}

TEST_F(MsgBoxTest, EachThreadKeepsItsOwnTrace)
{
    ui->pushBoxAnswer(kIdYes);
    PLM_TimedMsgBox("main", kMbYesNo, 0, 0);
    std::string other;
    std::thread t([&other] {
        PLM_TimedMsgBox("worker", kMbOk, 0, 0);
        other = GetMsgBox_Traces();
    });
    t.join();
    EXPECT_NE(GetMsgBox_Traces().find("\nmain\n"), std::string::npos);
    EXPECT_NE(other.find("\nworker\n"), std::string::npos);
}

TEST(SameMsgsTest, EqualOnlyWhenAllFourAgree)
{
    const KlvWindowMsg base{7, 0x400, 1, -1};
    struct Case
    {
        KlvWindowMsg other;
        int same;
    };
    const Case cases[] = {
        {{7, 0x400, 1, -1}, 1}, {{8, 0x400, 1, -1}, 0},
        {{7, 0x401, 1, -1}, 0}, {{7, 0x400, 2, -1}, 0},
        {{7, 0x400, 1, 1}, 0},  {{7, 0x400, 1ull << 40, -1}, 0}, // the high half of a parameter counts too
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameMsgs(base, c.other), c.same) << c.other.window << " " << c.other.message;
        EXPECT_EQ(SameMsgs(c.other, base), c.same);
    }
}

} // namespace
