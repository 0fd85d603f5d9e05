#pragma once
// The receiving side of one mic holder's voice: chunks from the transport
// wait in the jitter buffer; due ones are decoded and played on the
// playback device, metered for the mic window's gauge and handed to
// OnAudioOut. Chunks that never came are filled with the decoder's
// concealment so that the voice keeps its pace.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "media/AudioFormat.h"
#include "media/AudioLevel.h"
#include "media/JitterBuffer.h"
#include "media/OpusCodec.h"
#include "platform/AudioDevice.h"
#include "platform/Timer.h"

namespace kel {

class TkelAudioRecv {
public:
    // Missing chunks filled with concealment before the next one; a longer
    // gap is a pause in the voice and is not filled.
    static constexpr uint32_t kMaxConcealedChunks = 3;

    TkelAudioRecv(ILoop& loop, IAudioPlayback& playback, int device = 0);
    ~TkelAudioRecv();
    TkelAudioRecv(const TkelAudioRecv&) = delete;
    TkelAudioRecv& operator=(const TkelAudioRecv&) = delete;

    // 0 when playing; -1 when the format, the codec or the device failed
    // (the receiver then stays silent but takes chunks without harm).
    int Start(int32_t user_id, std::string nick, uint16_t port, uint32_t ip, bool is_self);
    void Stop();

    // One audio channel payload; safe from the transport's receive thread.
    void AddChunk(std::span<const uint8_t> chunk);

    // False silences the user: new chunks are not kept, due ones not played.
    void SetActive(bool on) { active_ = on; }
    bool Active() const { return active_; }
    bool HasAudioData() const { return has_audio_data_; }
    bool Playing() const { return playing_; }
    void SetMaxCacheTick(int32_t ms);
    int32_t MaxCacheTick() const { return max_cache_tick_; }
    int32_t UserID() const { return user_id_; }
    const std::string& LastError() const { return error_; }

    // Every decoded block: 16-bit PCM, its size in bytes, the block's peak (0..100).
    std::function<void(const uint8_t* data, size_t size, int volume)> OnAudioOut;
    // Every 100 ms with the level (0..218) while audio comes (not for the
    // own receiver: the sender reports the own level to it).
    std::function<void(TkelAudioRecv& sender, int level)> OnVolumeChange;

    const TAudioCache& Cache() const { return cache_; }
    const TAudioLevelMeter& Meter() const { return meter_; }

private:
    void PlayChunk(std::span<const uint8_t> chunk);
    void Output(const std::vector<int16_t>& pcm);
    void OnLevelTimer();

    IAudioPlayback& playback_;
    int device_;
    TTimer level_timer_;
    TAudioCache cache_;
    TAudioLevelMeter meter_{128};
    TStreamFormat format_;
    TOpusDecoder decoder_;

    int32_t user_id_ = 0;
    std::string nick_;
    uint16_t port_ = 0;
    uint32_t ip_ = 0;
    bool is_self_ = false;
    std::string error_;
    bool playing_ = false;
    std::atomic<bool> active_{false};
    std::atomic<bool> has_audio_data_{false};
    int32_t max_cache_tick_ = 1000;
    bool has_last_number_ = false;
    uint32_t last_number_ = 0;
};

} // namespace kel
