#pragma once
// Collects what a device thread hands over and lets the test thread wait
// until enough has arrived (the devices run in real time; the wait ends as
// soon as the blocks are there, the bound only stops a broken device from
// hanging the run).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kel::test {

class TBlockCollector {
public:
    void Add(const uint8_t* data, size_t size)
    {
        std::lock_guard<std::mutex> guard(lock_);
        blocks_.emplace_back(data, data + size);
        arrived_.notify_all();
    }
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> guard(lock_);
        return arrived_.wait_for(guard, std::chrono::seconds(20), [&] { return blocks_.size() >= count; });
    }
    std::vector<std::vector<uint8_t>> Blocks()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return blocks_;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return blocks_.size();
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<std::vector<uint8_t>> blocks_;
};

inline int PeakMagnitude16(const std::vector<uint8_t>& pcm)
{
    int peak = 0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const int v = static_cast<int16_t>(static_cast<uint16_t>(pcm[i] | (pcm[i + 1] << 8)));
        peak = std::max(peak, v < 0 ? -v : v);
    }
    return peak;
}

} // namespace kel::test
