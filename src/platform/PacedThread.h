#pragma once
// The device thread of the synthetic devices (tone, silence, WAV file,
// test pattern): calls a step function at a steady pace in real time, as a
// sound card or camera would hand over its blocks, until stopped. Deadlines
// are absolute, so the pace does not drift with the time each step takes;
// a step that ran late is not repeated to catch up.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kel {

class TPacedThread {
public:
    TPacedThread() = default;
    ~TPacedThread() { Stop(); }
    TPacedThread(const TPacedThread&) = delete;
    TPacedThread& operator=(const TPacedThread&) = delete;

    // Calls `step` at once and then every `period` until Stop. A running
    // thread is stopped first.
    void Start(std::chrono::microseconds period, std::function<void()> step);
    // Wakes the thread and joins it; `step` is not running afterwards.
    // Must not be called from within `step`.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run(std::chrono::microseconds period, std::function<void()> step);

    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace kel
