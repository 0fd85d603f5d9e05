#pragma once
// TTimer: a periodic timer on a loop, with the properties the windows and the
// transport expect (Interval, Enabled, Tag, OnTimer). It fires on the loop's
// thread, first Interval ms after it was enabled, then Interval ms after each
// firing; there is no catching up on missed periods. An Interval of 0 never
// fires. Changing Interval while enabled restarts the period.
#include <cstdint>
#include <functional>

#include "platform/Loop.h"

namespace kel {

class TTimer {
public:
    explicit TTimer(ILoop& loop, uint32_t interval_ms = 1000);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    uint32_t Interval() const { return interval_ms_; }
    void SetInterval(uint32_t ms);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

    // Free for the owner's use (the reliable layer counts its ticks in it).
    intptr_t Tag = 0;

    std::function<void(TTimer& sender)> OnTimer;

private:
    friend class ILoop;
    void Rearm();
    void Fire();
    void Detach() { loop_ = nullptr; }

    ILoop* loop_;
    uint32_t interval_ms_;
    bool enabled_ = false;
};

} // namespace kel
