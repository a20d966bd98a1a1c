// The server's unsupported-command dialog: its trace line under the core area, its text, and
// the update button that follows the web update.

#include "trace_fixture.h"

#include "typestone/server/unsupp_dlg.h"
#include "typestone/server/version.h"

namespace {

using Kind = platform::ui::ScriptedUiBridge::Call::Kind;
using typestone::SetUnsuppDlgWebUpdate;
using typestone::ShowUnsuppDlg;
using typestone::TraceSettings;

class UnsuppDlgTest : public TraceTest
{
protected:
    void TearDown() override
    {
        SetUnsuppDlgWebUpdate({});
        TraceTest::TearDown();
    }

    std::vector<platform::ui::ScriptedUiBridge::Call> reports() const
    {
        std::vector<platform::ui::ScriptedUiBridge::Call> out;
        for (const auto& c : ui->calls())
            if (c.kind == Kind::UnsupportedCommand)
                out.push_back(c);
        return out;
    }
};

TEST_F(UnsuppDlgTest, TracedUnderTheCoreAreaOnly)
{
    // The trace puts the area between the line's leading line feed and its text.
    const std::string line = "\n (Level=0x00000002)ERROR----\nCWinPrt::ExecCmd()-Text Processor\nPage #1: "
                             "Command #3 (0x0003) -> Unknown\n-------\n";
    for (const uint32_t level : {0x2u, 0x8u, 0x80000009u}) {
        reset();
        startTracing(level);
        ShowUnsuppDlg("CWinPrt::ExecCmd()-Text Processor", "Page #1: Command #3 (0x0003) -> Unknown", 100,
                      100);
        EXPECT_EQ(afterHeader().find(line) != std::string::npos, level == 0x2u) << std::hex << level;
    }
    EXPECT_EQ(reports().size(), 3u);
}

TEST_F(UnsuppDlgTest, TextHasVersionLineTitleWithExtendedDebugAndBothVersions)
{
    std::string version;
    FormatVersion(version);
    ASSERT_FALSE(version.empty());
    struct Case
    {
        bool extended;
        unsigned required;
        std::string expected;
    };
    const Case cases[] = {
        {false, 100, version + "\n\nmessage"},
        {false, 0, version + "\n\nmessage"},
        {true, 100, version + "\n\ntitle\nmessage"},
        {false, 205, version + "\n\nmessage\n\nCommand Version: Required=2.05, Supported=1.00"},
        {true, 101, version + "\n\ntitle\nmessage\n\nCommand Version: Required=1.01, Supported=1.00"},
    };
    for (const Case& c : cases) {
        TraceSettings::setExtendedDebug(c.extended);
        ShowUnsuppDlg("title", "message", c.required, 100);
        const auto all = reports();
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(all.back().report.caption, "Error: Unsupported Command");
        EXPECT_EQ(all.back().report.text, c.expected) << c.extended << " " << c.required;
        EXPECT_GT(all.back().report.timeoutMs, 0u);
    }
}

TEST_F(UnsuppDlgTest, IgnoreTickedIsTheResult)
{
    ui->pushReportAnswer(true);
    EXPECT_TRUE(ShowUnsuppDlg("t", "m", 0, 100));
    EXPECT_FALSE(ShowUnsuppDlg("t", "m", 0, 100));
}

// The button works only while the web update is there and available; pressing it runs the
// query, and its answer says whether the button stays enabled.
TEST_F(UnsuppDlgTest, UpdateButtonFollowsTheWebUpdate)
{
    int queries = 0;
    bool available = false;
    bool reachable = false;
    const auto install = [&] {
        SetUnsuppDlgWebUpdate({[&] { return available; },
                               [&] {
                                   ++queries;
                                   return reachable;
                               }});
    };

    ShowUnsuppDlg("t", "m", 0, 100);
    EXPECT_FALSE(static_cast<bool>(reports().back().report.update)) << "no web update";

    install();
    ShowUnsuppDlg("t", "m", 0, 100);
    EXPECT_FALSE(static_cast<bool>(reports().back().report.update)) << "web not available";

    available = true;
    for (const bool site : {false, true}) {
        reachable = site;
        ui->pushReportAnswer(false, true);
        ShowUnsuppDlg("t", "m", 0, 100);
        ASSERT_TRUE(static_cast<bool>(reports().back().report.update));
        EXPECT_EQ(reports().back().updateResult, std::optional<bool>(site));
    }
    EXPECT_EQ(queries, 2);

    SetUnsuppDlgWebUpdate({});
    ShowUnsuppDlg("t", "m", 0, 100);
    EXPECT_FALSE(static_cast<bool>(reports().back().report.update)) << "web update gone";
}

} // namespace
