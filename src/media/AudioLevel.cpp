#include "media/AudioLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kel {

TAudioLevelMeter::TAudioLevelMeter(size_t spectrum) : spectrum_(std::max<size_t>(spectrum, 1)) {}

void TAudioLevelMeter::SetSpectrumLength(size_t n)
{
    std::lock_guard g(lock_);
    spectrum_ = std::max<size_t>(n, 1);
    fed_ = false;
}

void TAudioLevelMeter::Feed(std::span<const int16_t> samples)
{
    std::lock_guard g(lock_);
    const size_t n = spectrum_;
    magnitudes_.assign(n, 0);
    // A plain DFT of the first n samples (missing samples count as zero):
    // n is 32 or 128, so this is cheap enough for ten blocks a second.
    // Each magnitude is the amplitude of its bin in sample units.
    const size_t have = std::min(n, samples.size());
    for (size_t k = 0; k < n; ++k) {
        double re = 0, im = 0;
        for (size_t i = 0; i < have; ++i) {
            double a = 2 * M_PI * double(k) * double(i) / double(n);
            re += samples[i] * std::cos(a);
            im -= samples[i] * std::sin(a);
        }
        double mag = std::sqrt(re * re + im * im) / double(n) * (k == 0 ? 1.0 : 2.0);
        magnitudes_[k] = static_cast<uint16_t>(std::min(mag, 65535.0));
    }
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
    peak_ = peak * 100 / 32768;
    fed_ = true;
}

bool TAudioLevelMeter::TryLevel(int& level) const
{
    std::unique_lock g(lock_, std::try_to_lock);
    if (!g.owns_lock() || !fed_) return false;
    int top = 0;
    for (size_t k = 0; k < std::min<size_t>(32, magnitudes_.size()); ++k) top = std::max(top, int(magnitudes_[k]));
    level = top * 100 / 15000;
    return true;
}

bool TAudioLevelMeter::TryPeak(int& percent) const
{
    std::unique_lock g(lock_, std::try_to_lock);
    if (!g.owns_lock() || !fed_) return false;
    percent = peak_;
    return true;
}

std::vector<uint16_t> TAudioLevelMeter::Magnitudes() const
{
    std::lock_guard g(lock_);
    return magnitudes_;
}

} // namespace kel
