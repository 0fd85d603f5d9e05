#pragma once
// TAudioCache: the receiving side's jitter buffer. Chunks come from the
// transport's receive thread in any order; each is played a fixed delay
// after its time stamp, measured from the arrival of the first chunk, by a
// 10 ms play timer on the loop that hands out at most one chunk per tick.
//
// Stamps and their differences are compared wrap-safe. A chunk is dropped
// when it repeats a waiting stamp, when it is not newer than the chunk last
// played (a duplicate or a chunk too late to keep the order), or when the
// buffer is full. A chunk more than 10 s away from the play-out clock means
// the sender restarted or the clocks drifted: what waits is dropped and the
// clock is set again from that chunk.
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "platform/Timer.h"

namespace kel {

class TAudioCache {
public:
    static constexpr size_t kMaxEntries = 256;
    static constexpr int32_t kResetDistanceMs = 10001;
    static constexpr uint32_t kPlayTickMs = 10;

    explicit TAudioCache(ILoop& loop);
    ~TAudioCache();
    TAudioCache(const TAudioCache&) = delete;
    TAudioCache& operator=(const TAudioCache&) = delete;

    // Start and Stop on the loop's thread; Stop drops every waiting chunk.
    void Start();
    void Stop();
    bool Active() const { return active_; }

    // A whole audio chunk (copied). Safe from any thread; ignored unless
    // active and well-formed.
    void AddChunk(std::span<const uint8_t> chunk);

    void SetPlayDelay(int32_t ms) { play_delay_ = ms; }
    int32_t PlayDelay() const { return play_delay_; }
    // Called on the loop's thread with each chunk as it falls due.
    std::function<void(std::span<const uint8_t> chunk)> OnOut;

    size_t Waiting() const;
    // Counters for diagnostics and tests.
    struct Counts {
        uint64_t played = 0, duplicate = 0, late = 0, malformed = 0, full = 0, resets = 0;
    };
    Counts Counted() const;

private:
    struct Entry {
        uint32_t stamp;
        std::vector<uint8_t> bytes;
    };
    void OnPlayTimer();
    // Under lock_: forgets the waiting chunks and the clock.
    void ResetLocked();
    int32_t DueLocked(uint32_t stamp, Tick now) const;

    ILoop& loop_;
    TTimer play_timer_;
    std::atomic<bool> active_{false};
    std::atomic<int32_t> play_delay_{1000};

    mutable std::mutex lock_;
    std::deque<Entry> entries_; // ascending by stamp
    bool has_base_ = false;
    uint32_t base_stamp_ = 0;
    Tick base_tick_ = 0;
    bool has_played_ = false;
    uint32_t last_played_ = 0;
    Counts counts_;
};

} // namespace kel
