#include "platform/PcmConvert.h"

#include <algorithm>
#include <cmath>

namespace kel {
namespace {

int ReadSample(const uint8_t* p, uint16_t bits)
{
    if (bits == 8) return (int{p[0]} - 128) * 256;
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

void WriteSample(uint8_t* p, uint16_t bits, int v)
{
    v = std::clamp(v, -32768, 32767);
    if (bits == 8) {
        p[0] = static_cast<uint8_t>((v >> 8) + 128);
    } else {
        p[0] = static_cast<uint8_t>(v & 0xFF);
        p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
}

} // namespace

std::vector<uint8_t> ConvertPcm(const TPcmFormat& from, const uint8_t* data, size_t size, const TPcmFormat& to)
{
    if (!from.Valid() || !to.Valid() || !data) return {};
    const size_t in_frames = size / from.BytesPerFrame();
    if (in_frames == 0) return {};

    // First to 16-bit frames with the target's channels, at the source rate.
    std::vector<int> mixed(in_frames * to.channels);
    const size_t in_bytes = from.bits / 8u;
    for (size_t f = 0; f < in_frames; ++f) {
        const uint8_t* frame = data + f * from.BytesPerFrame();
        if (to.channels < from.channels) {
            // Fewer channels: each target channel averages its share.
            for (uint16_t c = 0; c < to.channels; ++c) {
                int sum = 0, n = 0;
                for (uint16_t s = c; s < from.channels; s += to.channels, ++n) sum += ReadSample(frame + s * in_bytes, from.bits);
                mixed[f * to.channels + c] = n ? sum / n : 0;
            }
        } else {
            for (uint16_t c = 0; c < to.channels; ++c)
                mixed[f * to.channels + c] = ReadSample(frame + (c % from.channels) * in_bytes, from.bits);
        }
    }

    const size_t out_frames = from.rate == to.rate
                                  ? in_frames
                                  : static_cast<size_t>(static_cast<uint64_t>(in_frames) * to.rate / from.rate);
    std::vector<uint8_t> out(out_frames * to.BytesPerFrame());
    const size_t out_bytes = to.bits / 8u;
    for (size_t f = 0; f < out_frames; ++f) {
        const double pos = from.rate == to.rate ? static_cast<double>(f) : static_cast<double>(f) * from.rate / to.rate;
        const size_t i = std::min(static_cast<size_t>(pos), in_frames - 1);
        const size_t j = std::min(i + 1, in_frames - 1);
        const double t = pos - static_cast<double>(i);
        for (uint16_t c = 0; c < to.channels; ++c) {
            const double v = mixed[i * to.channels + c] * (1.0 - t) + mixed[j * to.channels + c] * t;
            WriteSample(out.data() + f * to.BytesPerFrame() + c * out_bytes, to.bits, static_cast<int>(std::lround(v)));
        }
    }
    return out;
}

} // namespace kel
