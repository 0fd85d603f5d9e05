#include "media/AudioRecv.h"

#include "protocol/AudioLayout.h"

namespace kel {

TkelAudioRecv::TkelAudioRecv(ILoop& loop, IAudioPlayback& playback, int device)
    : playback_(playback), device_(device), level_timer_(loop, 100), cache_(loop)
{
    level_timer_.OnTimer = [this](TTimer&) { OnLevelTimer(); };
    cache_.OnOut = [this](std::span<const uint8_t> c) { PlayChunk(c); };
}

TkelAudioRecv::~TkelAudioRecv() { Stop(); }

int TkelAudioRecv::Start(int32_t user_id, std::string nick, uint16_t port, uint32_t ip, bool is_self)
{
    Stop();
    user_id_ = user_id;
    nick_ = std::move(nick);
    port_ = port;
    ip_ = ip;
    is_self_ = is_self;
    has_last_number_ = false;
    level_timer_.SetEnabled(true);
    max_cache_tick_ = 1000;
    cache_.SetPlayDelay(max_cache_tick_);
    cache_.Start();
    active_ = true;

    auto f = ApplyFormatText(kStreamFormatText);
    if (!f) {
        error_ = "the stream format cannot be applied";
        return -1;
    }
    format_ = *f;
    meter_.SetSpectrumLength(128);
    if (!decoder_.Open(format_)) {
        error_ = "the decoder cannot be set up";
        return -1;
    }
    if (!playback_.Open(device_, format_.pcm)) {
        error_ = playback_.LastError();
        return -1;
    }
    playing_ = true;
    return 0;
}

void TkelAudioRecv::Stop()
{
    active_ = false;
    level_timer_.SetEnabled(false);
    cache_.Stop();
    if (playing_) playback_.Close();
    playing_ = false;
    decoder_.Close();
    has_audio_data_ = false;
}

void TkelAudioRecv::AddChunk(std::span<const uint8_t> chunk)
{
    if (active_) cache_.AddChunk(chunk);
}

void TkelAudioRecv::SetMaxCacheTick(int32_t ms)
{
    max_cache_tick_ = ms;
    cache_.SetPlayDelay(ms);
}

void TkelAudioRecv::PlayChunk(std::span<const uint8_t> chunk)
{
    if (!active_ || !playing_) return;
    auto view = ReadAudioChunk(chunk);
    if (!view) return;
    if (has_last_number_) {
        const uint32_t missing = view->number - last_number_ - 1;
        if (missing >= 1 && missing <= kMaxConcealedChunks)
            for (uint32_t i = 0; i < missing; ++i) Output(decoder_.Conceal());
    }
    has_last_number_ = true;
    last_number_ = view->number;
    Output(decoder_.Decode(view->payload));
    has_audio_data_ = true;
}

void TkelAudioRecv::Output(const std::vector<int16_t>& pcm)
{
    if (pcm.empty()) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pcm.data());
    const size_t size = pcm.size() * sizeof(int16_t);
    playback_.Play(bytes, size);
    meter_.Feed(pcm);
    if (OnAudioOut) {
        int peak = 0;
        meter_.TryPeak(peak);
        OnAudioOut(bytes, size, peak);
    }
}

void TkelAudioRecv::OnLevelTimer()
{
    int level = 0;
    if (is_self_ || !has_audio_data_ || !meter_.TryLevel(level)) return;
    if (OnVolumeChange) OnVolumeChange(*this, level);
}

} // namespace kel
