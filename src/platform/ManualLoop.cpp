#include "platform/ManualLoop.h"

namespace kel {

ManualLoop::ManualLoop(Tick start, InstallClock install) : now_(start), installed_(install == InstallClock::Yes) {
    if (installed_) SetTickSource(this);
}

ManualLoop::~ManualLoop() {
    if (installed_) SetTickSource(nullptr);
}

void ManualLoop::RunUntilIdle() {
    // Bounded so that a task that keeps re-posting itself cannot hang a test.
    for (int i = 0; i < 10000 && RunPostedTasks() > 0; ++i) {
    }
}

void ManualLoop::AdvanceBy(uint32_t ms) {
    const Tick target = Now() + ms;
    RunUntilIdle();
    Armed a{};
    while (NextDue(target, a)) {
        now_.store(a.due, std::memory_order_release);
        Fire(a, a.due);
        RunUntilIdle();
    }
    now_.store(target, std::memory_order_release);
    RunUntilIdle();
}

} // namespace kel
