#include "klv_inet/support/msg_dlg.h"

#include "klv_inet/support/msg_dlg_ids.h"
#include "klv_inet/support/msg_dlg_template.h"
#include "klv_inet/support/msg_dlg_view_host.h"

#include "fake_msg_clock.h"
#include "scripted_ui.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using namespace klv::msgdlg;

class MsgDlgTest : public ::testing::Test
{
protected:
    void SetUp() override { CMsgDlg::EnableMsgs(1); }
    void TearDown() override { CMsgDlg::EnableMsgs(1); }

    CMsgDlgOptions options(unsigned templateId)
    {
        CMsgDlgOptions o;
        o.templateId = templateId;
        o.title = "Job";
        o.appText = "Typestone - Server";
        o.cancellable = true;
        o.cancelFlag = &cancelFlag;
        o.libraryResources = true;
        return o;
    }
    static std::string line(const CMsgDlg& d, unsigned n)
    {
        std::string s;
        d.GetMsg(s, n);
        return s;
    }
    static std::string text(const CMsgDlg& d, int id)
    {
        const klv::MsgDlgState s = d.snapshot();
        const klv::MsgDlgControl* c = s.control(id);
        return c ? c->text : "<none>";
    }

    ScriptedUi ui;
    FakeMsgClock clock;
    std::atomic<int> cancelFlag{7};
};

TEST_F(MsgDlgTest, ConstructionBuildsCaptionLinesAndControls)
{
    const char* lines[] = {"Printing: 'a.prt'", "first action", nullptr};
    CMsgDlgOptions o = options(kTemplateJobProgress);
    o.lines = lines;
    CMsgDlg dlg(o, &clock);
    EXPECT_EQ(cancelFlag, 0); // attached and cleared
    const klv::MsgDlgState s = dlg.snapshot();
    EXPECT_EQ(s.windowTitle, "Typestone  -  Job"); // the application text is cut before " - "
    EXPECT_TRUE(s.visible);
    EXPECT_TRUE(s.systemMenu);
    EXPECT_EQ(line(dlg, 0), "Printing: 'a.prt'");
    EXPECT_EQ(line(dlg, 1), "first action");
    EXPECT_EQ(text(dlg, kLevelLabel), "Level 1");
    EXPECT_FALSE(s.control(kLevelLabel)->enabled);
    EXPECT_FALSE(s.control(kLine0 + 4)->visible);
    EXPECT_TRUE(s.control(kCancel)->visible);
    EXPECT_FALSE(s.control(kHide)->enabled);
    EXPECT_EQ(dlg.GetProgressCtrl(), kBar1);

    CMsgDlgOptions plain = options(kTemplateProgressStrip);
    plain.title = nullptr;
    plain.cancellable = false;
    plain.enableHide = true;
    CMsgDlg strip(plain, &clock);
    EXPECT_EQ(strip.snapshot().windowTitle, "Print Progress"); // the template's own caption
    EXPECT_TRUE(strip.snapshot().control(kHide)->enabled);
    EXPECT_EQ(text(strip, kCancel), "<none>");
}

TEST_F(MsgDlgTest, AFullListOfLinesIsReadNoFurther)
{
    // Exactly as many lines as the dialog has, with no terminator after them (on the heap,
    // so that a read past the last one is caught).
    const std::vector<const char*> lines = {"l0", "l1", "l2", "l3", "l4", "l5"};
    ASSERT_EQ(lines.size(), static_cast<size_t>(kLineCount));
    CMsgDlg dlg(options(kTemplateJobProgress), &clock);
    dlg.ShowMsgs(lines.data());
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_EQ(line(dlg, i), lines[i]);
}

TEST_F(MsgDlgTest, MissingTemplateIsReportedAndLeavesNoControls)
{
    CMsgDlg dlg(options(4242), &clock);
    const auto boxes = ui.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].box.text.find("Dialog '4242' was not found"), std::string::npos);
    EXPECT_NE(boxes[0].box.text.find("(*_Inet.DLL)"), std::string::npos);
    dlg.DispMsg("x", 0);
    EXPECT_EQ(line(dlg, 0), "");
    EXPECT_EQ(dlg.IsEnabled(), 0);
}

