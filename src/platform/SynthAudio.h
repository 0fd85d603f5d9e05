#pragma once
// Synthetic recording devices for machines without a microphone and for
// tests: a sine tone and silence, each one device, delivering blocks in real
// time on a thread of their own as a sound card would.
#include <atomic>
#include <mutex>
#include <string>

#include "platform/AudioDevice.h"
#include "platform/PacedThread.h"

namespace kel {

class TToneCapture : public IAudioCapture {
public:
    // A sine of `hz` whose samples reach +-`peak` (0..32767); a peak of 0
    // is the silence device.
    explicit TToneCapture(double hz = 440.0, int peak = 16384);
    ~TToneCapture() override { Close(); }

    std::vector<std::string> Devices() override;
    bool Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block) override;
    void Close() override;
    bool IsOpen() const override { return thread_.Running(); }
    std::string LastError() const override;

    // The next block as the device thread makes it (the tests use it to
    // know what the device sends without timing it).
    static std::vector<uint8_t> MakeBlock(const TPcmFormat& format, size_t frames, double hz, int peak, double& phase);

private:
    double hz_;
    int peak_;
    TPacedThread thread_;
    mutable std::mutex error_lock_;
    std::string error_;
};

} // namespace kel
