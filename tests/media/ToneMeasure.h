#pragma once
// Measures of a block of 16-bit samples that survive a lossy codec: the
// frequency from the zero crossings and the RMS level.
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace kel::test {

inline double Rms(std::span<const int16_t> s)
{
    if (s.empty()) return 0;
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return std::sqrt(sum / double(s.size()));
}

inline double ZeroCrossingHz(std::span<const int16_t> s, double rate)
{
    if (s.size() < 2) return 0;
    size_t crossings = 0;
    for (size_t i = 1; i < s.size(); ++i)
        if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
    return double(crossings) / 2.0 * rate / double(s.size());
}

inline std::vector<int16_t> Sine(size_t frames, double hz, double peak, double rate, double& phase)
{
    std::vector<int16_t> out(frames);
    const double step = 2 * M_PI * hz / rate;
    for (auto& v : out) {
        v = static_cast<int16_t>(std::lround(peak * std::sin(phase)));
        phase += step;
    }
    phase = std::fmod(phase, 2 * M_PI);
    return out;
}

} // namespace kel::test