TEST_F(MsgDlgTest, ProgressPercentagesAndThrottling)
{
    CMsgDlg dlg(options(kTemplateJobProgress), &clock);
    dlg.ReportProgress(50, 0);
    EXPECT_EQ(line(dlg, 2), "50 bytes"); // no total: the size only
    EXPECT_EQ(dlg.GetLevelProgress(1), 0);

    clock.advanceMs(200);
    dlg.ReportProgress(60, 100); // within the second: skipped
    EXPECT_EQ(line(dlg, 2), "50 bytes");
    dlg.ReportProgress(100, 100); // the final report always shows
    EXPECT_EQ(line(dlg, 2), "100 bytes (100 %)");

    clock.advanceMs(1000);
    dlg.ReportProgress(150, 100);
    EXPECT_EQ(dlg.GetLevelProgress(1), 100);
    EXPECT_EQ(line(dlg, 2), "150 bytes (100 %)");

    // Sizes far above 4 GiB neither overflow nor divide by zero.
    clock.advanceMs(1000);
    const uint64_t total = 6ull << 30;
    dlg.ReportProgress(total / 2 + total / 10, total);
    EXPECT_EQ(dlg.GetLevelProgress(1), 60);
    clock.advanceMs(1000);
    dlg.ReportProgress(UINT64_MAX - 1, UINT64_MAX);
    EXPECT_EQ(dlg.GetLevelProgress(1), 100);

    // Minimised, the percentage goes to the caption instead.
    dlg.OnSysCommand(kSysMinimize);
    clock.advanceMs(1000);
    dlg.ReportProgress(42, 100);
    EXPECT_EQ(dlg.snapshot().windowTitle, "42 %");
    EXPECT_EQ(line(dlg, 2), "42 bytes");
    dlg.OnSysCommand(kSysRestore | 0x2);
    EXPECT_EQ(dlg.snapshot().windowTitle, "Typestone  -  Job");
}

TEST_F(MsgDlgTest, TimeToGoAndRate)
{
    CMsgDlgOptions o = options(kTemplateFileCopy);
    CMsgDlg dlg(o, &clock);
    const time_t start = clock.now();
    dlg.Time2Go(start, 1000, 500, 1); // no time elapsed: nothing
    EXPECT_EQ(line(dlg, 3), "Time to go:");
    clock.advanceMs(1000);
    dlg.Time2Go(start, 1000, 0, 1); // nothing done: nothing
    EXPECT_EQ(line(dlg, 3), "Time to go:");

    clock.advanceMs(9000); // 10 s for a quarter of 40 KiB
    dlg.Time2Go(start, 40960, 10240, 1);
    EXPECT_EQ(line(dlg, 3), "00:00:30  [10 Kb/s]");

    clock.advanceMs(500);
    dlg.Time2Go(start, 40960, 20480, 1); // within the second: skipped
    EXPECT_EQ(line(dlg, 3), "00:00:30  [10 Kb/s]");

    // Over a day to go is shown in whole hours, not wrapped into the next day.
    clock.advanceMs(500); // 11 s elapsed
    dlg.Time2Go(start, 11ull * 10000, 11, 0);
    EXPECT_EQ(line(dlg, 3), "30:33:09  ");

    // The job dialog shows no rate, and level 2 goes to the partial line.
    CMsgDlg job(options(kTemplateJobProgress), &clock);
    job.SetLevel(2);
    clock.advanceMs(1000);
    job.Time2Go(start, 24ull << 30, 12ull << 30, 1);
    EXPECT_EQ(line(job, 4), "00:00:12  ");
    EXPECT_EQ(line(job, 3), "Time to go:");
}

