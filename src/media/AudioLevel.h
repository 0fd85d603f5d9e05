#pragma once
// The level meter behind the mic window's gauge: for the last block it was
// fed it keeps the spectral magnitudes of the block's first `spectrum`
// samples and the block's peak. It is fed on a device thread and read on the
// loop; a reading that meets a feed in progress is skipped, not waited for.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace kel {

class TAudioLevelMeter {
public:
    explicit TAudioLevelMeter(size_t spectrum = 32);

    void SetSpectrumLength(size_t n);
    void Feed(std::span<const int16_t> samples);

    // The gauge level: the largest of the first 32 magnitudes * 100 / 15000,
    // so 0..218. False while a feed is in progress or before the first feed.
    bool TryLevel(int& level) const;
    // The last block's peak as 0..100 of full scale (false as above).
    bool TryPeak(int& percent) const;
    // A copy of the magnitudes (for tests and a spectrum display).
    std::vector<uint16_t> Magnitudes() const;

private:
    mutable std::mutex lock_;
    size_t spectrum_;
    std::vector<uint16_t> magnitudes_;
    int peak_ = 0;
    bool fed_ = false;
};

} // namespace kel
