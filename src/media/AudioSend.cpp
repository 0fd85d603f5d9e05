#include "media/AudioSend.h"

#include <algorithm>
#include <cstring>

#include "media/AudioRecv.h"
#include "protocol/AudioLayout.h"

namespace kel {

uint32_t TGetTick::Next() { return NextAt(GetTickCount()); }

uint32_t TGetTick::NextAt(Tick now)
{
    std::lock_guard g(lock_);
    if (has_last_ && TickDiff(now, last_) <= 0) now = last_ + 1;
    last_ = now;
    has_last_ = true;
    return now;
}

TkelAudioSend::TkelAudioSend(ILoop& loop, IAudioCapture& capture, IAudioChunkSink& sink, int device)
    : loop_(loop), capture_(capture), sink_(sink), device_(device), level_timer_(loop, 100)
{
    level_timer_.OnTimer = [this](TTimer&) { OnLevelTimer(); };
}

TkelAudioSend::~TkelAudioSend() { Stop(); }

bool TkelAudioSend::HasAudio() const { return !capture_.Devices().empty(); }

int TkelAudioSend::Start(int32_t user_id, std::string nick, uint16_t port, uint32_t ip)
{
    Stop();
    user_id_ = user_id;
    nick_ = std::move(nick);
    port_ = port;
    ip_ = ip;
    number_ = 0;
    level_timer_.SetEnabled(true);
    active_ = true;
    auto f = ApplyFormatText(kStreamFormatText);
    if (!f) {
        error_ = "the stream format cannot be applied";
        return -1;
    }
    format_ = *f;
    if (!encoder_.Open(format_)) {
        error_ = encoder_.LastError();
        return -1;
    }
    return StartCapture();
}

void TkelAudioSend::Stop()
{
    active_ = false;
    level_timer_.SetEnabled(false);
    StopCapture();
    encoder_.Close();
    has_sent_ = false;
}

int TkelAudioSend::EnableAudio(bool on)
{
    if (!active_) return -1;
    if (!on) {
        StopCapture();
        return 0;
    }
    return capture_.IsOpen() ? 0 : StartCapture();
}

int TkelAudioSend::StartCapture()
{
    if (!encoder_.IsOpen()) return -1;
    if (capture_.IsOpen()) return 0;
    if (!HasAudio()) {
        error_ = "no recording device";
        return -1;
    }
    pending_.clear();
    if (!capture_.Open(device_, format_.pcm, format_.PcmBlockBytes(),
                       [this](const uint8_t* d, size_t n) { OnBlock(d, n); })) {
        error_ = capture_.LastError();
        return -1;
    }
    return 0;
}

void TkelAudioSend::StopCapture() { capture_.Close(); }

void TkelAudioSend::OnBlock(const uint8_t* data, size_t size)
{
    // Devices deliver the block size asked for, but a backend may cut a
    // block short; whole codec blocks are gathered from whatever comes.
    const size_t samples = size / 2;
    const size_t old = pending_.size();
    pending_.resize(old + samples);
    std::memcpy(pending_.data() + old, data, samples * 2);
    const size_t block = format_.frames_per_block;
    size_t used = 0;
    while (pending_.size() - used >= block) {
        SendBlock(std::span<const int16_t>(pending_.data() + used, block));
        used += block;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
}

void TkelAudioSend::SendBlock(std::span<const int16_t> pcm)
{
    meter_.Feed(pcm);
    auto packet = encoder_.Encode(pcm);
    if (packet.empty()) return;
    auto chunk = WriteAudioChunk(number_, stamps_.Next(), packet);
    ++number_;
    if (!active_) return;
    has_sent_ = true;
    sink_.SendAudioChunk(chunk);
}

void TkelAudioSend::AddMonitor(TkelAudioRecv* recv)
{
    if (recv && std::find(monitors_.begin(), monitors_.end(), recv) == monitors_.end()) monitors_.push_back(recv);
}

void TkelAudioSend::RemoveMonitor(TkelAudioRecv* recv) { std::erase(monitors_, recv); }

void TkelAudioSend::OnLevelTimer()
{
    int level = 0;
    if (!has_sent_ || !meter_.TryLevel(level)) return;
    for (TkelAudioRecv* m : monitors_)
        if (m->OnVolumeChange) m->OnVolumeChange(*m, level);
    if (OnVolumeChange) OnVolumeChange(level);
}

} // namespace kel
