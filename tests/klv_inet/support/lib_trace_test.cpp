#include "klv_inet/support/lib_trace.h"

#include "klv_inet/support/msg_box_format.h"

#include "scripted_ui.h"
#include "temp_env.h"

#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace {

using platform::ui::kIdNo;
using platform::ui::kIdYes;
using platform::ui::kMbDefButton2;
using platform::ui::kMbYesNo;

class LibTraceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        klv::resetLibraryTrace();
        timer.unset("KDR_TIMER");
    }
    void TearDown() override { klv::resetLibraryTrace(); }
    TempEnv env;
    ts::support::ScopedEnv timer;
    ScriptedUi ui;
};

TEST_F(LibTraceTest, EntriesStartTheLineWithStampAndThread)
{
    const std::string file = env.path("lib.trz");
    _SetTrzName(file.c_str());
    DbgTracer("\n\nvalue=%d %s", 42, "ok");
    DbgTracer("second");
    const std::string text = readFile(file);
    const std::regex entry(R"(\n\[\d{2}-\d{2}-\d{4} \(\d{2}:\d{2}:\d{2}:\d{3}\)\]\[Thread=[0-9A-F]{8}\])");
    EXPECT_TRUE(std::regex_search(text, entry)) << text;
    const std::string stripped = std::regex_replace(text, entry, "|");
    EXPECT_EQ(stripped, "|value=42 ok|second");
}

TEST_F(LibTraceTest, EmptyNameSwitchesTracingOffAndKeepsTheName)
{
    const std::string file = env.path("lib.trz");
    _SetTrzName(file.c_str());
    DbgTracer("one");
    _SetTrzName("");
    DbgTracer("two");
    SetTrzName(nullptr);
    DbgTracer("three");
    EXPECT_EQ(readFile(file).find("two"), std::string::npos);
    EXPECT_NE(readFile(file).find("one"), std::string::npos);

    std::string out;
    FormTypstTrzFname(out, "x.trz");
    EXPECT_EQ(out.size() > 6 && out.compare(out.size() - 6, 6, "/x.trz") == 0, true) << out;
}

TEST_F(LibTraceTest, DebugQuestionIsAskedOnceWithTheEnvironmentTimeout)
{
    timer.set("KDR_TIMER", "1500");
    ui->pushBoxAnswer(kIdYes);
    EXPECT_EQ(GetDbgTracesEnabled(), 1);
    EXPECT_EQ(GetDbgTracesEnabled(), 1);
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].box.text, "Enable debugging messages ?");
    EXPECT_EQ(boxes[0].box.style, platform::ui::kMbYesNo | platform::ui::kMbDefButton2);
    EXPECT_EQ(boxes[0].box.timeoutMs, 1500u);
}

TEST_F(LibTraceTest, DebugQuestionWithoutTimerWaitsAndTimeoutMeansNo)
{
    ui->pushBoxTimeout();
    EXPECT_EQ(GetDbgTracesEnabled(), 0);
    ASSERT_EQ(ui.boxes().size(), 1u);
    EXPECT_EQ(ui.boxes()[0].box.timeoutMs, 0u);
}

TEST_F(LibTraceTest, SetBeforeGetIsNeverAsked)
{
    EXPECT_EQ(SetDbgTracesEnabled(1), 0);
    EXPECT_EQ(GetDbgTracesEnabled(), 1);
    EXPECT_EQ(SetDbgTracesEnabled(0), 1);
    EXPECT_TRUE(ui.boxes().empty());
}

TEST_F(LibTraceTest, DebugBoxesFollowTheSwitch)
{
    SetDbgTracesEnabled(0);
    EXPECT_EQ(DbgYesNoMsgBox("q", platform::ui::kMbYesNo | platform::ui::kMbDefButton2, 0), kIdNo);
    EXPECT_EQ(DbgYesNoMsgBox("q", platform::ui::kMbYesNo, 0), kIdYes);
    ExtDbgMessageBox(1, "hidden %d", 1);
    EXPECT_TRUE(ui.boxes().empty());

    DbgMessageBox("always %d", 2); // whatever the switch says
    SetDbgTracesEnabled(1);
    ui->pushBoxAnswer(kIdNo);
    EXPECT_EQ(DbgYesNoMsgBox("q", platform::ui::kMbYesNo, 0), kIdNo);
    ExtDbgMessageBox(0, "not shown");
    ExtDbgMessageBox(1, "shown %s", "now");
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].box.text, "always 2");
    EXPECT_EQ(boxes[1].box.text, "q");
    EXPECT_EQ(boxes[2].box.text, "shown now");
}

TEST(DumpCObjectTest, NamesTheClassChain)
{
    QTimer timer;
    std::string out;
    const char* result = DumpCObject(&out, &timer);
    EXPECT_EQ(result, out.c_str());
    EXPECT_TRUE(std::regex_match(out, std::regex(R"( = [0-9A-F]{16} - QTimer->QObject)"))) << out;
    DumpCObject(&out, nullptr);
    EXPECT_EQ(out, " = 0000000000000000 - ");
    EXPECT_EQ(DumpCObject(nullptr, &timer), nullptr);
}

} // namespace
