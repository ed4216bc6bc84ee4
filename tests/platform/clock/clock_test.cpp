#include "platform/clock/Clock.h"
#include "platform/post/MessageTarget.h"

#include <gtest/gtest.h>

#include <thread>

namespace vk {
namespace {

TEST(VirtualClock, FreeRunningSleepAdvancesAtOnce)
{
    CVirtualClock clock(1000);
    clock.SleepMs(120000);
    EXPECT_EQ(clock.NowMs(), 121000u);
    clock.AdvanceTo(50);  // never backwards
    EXPECT_EQ(clock.NowMs(), 121000u);
}

TEST(VirtualClock, DrivenSleepWaitsForTheDriver)
{
    CVirtualClock clock;
    clock.SetDriven(true);
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        clock.SleepMs(500);
        woke = true;
    });
    clock.WaitForSleepers(1);
    clock.Advance(499);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(woke.load());
    clock.Advance(1);
    sleeper.join();
    EXPECT_TRUE(woke.load());
}

// Waits belong to the clock: a virtual one lets the wait's time pass in its own
// sleeps (no real time), and a condition that holds ends the wait at once.
TEST(VirtualClock, WaitUntilRunsOnTheClocksTime)
{
    CVirtualClock clock(100);
    std::mutex mutex;
    std::condition_variable changed;
    std::unique_lock lock(mutex);
    EXPECT_FALSE(clock.WaitUntil(lock, changed, 3000, [] { return false; }));
    EXPECT_EQ(clock.NowMs(), 3100u);
    EXPECT_TRUE(lock.owns_lock());
    int polls = 0;
    EXPECT_TRUE(clock.WaitUntil(lock, changed, 3000, [&] { return ++polls == 3; }));
    EXPECT_LT(clock.NowMs(), 3100u + 3000u);
    EXPECT_TRUE(lock.owns_lock());
}

TEST(VirtualClock, LocalTimeFollowsTheTimeLine)
{
    CVirtualClock clock;
    clock.SetLocalBase({2026, 12, 3, 9, 23, 59, 59, 900});
    clock.Advance(250);
    const LocalTime t = clock.Local();
    EXPECT_EQ(t.wDay, 10);
    EXPECT_EQ(t.wDayOfWeek, 4);
    EXPECT_EQ(t.wHour, 0);
    EXPECT_EQ(t.wMinute, 0);
    EXPECT_EQ(t.wSecond, 0);
    EXPECT_EQ(t.wMilliseconds, 150);
}

TEST(MessageQueue, PostsFromManyThreadsArriveWhole)
{
    CMessageQueue queue;
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i)
                queue.Post(WM_APP + 2, static_cast<WPARAM>(t), i);
        });
    for (auto& p : posters)
        p.join();
    const auto all = queue.TakeAll();
    ASSERT_EQ(all.size(), 4000u);
    std::array<LPARAM, 4> last{-1, -1, -1, -1};
    for (const auto& m : all) {  // each poster's messages stay in order
        EXPECT_EQ(m.lParam, last[m.wParam] + 1);
        last[m.wParam] = m.lParam;
    }
}

}  // namespace
}  // namespace vk
