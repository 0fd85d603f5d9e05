#include "protocol/AudioLayout.h"

#include "foundation/WireReader.h"
#include "foundation/WireWriter.h"

namespace kel {

std::optional<TWaveFormatEx> ReadWaveFormatEx(std::span<const uint8_t> bytes)
{
    if (bytes.size() != kWaveFormatExBytes) return std::nullopt;
    WireReader r(bytes);
    TWaveFormatEx f;
    f.format_tag = r.U16();
    f.channels = r.U16();
    f.samples_per_sec = r.U32();
    f.avg_bytes_per_sec = r.U32();
    f.block_align = r.U16();
    f.bits_per_sample = r.U16();
    f.extra_bytes = r.U16();
    if (!r.Ok() || f.extra_bytes != 0) return std::nullopt;
    return f;
}

std::vector<uint8_t> WriteWaveFormatEx(const TWaveFormatEx& f)
{
    WireWriter w(kWaveFormatExBytes);
    w.U16(f.format_tag).U16(f.channels).U32(f.samples_per_sec).U32(f.avg_bytes_per_sec);
    w.U16(f.block_align).U16(f.bits_per_sample).U16(f.extra_bytes);
    return w.Take();
}

std::vector<uint8_t> WriteAudioChunk(uint32_t number, uint32_t stamp, std::span<const uint8_t> payload)
{
    WireWriter w(kAudioChunkHeaderBytes + payload.size());
    w.I32(kAudioChunkMagic).U32(number).U32(stamp).U32(static_cast<uint32_t>(payload.size()));
    w.Bytes(payload.data(), payload.size());
    return w.Take();
}

std::optional<TAudioChunkView> ReadAudioChunk(std::span<const uint8_t> bytes)
{
    WireReader r(bytes);
    int32_t magic = r.I32();
    TAudioChunkView v;
    v.number = r.U32();
    v.stamp = r.U32();
    uint32_t n = r.U32();
    if (!r.Ok() || magic != kAudioChunkMagic) return std::nullopt;
    // Written as a subtraction so that no N can overflow the comparison.
    if (n != r.Remaining()) return std::nullopt;
    v.payload = r.Bytes(n);
    if (!r.Ok()) return std::nullopt;
    return v;
}

bool PatchAudioChunkStamp(std::span<uint8_t> chunk, uint32_t stamp)
{
    if (chunk.size() < kAudioChunkHeaderBytes) return false;
    for (int i = 0; i < 4; ++i) chunk[8 + i] = static_cast<uint8_t>(stamp >> (8 * i));
    return true;
}

} // namespace kel
