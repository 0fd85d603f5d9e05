#include "shell/QtLoop.h"

#include <QThread>

#include <gtest/gtest.h>

#include <thread>

#include "WaitFor.h"
#include "platform/Timer.h"

TEST(QtLoop, TimersFireOnTheGuiThreadInDueOrderAndPostsArriveFromOtherThreads) {
    kel::QtLoop loop;
    kel::TTimer slow(loop, 40), fast(loop, 10);
    std::vector<std::string> order;
    QThread* gui = QThread::currentThread();
    bool on_gui = true;
    slow.OnTimer = [&](kel::TTimer& t) {
        on_gui = on_gui && QThread::currentThread() == gui;
        order.push_back("slow");
        t.SetEnabled(false);
    };
    fast.OnTimer = [&](kel::TTimer& t) {
        on_gui = on_gui && QThread::currentThread() == gui;
        order.push_back("fast");
        if (t.Tag++ == 1) t.SetEnabled(false);
    };
    slow.SetEnabled(true);
    fast.SetEnabled(true);
    int posted = 0;
    std::thread other([&] { loop.Post([&] { posted += QThread::currentThread() == gui ? 1 : 100; }); });
    other.join();
    ASSERT_TRUE(WaitFor([&] { return order.size() == 3 && posted == 1; }));
    EXPECT_EQ(order, (std::vector<std::string>{"fast", "fast", "slow"}));
    EXPECT_TRUE(on_gui);
}

TEST(QtLoop, TimersKeepRunningInsideANestedEventLoop) {
    // A handler that opens a modal dialog must not freeze the other timers.
    kel::QtLoop loop;
    kel::TTimer outer(loop, 5), inner(loop, 5);
    int inner_fired = 0;
    outer.OnTimer = [&](kel::TTimer& t) {
        t.SetEnabled(false);
        inner.SetEnabled(true);
        WaitFor([&] { return inner_fired >= 3; }, 3000);
    };
    inner.OnTimer = [&](kel::TTimer&) { ++inner_fired; };
    outer.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return inner_fired >= 3; }));
}
