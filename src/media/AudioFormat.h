#pragma once
// The one fixed format of the audio stream, as sender and receiver agree on
// it: a base64 text of the wave format descriptor, which names the codec
// (tag 0401h: 16 kHz mono at 4000 bytes per second), and the PCM format the
// codec pairs with it on the device side.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/PcmFormat.h"
#include "protocol/AudioLayout.h"

namespace kel {

constexpr std::string_view kStreamFormatText = "AQQBAIA+AACgDwAAQAACAAAA";
constexpr uint16_t kStreamFormatTag = 0x0401;
constexpr uint32_t kChunksPerSecond = 10;

// Standard-alphabet base64 with its padding; nullopt for any other text.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

// What a format text gives a chain: the descriptor, the PCM format of the
// devices, and the bytes of one encoded block (one chunk's payload).
struct TStreamFormat {
    TWaveFormatEx wave;
    TPcmFormat pcm;
    uint32_t frames_per_block = 0;   // PCM frames in one block of a chunk
    uint32_t packet_bytes = 0;       // codec bytes per block
    uint32_t bitrate = 0;            // bits per second
    size_t PcmBlockBytes() const { return frames_per_block * pcm.BytesPerFrame(); }
};

// Decodes and checks a format text. Only a format that a codec here serves
// is accepted (tag 0401h, mono, 16000 Hz, 4000 bytes per second); anything
// else gives nullopt and the chain stays silent. There is deliberately no
// fallback to some PCM format: the far side would not be sending it.
std::optional<TStreamFormat> ApplyFormatText(std::string_view text, uint32_t chunks_per_second = kChunksPerSecond);

} // namespace kel
