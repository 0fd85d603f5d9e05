#include "platform/SynthAudio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace kel {

TToneCapture::TToneCapture(double hz, int peak) : hz_(hz > 0 ? hz : 440.0), peak_(std::clamp(peak, 0, 32767)) {}

std::vector<std::string> TToneCapture::Devices()
{
    if (peak_ == 0) return {"Silence"};
    char name[64];
    std::snprintf(name, sizeof name, "Test tone %g Hz", hz_);
    return {name};
}

std::vector<uint8_t> TToneCapture::MakeBlock(const TPcmFormat& format, size_t frames, double hz, int peak, double& phase)
{
    std::vector<uint8_t> block(frames * format.BytesPerFrame());
    const double step = 2.0 * std::numbers::pi * hz / format.rate;
    uint8_t* p = block.data();
    for (size_t f = 0; f < frames; ++f) {
        const int v = static_cast<int>(std::lround(peak * std::sin(phase)));
        phase += step;
        if (phase >= 2.0 * std::numbers::pi) phase -= 2.0 * std::numbers::pi;
        for (uint16_t c = 0; c < format.channels; ++c) {
            if (format.bits == 8) {
                *p++ = static_cast<uint8_t>((v >> 8) + 128);
            } else {
                *p++ = static_cast<uint8_t>(v & 0xFF);
                *p++ = static_cast<uint8_t>((v >> 8) & 0xFF);
            }
        }
    }
    return block;
}

bool TToneCapture::Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block)
{
    Close();
    std::string error;
    if (index != 0) error = "no recording device " + std::to_string(index);
    else if (!format.Valid()) error = "unsupported PCM format";
    else if (!on_block) error = "no block handler";
    {
        std::lock_guard<std::mutex> guard(error_lock_);
        error_ = error;
    }
    if (!error.empty()) return false;

    const size_t frames = std::max<size_t>(1, block_bytes / format.BytesPerFrame());
    const auto period = std::chrono::microseconds(static_cast<int64_t>(frames) * 1000000 / format.rate);
    thread_.Start(period, [format, frames, hz = hz_, peak = peak_, on_block = std::move(on_block), phase = 0.0]() mutable {
        const std::vector<uint8_t> block = MakeBlock(format, frames, hz, peak, phase);
        on_block(block.data(), block.size());
    });
    return true;
}

void TToneCapture::Close() { thread_.Stop(); }

std::string TToneCapture::LastError() const
{
    std::lock_guard<std::mutex> guard(error_lock_);
    return error_;
}

} // namespace kel
