#pragma once
// Recording and playback through PortAudio (its default host API, ALSA on
// Linux). The library is initialised on first use and terminated when the
// last device object goes; a machine without a sound card gives empty device
// lists and clear errors, never a crash.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"

namespace kel {

class TPortAudioLibrary;

class TPortAudioCapture : public IAudioCapture {
public:
    TPortAudioCapture();
    ~TPortAudioCapture() override;

    std::vector<std::string> Devices() override;
    bool Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block) override;
    void Close() override;
    bool IsOpen() const override;
    std::string LastError() const override;

    struct Stream;

private:
    std::shared_ptr<TPortAudioLibrary> lib_;
    mutable std::mutex lock_;
    std::unique_ptr<Stream> stream_;
    std::string error_;
};

class TPortAudioPlayback : public IAudioPlayback {
public:
    TPortAudioPlayback();
    ~TPortAudioPlayback() override;

    std::vector<std::string> Devices() override;
    bool Open(int index, const TPcmFormat& format) override;
    void Play(const uint8_t* data, size_t size) override;
    void Close() override;
    bool IsOpen() const override;
    std::string LastError() const override;

    struct Stream;

private:
    std::shared_ptr<TPortAudioLibrary> lib_;
    mutable std::mutex lock_;
    std::unique_ptr<Stream> stream_;
    std::string error_;
};

// Whether PortAudio could be initialised here, and its error text if not
// (for the tests and for diagnostics).
bool PortAudioAvailable(std::string* error = nullptr);

} // namespace kel
