#include "media/JitterBuffer.h"

#include "protocol/AudioLayout.h"

namespace kel {

TAudioCache::TAudioCache(ILoop& loop) : loop_(loop), play_timer_(loop, kPlayTickMs)
{
    play_timer_.OnTimer = [this](TTimer&) { OnPlayTimer(); };
}

TAudioCache::~TAudioCache() { Stop(); }

void TAudioCache::Start()
{
    {
        std::lock_guard g(lock_);
        entries_.clear();
        has_base_ = false;
        has_played_ = false;
    }
    play_timer_.SetEnabled(true);
    active_ = true;
}

void TAudioCache::Stop()
{
    active_ = false;
    play_timer_.SetEnabled(false);
    std::lock_guard g(lock_);
    ResetLocked();
}

void TAudioCache::ResetLocked()
{
    entries_.clear();
    has_base_ = false;
    has_played_ = false;
}

int32_t TAudioCache::DueLocked(uint32_t stamp, Tick now) const
{
    return static_cast<int32_t>(stamp + static_cast<uint32_t>(play_delay_.load()) + base_tick_ - base_stamp_ - now);
}

void TAudioCache::AddChunk(std::span<const uint8_t> chunk)
{
    if (!active_) return;
    auto view = ReadAudioChunk(chunk);
    std::lock_guard g(lock_);
    if (!view) {
        ++counts_.malformed;
        return;
    }
    const uint32_t stamp = view->stamp;
    const Tick now = loop_.Now();
    if (has_base_) {
        int32_t due = DueLocked(stamp, now);
        if (due >= kResetDistanceMs || due <= -kResetDistanceMs) {
            ResetLocked();
            ++counts_.resets;
        }
    }
    if (!has_base_) {
        has_base_ = true;
        base_stamp_ = stamp;
        base_tick_ = now;
    }
    if (has_played_ && TickDiff(stamp, last_played_) <= 0) {
        ++counts_.late;
        return;
    }
    auto it = entries_.begin();
    for (; it != entries_.end(); ++it) {
        int32_t d = TickDiff(stamp, it->stamp);
        if (d == 0) {
            ++counts_.duplicate;
            return;
        }
        if (d < 0) break;
    }
    if (entries_.size() >= kMaxEntries) {
        ++counts_.full;
        return;
    }
    entries_.insert(it, Entry{stamp, std::vector<uint8_t>(chunk.begin(), chunk.end())});
}

void TAudioCache::OnPlayTimer()
{
    if (!active_ || !OnOut) return;
    std::vector<uint8_t> out;
    {
        std::lock_guard g(lock_);
        if (entries_.empty()) return;
        int32_t due = DueLocked(entries_.front().stamp, loop_.Now());
        if (due >= kResetDistanceMs || due <= -kResetDistanceMs) {
            ResetLocked();
            ++counts_.resets;
            return;
        }
        if (due > 0) return;
        out = std::move(entries_.front().bytes);
        last_played_ = entries_.front().stamp;
        has_played_ = true;
        entries_.pop_front();
        ++counts_.played;
    }
    OnOut(out);
}

size_t TAudioCache::Waiting() const
{
    std::lock_guard g(lock_);
    return entries_.size();
}

TAudioCache::Counts TAudioCache::Counted() const
{
    std::lock_guard g(lock_);
    return counts_;
}

} // namespace kel
