#pragma once
// The audio stream's two layouts: the wave format descriptor that names the
// stream's codec (18 bytes, little-endian), and the audio chunk that carries
// one encoder block on the audio channel of the media transport.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kel {

struct TWaveFormatEx {
    uint16_t format_tag = 0;
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
    uint16_t extra_bytes = 0;
    bool operator==(const TWaveFormatEx&) const = default;
};
constexpr size_t kWaveFormatExBytes = 18;

// Exactly 18 bytes; a descriptor with extra bytes announced is refused,
// since the stream's format has none and there is nothing here to hold them.
std::optional<TWaveFormatEx> ReadWaveFormatEx(std::span<const uint8_t> bytes);
std::vector<uint8_t> WriteWaveFormatEx(const TWaveFormatEx& f);

// Audio chunk: magic, chunk number, time stamp (ms), N, then N codec bytes.
constexpr int32_t kAudioChunkMagic = 9990;
constexpr size_t kAudioChunkHeaderBytes = 16;

struct TAudioChunkView {
    uint32_t number = 0;
    uint32_t stamp = 0;
    std::span<const uint8_t> payload; // points into the bytes that were read
};

// Writes one chunk of N + 16 bytes.
std::vector<uint8_t> WriteAudioChunk(uint32_t number, uint32_t stamp, std::span<const uint8_t> payload);
// Takes a chunk apart. Refused: fewer than 16 bytes, another magic, or a
// size that is not exactly N + 16.
std::optional<TAudioChunkView> ReadAudioChunk(std::span<const uint8_t> bytes);
// Rewrites the time stamp of a written chunk in place (the sender stamps a
// chunk at the moment it leaves); false when `chunk` is too short.
bool PatchAudioChunkStamp(std::span<uint8_t> chunk, uint32_t stamp);

} // namespace kel
