#pragma once
// A loop on virtual time for tests. Time moves only through AdvanceBy /
// AdvanceTo, which fire every timer that falls due on the way, in the order
// of their due ticks, with the clock set to each due tick as it fires. A
// 300-second time-out therefore runs in microseconds.
//
// While it exists, a ManualLoop created with InstallClock::Yes is the
// process-wide tick source, so GetTickCount() anywhere reads virtual time.
#include <atomic>

#include "platform/Loop.h"

namespace kel {

class ManualLoop : public ILoop, public ITickSource {
public:
    enum class InstallClock { No, Yes };
    explicit ManualLoop(Tick start = 1000, InstallClock install = InstallClock::Yes);
    ~ManualLoop() override;

    Tick Now() const override { return now_.load(std::memory_order_acquire); }
    void Post(std::function<void()> task) override { PushTask(std::move(task)); }

    // Moves virtual time forward by `ms`, running posted tasks and due timers.
    void AdvanceBy(uint32_t ms);
    // Runs posted tasks (and tasks they post) without moving time.
    void RunUntilIdle();

private:
    std::atomic<Tick> now_;
    bool installed_;
};

} // namespace kel
