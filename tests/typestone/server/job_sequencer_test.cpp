#include "typestone/server/job_sequencer.h"
#include "typestone/server/prt_job_registration.h"
#include "typestone/server/prt_job_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

using typestone::CPrtJobThread;
using typestone::JobSequencer;

namespace {

bool activated(CPrtJobThread* job)
{
    return job->GetEvent().wait(std::chrono::milliseconds(0));
}

CPrtJobThread* addJob(JobSequencer& seq, const std::string& printer)
{
    auto owned = std::make_unique<CPrtJobThread>(&seq);
    CPrtJobThread* job = owned.get();
    seq.AddPrtJobThread(std::move(owned));
    if (!printer.empty())
        job->SetPrtJobName(printer, nullptr);
    return job;
}

} // namespace

// Three jobs for A and one for B, registered A1, A2, B1, A3: each pass activates the first
// waiting job of every free printer, and a finished job frees its printer in the same pass.
TEST(JobSequencer, ActivatesInOrderOnePerPrinter)
{
    JobSequencer seq;
    CPrtJobThread* a1 = addJob(seq, "A");
    CPrtJobThread* a2 = addJob(seq, "A");
    CPrtJobThread* b1 = addJob(seq, "B");
    CPrtJobThread* a3 = addJob(seq, "A");

    seq.DispatchJobs();
    EXPECT_TRUE(activated(a1));
    EXPECT_FALSE(activated(a2));
    EXPECT_TRUE(activated(b1));
    EXPECT_FALSE(activated(a3));
    EXPECT_EQ(seq.BusyPrinters(), (std::vector<std::string>{"A", "B"}));

    seq.DispatchJobs(); // nothing changed: nobody is activated twice
    EXPECT_FALSE(activated(a1));
    EXPECT_FALSE(activated(a2));

    seq.RemovePrtJobThread(a1);
    seq.DispatchJobs();
    EXPECT_EQ(seq.JobCount(), 3u);
    EXPECT_TRUE(activated(a2));
    EXPECT_FALSE(activated(a3));

    seq.RemovePrtJobThread(a2);
    seq.RemovePrtJobThread(b1);
    seq.DispatchJobs();
    EXPECT_TRUE(activated(a3));
    EXPECT_EQ(seq.BusyPrinters(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(seq.JobCount(), 1u);

    seq.RemovePrtJobThread(a3);
    seq.DispatchJobs();
    EXPECT_EQ(seq.JobCount(), 0u);
    EXPECT_TRUE(seq.BusyPrinters().empty());
}

// Without a pass and without the sequencer's thread: a job named for a free printer is
// activated at once, a finished job leaves the list at once and its printer goes to the first
// job registered for it, as a pass would decide, whatever order the names came in.
TEST(JobSequencer, NamingAndEndingSettleTheTurnWithoutAPass)
{
    JobSequencer seq;
    CPrtJobThread* a1 = addJob(seq, "A");
    CPrtJobThread* early = addJob(seq, ""); // registered before a2, named after it
    CPrtJobThread* a2 = addJob(seq, "A");
    CPrtJobThread* b1 = addJob(seq, "B");
    EXPECT_TRUE(activated(a1));
    EXPECT_FALSE(activated(a2));
    EXPECT_TRUE(activated(b1));
    early->SetPrtJobName("A", nullptr);
    EXPECT_FALSE(activated(early)) << "A is busy";
    a1->SetPrtJobName("A", "a1 named again");
    EXPECT_EQ(seq.BusyPrinters(), (std::vector<std::string>{"A", "B"})) << "nobody is activated twice";

    seq.RemovePrtJobThread(a1);
    EXPECT_EQ(seq.JobCount(), 3u);
    EXPECT_TRUE(activated(early)) << "the first registered of the waiting jobs";
    EXPECT_FALSE(activated(a2));
    seq.RemovePrtJobThread(early);
    EXPECT_TRUE(activated(a2));
    seq.RemovePrtJobThread(b1);
    seq.RemovePrtJobThread(a2);
    EXPECT_EQ(seq.JobCount(), 0u);
    EXPECT_TRUE(seq.BusyPrinters().empty());

    // A record that was never listed is not the sequencer's to activate.
    CPrtJobThread stray(&seq);
    stray.SetPrtJobName("A", nullptr);
    EXPECT_FALSE(activated(&stray));
    EXPECT_TRUE(seq.BusyPrinters().empty());
}

TEST(JobSequencer, EdgeCasesOfAPass)
{
    JobSequencer seq;
    // Closed before its header came: never activated, deleted all the same.
    CPrtJobThread* unnamed = addJob(seq, "");
    // Names that differ only in case are different printers.
    CPrtJobThread* upper = addJob(seq, "Laser");
    CPrtJobThread* lower = addJob(seq, "laser");
    // A job waiting behind the running one whose host leaves must not free the printer.
    CPrtJobThread* running = addJob(seq, "P");
    CPrtJobThread* leaving = addJob(seq, "P");
    CPrtJobThread* next = addJob(seq, "P");

    seq.DispatchJobs();
    EXPECT_FALSE(activated(unnamed));
    EXPECT_TRUE(activated(upper));
    EXPECT_TRUE(activated(lower));
    EXPECT_TRUE(activated(running));

    seq.RemovePrtJobThread(unnamed);
    seq.RemovePrtJobThread(leaving);
    seq.DispatchJobs();
    EXPECT_FALSE(activated(next)) << "the printer is still busy with the running job";
    EXPECT_EQ(seq.JobCount(), 4u);

    seq.RemovePrtJobThread(running);
    seq.DispatchJobs();
    EXPECT_TRUE(activated(next));

    EXPECT_FALSE(seq.AddPrtJobThread(nullptr));
    EXPECT_FALSE(seq.RemovePrtJobThread(nullptr));
}

// A worker's registration lists its record while it lives; its end takes the record out, so
// the printer goes to the next job even when the worker leaves early.
TEST(JobSequencer, RegistrationListsTheRecordUntilItEnds)
{
    JobSequencer seq;
    CPrtJobThread* waiting = nullptr;
    {
        typestone::PrtJobRegistration first(seq, nullptr);
        ASSERT_NE(first.job(), nullptr);
        first.job()->SetPrtJobName("A", nullptr);
        waiting = addJob(seq, "A");
        seq.DispatchJobs();
        EXPECT_TRUE(activated(first.job()));
        EXPECT_FALSE(activated(waiting));
        EXPECT_EQ(seq.JobCount(), 2u);
    }
    seq.DispatchJobs();
    EXPECT_EQ(seq.JobCount(), 1u);
    EXPECT_TRUE(activated(waiting));
}

TEST(JobSequencer, ThreadActivatesOnWakeAndStopsTwice)
{
    JobSequencer seq;
    seq.StartPrtJobSequencer();
    CPrtJobThread* a = addJob(seq, "A");
    CPrtJobThread* b = addJob(seq, "A");
    EXPECT_TRUE(a->GetEvent().wait(std::chrono::seconds(10)));
    seq.RemovePrtJobThread(a);
    EXPECT_TRUE(b->GetEvent().wait(std::chrono::seconds(10)));
    seq.StopPrtJobSequencer();
    seq.StopPrtJobSequencer(); // returns at once
    EXPECT_TRUE(seq.IsStopping());
}

// The sequencer has no timer: its wait ends only by a wake, and the stop is one. An idle one
// (no job ever, or all of them ended) stops at once, and a job that comes while it is idle is
// activated by its own wake.
TEST(JobSequencer, AnIdleSequencerWakesForAJobAndStopsAtOnce)
{
    for (const bool hadJobs : {false, true}) {
        SCOPED_TRACE(hadJobs ? "after jobs" : "never a job");
        JobSequencer seq;
        seq.StartPrtJobSequencer();
        if (hadJobs) {
            CPrtJobThread* a = addJob(seq, "A");
            ASSERT_TRUE(a->GetEvent().wait(std::chrono::seconds(10)));
            seq.RemovePrtJobThread(a);
            for (int i = 0; i < 1000 && seq.JobCount() > 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_EQ(seq.JobCount(), 0u);
            CPrtJobThread* b = addJob(seq, "A");
            EXPECT_TRUE(b->GetEvent().wait(std::chrono::seconds(10)));
        }
        auto stopped = std::async(std::launch::async, [&] { seq.StopPrtJobSequencer(); });
        EXPECT_EQ(stopped.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    }
}

TEST(JobSequencer, JobCounterAndHandshakeLock)
{
    JobSequencer seq;
    EXPECT_EQ(seq.NextDocNr(), 0);
    EXPECT_EQ(seq.NextDocNr(), 1);

    std::atomic<bool> cancel{false};
    auto held = seq.LockHandshake(&cancel);
    ASSERT_TRUE(held.owns_lock());
    std::atomic<bool> otherCancel{true};
    std::thread other([&] { EXPECT_FALSE(seq.LockHandshake(&otherCancel).owns_lock()); });
    other.join();
    held.unlock();
    EXPECT_TRUE(seq.LockHandshake(&cancel).owns_lock());
}

TEST(PrtJobThread, StatusAndStatistics)
{
    CPrtJobThread job(nullptr, reinterpret_cast<void*>(0x1234));
    job.SetPrtJobName("Laser", "10.0.0.5:1025_7");
    std::string text;
    EXPECT_EQ(job.GetStatusText(nullptr), nullptr);
    EXPECT_STREQ(job.GetStatusText(&text),
                 "Job='10.0.0.5:1025_7'-Prt='Laser'-Status=Waiting (0x0000) - Thread=0x1234");
    EXPECT_STREQ(CPrtJobThread::StatusText(9), "Unknown");
    job.SetJobSize(512);
    job.SetFinished();
    EXPECT_TRUE(job.IsFinished());
    const std::string stats = job.StatisticsText();
    EXPECT_NE(stats.find("Job='10.0.0.5:1025_7'- Size=512 bytes (Elap="), std::string::npos) << stats;
    // A raw job never records a print start: no made-up spans or times.
    EXPECT_NE(stats.find("Wait=--:--:--, Prt=--:--:--)"), std::string::npos) << stats;
    EXPECT_NE(stats.find("\nStart Time=-\n"), std::string::npos) << stats;
}

// A job that did not end whole says how it ended on the last line of its statistics; a whole
// job's statistics end with the end time.
TEST(PrtJobThread, StatisticsEndWithTheOutcome)
{
    CPrtJobThread job;
    job.SetPrtJobName("Laser", "j_1");
    EXPECT_EQ(job.StatisticsText().rfind("\nEnd Time="), job.StatisticsText().rfind('\n'));
    job.SetOutcome("Cut short: the host reset the connection; what arrived was printed");
    const std::string stats = job.StatisticsText();
    EXPECT_TRUE(
        stats.ends_with("\nEnd Time=-\nCut short: the host reset the connection; what arrived was printed"))
        << stats;
}
