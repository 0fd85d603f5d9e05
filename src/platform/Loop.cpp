#include "platform/Loop.h"

#include <algorithm>

#include "platform/Timer.h"

namespace kel {

ILoop::~ILoop() {
    // Timers outliving their loop would call into freed memory; detach them.
    for (auto& a : armed_) a.timer->Detach();
}

void ILoop::Arm(TTimer* timer, Tick due) {
    Disarm(timer);
    armed_.push_back({timer, due, ++seq_});
    TimersChanged();
}

void ILoop::Disarm(TTimer* timer) {
    if (std::erase_if(armed_, [timer](const Armed& a) { return a.timer == timer; }) > 0) TimersChanged();
}

bool ILoop::NextDue(Tick limit, Armed& out) const {
    const Armed* best = nullptr;
    for (const auto& a : armed_) {
        if (TickDiff(a.due, limit) > 0) continue;
        if (!best || TickDiff(a.due, best->due) < 0 || (a.due == best->due && a.seq < best->seq)) best = &a;
    }
    if (!best) return false;
    out = *best;
    return true;
}

int32_t ILoop::MsUntilNextDue(Tick now) const {
    int32_t best = -1;
    for (const auto& a : armed_) {
        int32_t d = std::max<int32_t>(0, TickDiff(a.due, now));
        if (best < 0 || d < best) best = d;
    }
    return best;
}

void ILoop::Fire(const Armed& a, Tick now) {
    TTimer* t = a.timer;
    // Re-arm before the call so that the handler may disable or re-time it.
    Arm(t, now + t->Interval());
    t->Fire();
}

void ILoop::PushTask(std::function<void()> task) {
    std::lock_guard g(tasks_lock_);
    tasks_.push_back(std::move(task));
}

size_t ILoop::RunPostedTasks() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard g(tasks_lock_);
        batch.swap(tasks_);
    }
    for (auto& t : batch) t();
    return batch.size();
}

} // namespace kel
