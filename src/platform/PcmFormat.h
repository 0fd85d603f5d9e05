#pragma once
// The PCM format of audio blocks: sample rate, channels and bits per sample
// (8-bit samples are unsigned, 16-bit ones signed little-endian, channels
// interleaved), as the devices are opened with it.
#include <cstddef>
#include <cstdint>

namespace kel {

struct TPcmFormat {
    uint32_t rate = 8000;
    uint16_t channels = 1;
    uint16_t bits = 16;

    size_t BytesPerFrame() const { return size_t{channels} * (bits / 8u); }
    uint32_t BytesPerSecond() const { return rate * static_cast<uint32_t>(BytesPerFrame()); }
    // Only 8- and 16-bit PCM with 1 to 8 channels at 1 to 384000 Hz is served.
    bool Valid() const { return (bits == 8 || bits == 16) && channels >= 1 && channels <= 8 && rate >= 1 && rate <= 384000; }
    bool operator==(const TPcmFormat&) const = default;
};

} // namespace kel
