#include "platform/Tick.h"

#include <atomic>
#include <ctime>

namespace kel {

namespace {
std::atomic<const ITickSource*> g_source{nullptr};
}

Tick RealTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<Tick>(ms);
}

Tick GetTickCount() {
    const ITickSource* s = g_source.load(std::memory_order_acquire);
    return s ? s->Now() : RealTickCount();
}

void SetTickSource(const ITickSource* source) { g_source.store(source, std::memory_order_release); }

} // namespace kel
