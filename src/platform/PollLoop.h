#pragma once
// A real-time loop for the server and the command-line programs: it waits in
// poll() on its own wake-up eventfd and any watched descriptors, and runs due
// timers and posted tasks on the thread that called Run().
#include <atomic>
#include <functional>
#include <map>

#include "platform/Loop.h"

namespace kel {

class PollLoop : public ILoop {
public:
    PollLoop();
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    Tick Now() const override { return GetTickCount(); }
    void Post(std::function<void()> task) override;

    // Calls `on_ready` on the loop thread whenever `fd` is readable.
    void WatchReadable(int fd, std::function<void()> on_ready);
    void Unwatch(int fd);

    // Runs until Stop() is called (from any thread, or a signal handler
    // through RequestStop, which is async-signal-safe). A Stop() made before
    // Run() starts ends the next run at once.
    void Run();
    void Stop();
    void RequestStop();
    bool Stopping() const { return stop_.load(); }

private:
    void Wake();
    int wake_fd_ = -1;
    std::atomic<bool> stop_{false};
    std::map<int, std::function<void()>> watched_;
};

} // namespace kel
