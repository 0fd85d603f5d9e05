#pragma once
// The millisecond tick every part of the system reads: 32 bits, wrapping
// about every 49.7 days, like the platform tick the protocol was built on.
// Compare ticks only through differences (TickDiff / TickElapsed), never
// with < on the raw values.
#include <cstdint>

namespace kel {

using Tick = uint32_t;

// A source of ticks. The real one reads CLOCK_MONOTONIC; a manual loop
// installs itself so that tests run on virtual time.
class ITickSource {
public:
    virtual ~ITickSource() = default;
    virtual Tick Now() const = 0;
};

// The current tick from the installed source (thread-safe).
Tick GetTickCount();

// Installs a tick source for the whole process; nullptr restores the real
// clock. The source must outlive its installation.
void SetTickSource(const ITickSource* source);

// The real monotonic clock, whatever source is installed.
Tick RealTickCount();

// Signed distance a - b, correct across the wrap as long as the two ticks
// are less than 2^31 ms apart.
inline int32_t TickDiff(Tick a, Tick b) { return static_cast<int32_t>(a - b); }

// Unsigned milliseconds from `since` to `now` (now - since modulo 2^32).
inline uint32_t TickElapsed(Tick now, Tick since) { return now - since; }

} // namespace kel
