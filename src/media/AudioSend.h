#pragma once
// The sending side of a mic holder's voice: blocks of a tenth of a second
// from the recording device are metered, encoded, wrapped into numbered and
// stamped audio chunks and handed to a chunk sink (the media transport's
// audio channel). The capture runs on its device's thread; the level timer
// on the loop.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "media/AudioFormat.h"
#include "media/AudioLevel.h"
#include "media/OpusCodec.h"
#include "platform/AudioDevice.h"
#include "platform/Timer.h"

namespace kel {

class TkelAudioRecv;

// Where finished chunks go. Called on the capture's device thread.
class IAudioChunkSink {
public:
    virtual ~IAudioChunkSink() = default;
    virtual void SendAudioChunk(std::span<const uint8_t> chunk) = 0;
};

// Stamps for the chunks of one sender: the millisecond tick, or one more
// than the last stamp when the tick has not moved past it, so that stamps
// are strictly increasing even within one millisecond. "Past" is measured
// as a tick difference, so the stamps go on following the clock when the
// 32-bit tick wraps.
class TGetTick {
public:
    uint32_t Next();
    uint32_t NextAt(Tick now);

private:
    std::mutex lock_;
    bool has_last_ = false;
    uint32_t last_ = 0;
};

class TkelAudioSend {
public:
    TkelAudioSend(ILoop& loop, IAudioCapture& capture, IAudioChunkSink& sink, int device = 0);
    ~TkelAudioSend();
    TkelAudioSend(const TkelAudioSend&) = delete;
    TkelAudioSend& operator=(const TkelAudioSend&) = delete;

    // Starts sending as `user_id`; the media server's address is only kept.
    // 0 when the capture runs; -1 when there is no recording device, the
    // codec cannot be set up or the device does not open (nothing is sent
    // then, but the sender stays started so that EnableAudio can retry).
    int Start(int32_t user_id, std::string nick, uint16_t port, uint32_t ip);
    void Stop();
    // Opens or closes the capture while started; the sender stays started.
    int EnableAudio(bool on);

    bool Active() const { return active_; }
    bool HasSent() const { return has_sent_; }
    bool Capturing() const { return capture_.IsOpen(); }
    // True when the system has at least one recording device.
    bool HasAudio() const;
    int32_t UserID() const { return user_id_; }
    const std::string& NickName() const { return nick_; }
    const std::string& LastError() const { return error_; }

    // Receivers that show the own level (the own mic window).
    void AddMonitor(TkelAudioRecv* recv);
    void RemoveMonitor(TkelAudioRecv* recv);
    // Fired every 100 ms with the own level (0..218) once a chunk went out.
    std::function<void(int level)> OnVolumeChange;

    const TAudioLevelMeter& Meter() const { return meter_; }

private:
    int StartCapture();
    void StopCapture();
    void OnBlock(const uint8_t* data, size_t size); // device thread
    void SendBlock(std::span<const int16_t> pcm);
    void OnLevelTimer();

    ILoop& loop_;
    IAudioCapture& capture_;
    IAudioChunkSink& sink_;
    int device_;
    TTimer level_timer_;
    TAudioLevelMeter meter_{32};
    TStreamFormat format_;
    TOpusEncoder encoder_;
    TGetTick stamps_;

    int32_t user_id_ = 0;
    std::string nick_;
    uint16_t port_ = 0;
    uint32_t ip_ = 0;
    std::string error_;
    std::vector<TkelAudioRecv*> monitors_;

    std::atomic<bool> active_{false};
    std::atomic<bool> has_sent_{false};
    // Touched only by the device thread while the capture is open.
    uint32_t number_ = 0;
    std::vector<int16_t> pending_;
};

} // namespace kel
