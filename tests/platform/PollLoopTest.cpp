#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/PollLoop.h"
#include "platform/Timer.h"

using namespace kel;

// The poll loop runs real time; these tests only check that work posted from
// another thread is run on the loop thread and that Stop ends Run promptly.
TEST(PollLoop, RunsTasksPostedFromOtherThreadsAndStops) {
    PollLoop loop;
    std::atomic<int> ran{0};
    std::thread::id loop_thread;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) loop.Post([&] { ++ran; });
        loop.Post([&] {
            loop_thread = std::this_thread::get_id();
            loop.Stop();
        });
    });
    loop.Run();
    poster.join();
    EXPECT_EQ(ran.load(), 100);
    EXPECT_EQ(loop_thread, std::this_thread::get_id());
}

TEST(PollLoop, FiresTimers) {
    PollLoop loop;
    int count = 0;
    TTimer t(loop, 1);
    t.OnTimer = [&](TTimer&) {
        if (++count == 5) loop.Stop();
    };
    t.SetEnabled(true);
    loop.Run();
    EXPECT_EQ(count, 5);
}

TEST(PollLoop, AStopBeforeRunIsNotLostAndTheLoopRunsAgainAfterwards) {
    PollLoop loop;
    loop.Stop();
    loop.Run(); // returns at once instead of waiting for a second Stop
    int ran = 0;
    loop.Post([&] {
        ++ran;
        loop.Stop();
    });
    loop.Run();
    EXPECT_EQ(ran, 1);
}
