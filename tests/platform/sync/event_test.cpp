#include "platform/sync/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using platform::sync::Event;
using namespace std::chrono_literals;

namespace {

// Generous: a waiter that is not released by then is a failure, never a slow machine.
constexpr auto kLong = 10s;

// Spins (with short sleeps) until `done` holds or about kLong has passed.
template <typename Pred> bool eventually(Pred done)
{
    const auto end = std::chrono::steady_clock::now() + kLong;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

TEST(EventTest, InitialStateAndResetFollowTheMode)
{
    struct Case
    {
        Event::ResetMode mode;
        bool initial;
        bool firstWait;
        bool secondWait;
    };
    const Case cases[] = {
        {Event::ResetMode::Manual, false, false, false},
        {Event::ResetMode::Manual, true, true, true}, // stays signalled
        {Event::ResetMode::Auto, false, false, false},
        {Event::ResetMode::Auto, true, true, false}, // the first wait consumes it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "manual=" << (c.mode == Event::ResetMode::Manual) << " initial=" << c.initial);
        Event e(c.mode, c.initial);
        EXPECT_EQ(e.wait(0ms), c.firstWait);
        EXPECT_EQ(e.wait(0ms), c.secondWait);
        e.set();
        EXPECT_TRUE(e.wait(0ms));
        e.set();
        e.reset();
        EXPECT_FALSE(e.wait(0ms));
        EXPECT_FALSE(e.wait(20ms)) << "an unset event must time out";
    }
}

TEST(EventTest, SetWakesAWaiterOfAnotherThread)
{
    for (auto mode : {Event::ResetMode::Manual, Event::ResetMode::Auto}) {
        Event e(mode);
        std::atomic<int> result{-1};
        std::thread waiter([&] { result = e.wait(kLong) ? 1 : 0; });
        std::this_thread::sleep_for(10ms); // usually lets the waiter block first
        e.set();
        waiter.join();
        EXPECT_EQ(result, 1);
    }
}

TEST(EventTest, ManualEventReleasesEveryWaiterAndStaysSet)
{
    Event e(Event::ResetMode::Manual);
    constexpr int kWaiters = 4;
    std::atomic<int> started{0};
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kWaiters; ++i)
        threads.emplace_back([&] {
            ++started;
            if (e.wait(kLong))
                ++released;
        });
    ASSERT_TRUE(eventually([&] { return started == kWaiters; }));
    e.set();
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(released, kWaiters);
    EXPECT_TRUE(e.wait(0ms));
}

TEST(EventTest, AutoEventReleasesOneWaiterPerSet)
{
    Event e(Event::ResetMode::Auto);
    constexpr int kWaiters = 3;
    std::atomic<int> started{0};
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kWaiters; ++i)
        threads.emplace_back([&] {
            ++started;
            if (e.wait(kLong))
                ++released;
        });
    ASSERT_TRUE(eventually([&] { return started == kWaiters; }));
    std::this_thread::sleep_for(10ms);

    e.set();
    ASSERT_TRUE(eventually([&] { return released >= 1; }));
    // The released waiter cleared it: nothing left to consume, nobody else let through.
    EXPECT_FALSE(e.wait(0ms));
    EXPECT_EQ(released, 1);

    // Each further set lets one more through (a set that meets no waiter stays pending).
    while (released < kWaiters) {
        const int before = released;
        e.set();
        ASSERT_TRUE(eventually([&] { return released > before; }));
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(released, kWaiters);
    EXPECT_FALSE(e.wait(0ms));
}

TEST(EventTest, ExtremeTimeoutsAreSafe)
{
    // A time-out far beyond the cap must not overflow the deadline, and a negative one only tests.
    Event set(Event::ResetMode::Manual, true);
    EXPECT_TRUE(set.wait(std::chrono::milliseconds::max()));
    EXPECT_TRUE(set.wait(std::chrono::milliseconds::min()));

    Event unset(Event::ResetMode::Auto);
    EXPECT_FALSE(unset.wait(std::chrono::milliseconds(-5)));
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = unset.wait(std::chrono::milliseconds::max()) ? 1 : 0; });
    std::this_thread::sleep_for(10ms);
    unset.set();
    waiter.join();
    EXPECT_EQ(result, 1);
}