TEST_F(MsgDlgTest, ClockCountsUpAndDown)
{
    CMsgDlg dlg(options(kTemplateJobProgress), &clock);
    dlg.SetTimer(kPage, 0);
    EXPECT_TRUE(dlg.snapshot().clockRunning);
    struct Step
    {
        uint64_t atMs;
        const char* shown;
    };
    const uint64_t t0 = clock.tick;
    for (const Step& s : {Step{0, "00:00"}, Step{3599'000, "59:59"}, Step{3600'000, "60:00"},
                          Step{3661'000, "01:01:01"}, Step{30ull * 3600'000, "30:00:00"}}) {
        clock.tick = t0 + s.atMs;
        dlg.OnTimer(kClockTimer);
        EXPECT_EQ(text(dlg, kPage), s.shown) << s.atMs;
    }
    dlg.OnTimer(3); // another timer: ignored
    EXPECT_EQ(text(dlg, kPage), "30:00:00");
    dlg.KillTimer();
    EXPECT_FALSE(dlg.snapshot().clockRunning);

    clock.tick = t0;
    dlg.SetTimer(4000, 90'000); // a control the dialog lacks: nothing to show
    clock.tick = t0 + 30'500;
    dlg.OnTimer(kClockTimer);
    EXPECT_EQ(text(dlg, 4000), "<none>");
    dlg.KillTimer();
    dlg.SetTimer(kPage, 90'000);
    dlg.OnTimer(kClockTimer);
    EXPECT_EQ(text(dlg, kPage), "01:30");
    clock.tick += 30'500;
    dlg.OnTimer(kClockTimer);
    EXPECT_EQ(text(dlg, kPage), "00:59");
    clock.tick += 70'000; // past the limit it counts up again
    dlg.OnTimer(kClockTimer);
    EXPECT_EQ(text(dlg, kPage), "01:40");

    dlg.CountDown(12);
    EXPECT_EQ(line(dlg, 1), "Countdown time: 12");
    dlg.SetPage(3);
    EXPECT_EQ(text(dlg, kPage), "Page 3");
}

TEST_F(MsgDlgTest, NestedLevelsArePushedAndPopped)
{
    CMsgDlg dlg(options(kTemplateJobProgress), &clock);
    dlg.IncrProgressContext(-1); // empty list: only the level, never below 1
    EXPECT_EQ(dlg.GetLevel(), 1);

    dlg.DispMsg("outer 0", 0);
    dlg.DispMsg("outer 2", 2);
    dlg.SetLevelProgress(40, 1);
    dlg.IncrProgressContext(1);
    EXPECT_EQ(dlg.GetLevel(), 2);
    EXPECT_EQ(text(dlg, kLevelLabel), "Level 2");
    EXPECT_TRUE(dlg.snapshot().control(kLevelLabel)->enabled);
    EXPECT_TRUE(dlg.snapshot().control(kLine0 + 4)->visible);
    dlg.DispMsg("inner 0", 0);
    dlg.SetPos(70); // level 2 moves the second bar
    EXPECT_EQ(dlg.GetLevelProgress(2), 70);
    EXPECT_EQ(dlg.GetLevelProgress(1), 40);

    dlg.IncrProgressContext(2);
    EXPECT_EQ(dlg.GetLevel(), 4);
    dlg.DispMsg("deeper", 0);
    dlg.IncrProgressContext(-3); // one context per pop, whatever the size
    EXPECT_EQ(dlg.GetLevel(), 1);
    EXPECT_EQ(line(dlg, 0), "inner 0");
    EXPECT_EQ(dlg.GetLevelProgress(2), 70);
    dlg.IncrProgressContext(-1);
    EXPECT_EQ(line(dlg, 0), "outer 0");
    EXPECT_EQ(line(dlg, 2), "outer 2");
    EXPECT_EQ(dlg.GetLevelProgress(1), 40);
    EXPECT_EQ(dlg.GetLevelProgress(2), 0);
    EXPECT_EQ(dlg.GetLevel(), 1);
}

TEST_F(MsgDlgTest, CancelTwiceEndsTheDialog)
{
    std::atomic<unsigned> notified{0};
    int hooks = 0;
    CMsgDlgOptions o = options(kTemplateGeneric);
    o.notify = [&notified](unsigned id) { notified = id; };
    o.cancelHook = [&hooks] { ++hooks; };
    CMsgDlg dlg(o, &clock);
    ASSERT_TRUE(CMsgDlg::viewCommand(dlg.id(), kCancel));
    EXPECT_EQ(cancelFlag, 1);
    EXPECT_TRUE(dlg.IsCancelPressed());
    EXPECT_FALSE(dlg.IsEnded());
    EXPECT_EQ(notified, dlg.id()); // the id, never the address
    EXPECT_EQ(hooks, 1);
    EXPECT_FALSE(dlg.snapshot().control(kCancel)->enabled);
    EXPECT_FALSE(dlg.snapshot().control(kContinue)->enabled);

    CMsgDlg::viewSysCommand(dlg.id(), kSysClose);
    EXPECT_TRUE(dlg.IsEnded());
    EXPECT_FALSE(dlg.snapshot().visible);

    dlg.ResetCancelFlag();
    EXPECT_EQ(cancelFlag, 0);
    EXPECT_FALSE(dlg.IsCancelPressed());
    EXPECT_TRUE(dlg.snapshot().control(kCancel)->enabled);

    CMsgDlg::viewCommand(dlg.id(), kContinue);
    EXPECT_TRUE(dlg.IsContinuePressed());
    CMsgDlg::viewCommand(dlg.id(), kMax);
    EXPECT_TRUE(dlg.IsMaxPressed());
}

TEST_F(MsgDlgTest, ViewsOfAGoneDialogReachNothing)
{
    CMsgDlg* owner = nullptr;
    CMsgDlgOptions o = options(kTemplateGeneric);
    o.owner = &owner;
    auto* dlg = new CMsgDlg(o, &clock);
    owner = dlg;
    const unsigned id = dlg->id();
    delete dlg;
    EXPECT_EQ(owner, nullptr);
    EXPECT_FALSE(CMsgDlg::viewCommand(id, kCancel));
    EXPECT_FALSE(CMsgDlg::viewTimer(id, kClockTimer));
}

TEST_F(MsgDlgTest, HideSwitchesMessagesOffForLaterDialogs)
{
    CMsgDlg first(options(kTemplateJobProgress), &clock);
    CMsgDlg::viewCommand(first.id(), kHide);
    EXPECT_EQ(CMsgDlg::AreMsgsEnabled(), 0);
    EXPECT_EQ(first.IsEnabled(), 0);
    first.DispMsg("ignored", 0);
    EXPECT_EQ(line(first, 0), "");

    CMsgDlg quiet(options(kTemplateJobProgress), &clock);
    EXPECT_EQ(quiet.IsEnabled(), 0);
    quiet.ReportProgress(1, 2);
    quiet.SetLevel(3);
    EXPECT_EQ(quiet.GetLevelProgress(1), 0);
    std::string kept = "kept";
    EXPECT_EQ(quiet.GetMsg(kept, 0), std::string("kept"));

    CMsgDlgOptions always = options(kTemplateFileCopy);
    always.showAlways = true;
    CMsgDlg shown(always, &clock);
    EXPECT_EQ(shown.IsEnabled(), 1);

    CMsgDlg::EnableMsgs(1);
    CMsgDlg again(options(kTemplateJobProgress), &clock);
    EXPECT_EQ(again.IsEnabled(), 1);
}

TEST_F(MsgDlgTest, GenericTextIsCentredOverSixLines)
{
    CMsgDlg dlg(options(kTemplateGeneric), &clock);
    dlg.GenericDispMsg("one\ntwo");
    EXPECT_EQ(line(dlg, 0), "one\n\n\ntwo");
    dlg.GenericDispMsg("single");
    EXPECT_EQ(line(dlg, 0), "single");
    dlg.GenericDispMsg("a\nb\nc\nd");
    EXPECT_EQ(line(dlg, 0), "\na\nb\nc\nd");
    dlg.GenericDispMsg("a\nb\nc\nd\ne\nf\ng");
    EXPECT_EQ(line(dlg, 0), "a\nb\nc\nd\ne\nf\ng");
    dlg.GenericDispMsg("");
    EXPECT_EQ(line(dlg, 0), "");
}

TEST_F(MsgDlgTest, WithoutAViewTheBridgeShowsProgressAndCanCancel)
{
    ASSERT_EQ(klv::MsgDlgViewHost::installed(), nullptr);
    CMsgDlg dlg(options(kTemplateJobProgress), &clock);
    EXPECT_EQ(ui->openProgressCount(), 1u);
    dlg.SetPage(2);
    dlg.SetPos(30);
    const auto calls = ui->calls();
    ASSERT_FALSE(calls.empty());
    const auto& last = calls.back();
    ASSERT_EQ(last.kind, platform::ui::ScriptedUiBridge::Call::Kind::UpdateProgress);
    EXPECT_EQ(last.progressState.percent, 30);
    EXPECT_EQ(last.progressState.status, "Page 2");
    EXPECT_EQ(last.progressState.level, 1);

    ASSERT_TRUE(ui->cancelProgress(last.progress));
    EXPECT_TRUE(dlg.IsCancelPressed());
    EXPECT_EQ(cancelFlag, 1);
}

TEST_F(MsgDlgTest, LockTimerNeedsControlOne)
{
    klv::MsgDlgTemplate t;
    t.id = 31999;
    t.caption = "Timed";
    klv::MsgDlgControl ok;
    ok.id = kOkButton;
    ok.kind = klv::MsgDlgControlKind::Button;
    ok.text = "OK";
    t.controls.push_back(ok);
    klv::MsgDlgTemplate::setApplicationTemplate(t);
    CMsgDlgOptions o = options(31999);
    o.libraryResources = false;
    CMsgDlg dlg(o, &clock);
    dlg.SetLockTimer(1);
    EXPECT_EQ(text(dlg, kOkButton), "Time:");
    dlg.SetLockTimer(0);
    EXPECT_EQ(text(dlg, kOkButton), "OK");
}

} // namespace
