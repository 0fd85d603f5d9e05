#include "platform/PacedThread.h"

namespace kel {

void TPacedThread::Start(std::chrono::microseconds period, std::function<void()> step)
{
    Stop();
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = false;
    }
    if (period.count() <= 0) period = std::chrono::microseconds(1000);
    thread_ = std::thread([this, period, step = std::move(step)] { Run(period, step); });
}

void TPacedThread::Stop()
{
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TPacedThread::Run(std::chrono::microseconds period, std::function<void()> step)
{
    auto due = std::chrono::steady_clock::now();
    for (;;) {
        step();
        due += period;
        const auto now = std::chrono::steady_clock::now();
        if (due < now) due = now; // behind: go on from now instead of bursting
        std::unique_lock<std::mutex> guard(lock_);
        if (wake_.wait_until(guard, due, [this] { return stop_; })) return;
    }
}

} // namespace kel
