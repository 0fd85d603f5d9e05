#pragma once
// A PollLoop running on a thread of its own, so that a TPackUdp's resend
// timer ticks in real time while the bench drives traffic from elsewhere.
// Objects on the loop are set up before Start and torn down after Stop.
#include <thread>

#include "platform/PollLoop.h"

namespace kel::bench {

class LoopThread {
public:
    ~LoopThread() { Stop(); }
    PollLoop& Loop() { return loop_; }
    void Start() {
        thread_ = std::thread([this] { loop_.Run(); });
    }
    void Stop() {
        if (!thread_.joinable()) return;
        loop_.Stop();
        thread_.join();
    }

private:
    PollLoop loop_;
    std::thread thread_;
};

} // namespace kel::bench
