#pragma once
// The loop interface that timers run on, and the bookkeeping of armed timers
// that every binding shares. Bindings: ManualLoop (virtual time, tests),
// PollLoop (server and command-line programs) and the Qt binding of the
// windows. Timers and posted tasks always run on the loop's own thread.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Tick.h"

namespace kel {

class TTimer;

class ILoop {
public:
    virtual ~ILoop();

    // The loop's notion of the current tick.
    virtual Tick Now() const = 0;

    // Runs `task` on the loop's thread as soon as possible. Safe from any thread.
    virtual void Post(std::function<void()> task) = 0;

    // Timer registration, used by TTimer only.
    void Arm(TTimer* timer, Tick due);
    void Disarm(TTimer* timer);

protected:
    struct Armed {
        TTimer* timer;
        Tick due;
        uint64_t seq; // ties broken by arming order
    };
    // The armed timer due first, if it is due at or before `limit`.
    bool NextDue(Tick limit, Armed& out) const;
    // Milliseconds until the first armed timer is due (0 if overdue), -1 if none.
    int32_t MsUntilNextDue(Tick now) const;
    // Fires one due timer: re-arms it at now + Interval and calls OnTimer.
    void Fire(const Armed& a, Tick now);
    bool HasTimers() const { return !armed_.empty(); }
    // Called after every Arm and Disarm, so that a binding which sleeps in
    // someone else's event loop (Qt) can move its wake-up to the new first
    // due timer.
    virtual void TimersChanged() {}

    // Posted tasks: the lock guards only the queue.
    void PushTask(std::function<void()> task);
    // Runs every task posted so far; returns how many ran.
    size_t RunPostedTasks();

private:
    std::vector<Armed> armed_;
    uint64_t seq_ = 0;
    mutable std::mutex tasks_lock_;
    std::vector<std::function<void()>> tasks_;
};

} // namespace kel
