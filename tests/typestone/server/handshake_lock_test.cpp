#include "typestone/server/handshake_lock.h"

#include "typestone/server/job_sequencer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using typestone::HandshakeLock;

namespace {

constexpr int kWaitMs = 10000;

// A waiter's own wait: until its signal is set (bounded; the lock looks again either way).
bool waitForSignal(platform::jobio::WakeSignal& signal)
{
    for (int i = 0; i < kWaitMs && !signal.isSet(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    signal.clear();
    return true;
}

bool waitUntil(const std::function<bool()>& condition)
{
    for (int i = 0; i < kWaitMs / 5; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

} // namespace

// Waiters that ask one after the other while the lock is held get it in that order, whether
// they are told by their own signal or wait on the lock's condition.
TEST(HandshakeLock, WaitersGetTheLockInTheOrderTheyAsked)
{
    struct Case
    {
        const char* what;
        bool (*bySignal)(int waiter);
    };
    const Case cases[] = {
        {"signals", [](int) { return true; }},
        {"condition", [](int) { return false; }},
        {"both, taking turns", [](int i) { return i % 2 == 0; }},
    };
    constexpr int kWaiters = 8;
    for (const Case& c : cases) {
        HandshakeLock lock;
        std::atomic<bool> never{false};
        HandshakeLock::Hold held = lock.acquire(&never);
        ASSERT_TRUE(held.owns_lock()) << c.what << ": a free lock is taken at once";

        std::vector<std::unique_ptr<platform::jobio::WakeSignal>> signals;
        std::vector<int> order; // written only by the lock's holder
        std::vector<std::thread> waiters;
        for (int i = 0; i < kWaiters; ++i) {
            signals.push_back(std::make_unique<platform::jobio::WakeSignal>());
            platform::jobio::WakeSignal& signal = *signals.back();
            const bool bySignal = c.bySignal(i);
            waiters.emplace_back([&, i, bySignal] {
                HandshakeLock::Hold mine = bySignal
                                               ? lock.acquire(signal, [&] { return waitForSignal(signal); })
                                               : lock.acquire(&never);
                EXPECT_TRUE(mine.owns_lock()) << c.what << ": waiter " << i;
                order.push_back(i);
            });
            ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == static_cast<size_t>(i + 1); })) << c.what;
        }
        EXPECT_TRUE(lock.InUse());
        held.unlock();
        for (auto& t : waiters)
            t.join();
        std::vector<int> expected;
        for (int i = 0; i < kWaiters; ++i)
            expected.push_back(i);
        EXPECT_EQ(order, expected) << c.what;
        EXPECT_FALSE(lock.InUse()) << c.what;
        EXPECT_TRUE(lock.acquire(&never).owns_lock()) << c.what << ": free again";
    }
}

// A waiter whose own wait ends first (the server stops, the host goes away) leaves the line
// without the lock, and the lock goes to the one behind it; one handed the lock just as its
// wait ended has it all the same.
TEST(HandshakeLock, AWaiterThatGivesUpLeavesTheLineToTheNext)
{
    HandshakeLock lock;
    std::atomic<bool> never{false};
    HandshakeLock::Hold held = lock.acquire(&never);
    ASSERT_TRUE(held.owns_lock());

    platform::jobio::WakeSignal leaverSignal;
    std::atomic<bool> leave{false};
    std::atomic<bool> leaverOwned{true};
    std::thread leaver([&] {
        HandshakeLock::Hold mine = lock.acquire(leaverSignal, [&] {
            waitUntil([&] { return leave.load() || leaverSignal.isSet(); });
            return !leave.load();
        });
        leaverOwned = mine.owns_lock();
    });
    ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == 1; }));
    std::atomic<bool> cancel{false};
    std::atomic<bool> cancelledOwned{true};
    std::thread cancelled([&] { cancelledOwned = lock.acquire(&cancel).owns_lock(); });
    ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == 2; }));
    std::atomic<bool> lastOwned{false};
    std::thread last([&] { lastOwned = lock.acquire(&never).owns_lock(); });
    ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == 3; }));

    leave = true;
    leaverSignal.set();
    leaver.join();
    EXPECT_FALSE(leaverOwned);
    cancel = true;
    cancelled.join(); // within a slice of the cancel
    EXPECT_FALSE(cancelledOwned);
    EXPECT_EQ(lock.Waiting(), 1u);
    held.unlock();
    last.join();
    EXPECT_TRUE(lastOwned) << "the one behind those who left";

    // Handed over from inside the waiter's own wait, which then gives up: the lock is its.
    HandshakeLock::Hold first = lock.acquire(&never);
    ASSERT_TRUE(first.owns_lock());
    platform::jobio::WakeSignal signal;
    HandshakeLock::Hold second = lock.acquire(signal, [&] {
        first.unlock();
        return false;
    });
    EXPECT_TRUE(second.owns_lock());
    EXPECT_EQ(lock.Waiting(), 0u);
    second.unlock();
    EXPECT_FALSE(lock.InUse());
}

// The first steps of a waiter's turn run as the lock is handed to it: on the thread that lets
// the lock go, before the waiter's acquire returns, and only for a waiter that gets the lock
// from someone (not for one that finds it free, nor for one that left the line).
TEST(HandshakeLock, AWaitersFirstStepsRunAsTheLockIsHandedToIt)
{
    HandshakeLock lock;
    std::atomic<bool> never{false};
    platform::jobio::WakeSignal freeSignal;
    int freeSteps = 0;
    HandshakeLock::Hold held = lock.acquire(
        freeSignal, [] { return true; }, [&] { ++freeSteps; });
    ASSERT_TRUE(held.owns_lock());
    EXPECT_EQ(freeSteps, 0) << "a free lock is taken without a hand-over";

    std::mutex mutex;
    std::vector<std::string> events;
    const auto note = [&](const std::string& e) {
        std::lock_guard<std::mutex> guard(mutex);
        events.push_back(e);
    };
    platform::jobio::WakeSignal leaverSignal;
    std::atomic<bool> leave{false};
    std::thread leaver([&] {
        HandshakeLock::Hold mine = lock.acquire(
            leaverSignal,
            [&] {
                waitUntil([&] { return leave.load() || leaverSignal.isSet(); });
                return !leave.load();
            },
            [&] { note("leaver's steps"); });
        EXPECT_FALSE(mine.owns_lock());
    });
    ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == 1; }));
    platform::jobio::WakeSignal nextSignal;
    std::thread::id stepsThread;
    std::thread next([&] {
        HandshakeLock::Hold mine = lock.acquire(
            nextSignal, [&] { return waitForSignal(nextSignal); },
            [&] {
                stepsThread = std::this_thread::get_id();
                note("next's steps");
            });
        note(mine.owns_lock() ? "next has the lock" : "next without the lock");
    });
    ASSERT_TRUE(waitUntil([&] { return lock.Waiting() == 2; }));
    leave = true;
    leaverSignal.set();
    leaver.join();
    ASSERT_EQ(lock.Waiting(), 1u);
    note("let go");
    held.unlock();
    next.join();
    EXPECT_EQ(stepsThread, std::this_thread::get_id()) << "run by the one that let the lock go";
    EXPECT_EQ(events, (std::vector<std::string>{"let go", "next's steps", "next has the lock"}));
    EXPECT_FALSE(lock.InUse());
}
