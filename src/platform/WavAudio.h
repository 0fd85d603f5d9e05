#pragma once
// WAV files as audio devices: a recording device that plays a file in a
// loop (converted to the format it is opened with) in real time, a
// playback device that records what it is given into a file, and one that
// discards it. Each is one device.
#include <atomic>
#include <mutex>
#include <string>

#include "platform/AudioDevice.h"
#include "platform/PacedThread.h"
#include "platform/WavFile.h"

namespace kel {

class TWavCapture : public IAudioCapture {
public:
    explicit TWavCapture(std::string path);
    ~TWavCapture() override { Close(); }

    // One device when the file can be read, none otherwise (LastError says why).
    std::vector<std::string> Devices() override;
    bool Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block) override;
    void Close() override;
    bool IsOpen() const override { return thread_.Running(); }
    std::string LastError() const override;

private:
    bool Load();
    void SetError(std::string e);

    std::string path_;
    bool loaded_ = false;
    TWavData wav_;
    TPacedThread thread_;
    mutable std::mutex error_lock_;
    std::string error_;
};

class TWavPlayback : public IAudioPlayback {
public:
    explicit TWavPlayback(std::string path) : path_(std::move(path)) {}
    ~TWavPlayback() override { Close(); }

    std::vector<std::string> Devices() override;
    bool Open(int index, const TPcmFormat& format) override;
    void Play(const uint8_t* data, size_t size) override;
    void Close() override;
    bool IsOpen() const override;
    std::string LastError() const override;

private:
    std::string path_;
    mutable std::mutex lock_; // Play comes from device threads
    TWavWriter writer_;
    std::string error_;
};

class TNullPlayback : public IAudioPlayback {
public:
    std::vector<std::string> Devices() override { return {"Null output"}; }
    bool Open(int index, const TPcmFormat& format) override;
    void Play(const uint8_t* data, size_t size) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    std::string LastError() const override;
    uint64_t BytesPlayed() const { return played_; }

private:
    std::atomic<bool> open_{false};
    std::atomic<uint64_t> played_{0};
    mutable std::mutex lock_;
    std::string error_;
};

} // namespace kel
