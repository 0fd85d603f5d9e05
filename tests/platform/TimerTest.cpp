#include <gtest/gtest.h>

#include <vector>

#include "platform/ManualLoop.h"
#include "platform/Timer.h"

using namespace kel;

TEST(ManualLoop, IsTheProcessTickWhileItLives) {
    {
        ManualLoop loop(5000);
        EXPECT_EQ(GetTickCount(), 5000u);
        loop.AdvanceBy(250);
        EXPECT_EQ(GetTickCount(), 5250u);
    }
    // Back on the real clock: two reads are close together and move forward.
    Tick a = GetTickCount(), b = GetTickCount();
    EXPECT_GE(TickDiff(b, a), 0);
}

TEST(Timer, FiresEveryIntervalInDueOrderAndStopsWhenDisabled) {
    ManualLoop loop(0);
    std::vector<std::pair<char, Tick>> fired;
    TTimer fast(loop, 30), slow(loop, 100);
    fast.OnTimer = [&](TTimer&) { fired.push_back({'f', loop.Now()}); };
    slow.OnTimer = [&](TTimer&) { fired.push_back({'s', loop.Now()}); };
    fast.SetEnabled(true);
    slow.SetEnabled(true);
    loop.AdvanceBy(100);
    std::vector<std::pair<char, Tick>> want = {{'f', 30}, {'f', 60}, {'f', 90}, {'s', 100}};
    EXPECT_EQ(fired, want);

    fired.clear();
    fast.SetEnabled(false);
    loop.AdvanceBy(100);
    want = {{'s', 200}};
    EXPECT_EQ(fired, want);
}

TEST(Timer, HandlerMayDisableOrRetimeItselfAndZeroIntervalNeverFires) {
    ManualLoop loop(0);
    int count = 0;
    TTimer t(loop, 10);
    t.OnTimer = [&](TTimer& self) {
        if (++count == 3) self.SetEnabled(false);
    };
    t.SetEnabled(true);
    loop.AdvanceBy(1000);
    EXPECT_EQ(count, 3);

    TTimer zero(loop, 0);
    zero.OnTimer = [&](TTimer&) { ++count; };
    zero.SetEnabled(true);
    loop.AdvanceBy(1000);
    EXPECT_EQ(count, 3);
}

TEST(Timer, RunsAcrossTheTickWrap) {
    ManualLoop loop(0xFFFFFF00u);
    int count = 0;
    TTimer t(loop, 100);
    t.OnTimer = [&](TTimer&) { ++count; };
    t.SetEnabled(true);
    loop.AdvanceBy(1000); // crosses 2^32 after 256 ms
    EXPECT_EQ(count, 10);
    EXPECT_EQ(loop.Now(), 0xFFFFFF00u + 1000u);
    EXPECT_EQ(TickDiff(loop.Now(), 0xFFFFFF00u), 1000);
}

TEST(Timer, ATimerDestroyedByAnotherHandlerIsNotFired) {
    ManualLoop loop(0);
    auto victim = std::make_unique<TTimer>(loop, 10);
    int victim_fired = 0;
    victim->OnTimer = [&](TTimer&) { ++victim_fired; };
    TTimer killer(loop, 5);
    killer.OnTimer = [&](TTimer& self) {
        victim.reset();
        self.SetEnabled(false);
    };
    victim->SetEnabled(true);
    killer.SetEnabled(true);
    loop.AdvanceBy(100);
    EXPECT_EQ(victim_fired, 0);
}

TEST(ManualLoop, PostedTasksRunOnAdvance) {
    ManualLoop loop(0);
    int ran = 0;
    loop.Post([&] { loop.Post([&] { ++ran; }); ++ran; });
    loop.RunUntilIdle();
    EXPECT_EQ(ran, 2);
}
