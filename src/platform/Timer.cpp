#include "platform/Timer.h"

namespace kel {

TTimer::TTimer(ILoop& loop, uint32_t interval_ms) : loop_(&loop), interval_ms_(interval_ms) {}

TTimer::~TTimer() {
    if (loop_) loop_->Disarm(this);
}

void TTimer::SetInterval(uint32_t ms) {
    if (ms == interval_ms_) return;
    interval_ms_ = ms;
    Rearm();
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Rearm();
}

void TTimer::Rearm() {
    if (!loop_) return;
    if (enabled_ && interval_ms_ > 0)
        loop_->Arm(this, loop_->Now() + interval_ms_);
    else
        loop_->Disarm(this);
}

void TTimer::Fire() {
    if (!enabled_ || interval_ms_ == 0) {
        if (loop_) loop_->Disarm(this);
        return;
    }
    // Copy the handler: it may destroy this timer while it runs.
    auto handler = OnTimer;
    if (handler) handler(*this);
}

} // namespace kel
