#include "media/AudioFormat.h"

namespace kel {

namespace {
int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
} // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                v[k] = 0;
                ++pad;
                continue;
            }
            if (pad) return std::nullopt; // a letter after padding
            v[k] = Base64Value(c);
            if (v[k] < 0) return std::nullopt;
        }
        uint32_t triple = (uint32_t(v[0]) << 18) | (uint32_t(v[1]) << 12) | (uint32_t(v[2]) << 6) | uint32_t(v[3]);
        out.push_back(static_cast<uint8_t>(triple >> 16));
        if (pad < 2) out.push_back(static_cast<uint8_t>(triple >> 8));
        if (pad < 1) out.push_back(static_cast<uint8_t>(triple));
    }
    return out;
}

std::optional<TStreamFormat> ApplyFormatText(std::string_view text, uint32_t chunks_per_second)
{
    auto bytes = DecodeBase64(text);
    if (!bytes) return std::nullopt;
    auto wave = ReadWaveFormatEx(*bytes);
    if (!wave) return std::nullopt;
    if (wave->format_tag != kStreamFormatTag || wave->channels != 1 || wave->samples_per_sec != 16000 ||
        wave->avg_bytes_per_sec != 4000)
        return std::nullopt;
    if (chunks_per_second == 0 || wave->samples_per_sec % chunks_per_second != 0 ||
        wave->avg_bytes_per_sec % chunks_per_second != 0)
        return std::nullopt;
    TStreamFormat f;
    f.wave = *wave;
    f.pcm = TPcmFormat{wave->samples_per_sec, wave->channels, 16};
    f.frames_per_block = wave->samples_per_sec / chunks_per_second;
    f.packet_bytes = wave->avg_bytes_per_sec / chunks_per_second;
    f.bitrate = wave->avg_bytes_per_sec * 8;
    return f;
}

} // namespace kel
