#pragma once
// Audio devices: a capturer that delivers PCM blocks and a renderer that
// takes them. Devices are listed and opened by index into their list, as
// the wizard and AVSet.ini know them. Each backend (PortAudio, WAV file,
// tone, silence) implements these; DeviceRegistry picks one.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/PcmFormat.h"

namespace kel {

// One captured block: `size` bytes of PCM in the format the capture was
// opened with. The bytes are valid only during the call.
using TPcmBlockHandler = std::function<void(const uint8_t* data, size_t size)>;

class IAudioCapture {
public:
    virtual ~IAudioCapture() = default;

    // Names of the recording devices, in index order.
    virtual std::vector<std::string> Devices() = 0;
    // Starts recording from device `index` in `format`, handing blocks of
    // `block_bytes` (rounded down to whole frames, at least one frame) to
    // `on_block` on the device's own thread. False, with LastError, when the
    // device cannot be opened; an open capture is closed first.
    virtual bool Open(int index, const TPcmFormat& format, size_t block_bytes, TPcmBlockHandler on_block) = 0;
    // Stops recording. When it returns, `on_block` is not running and is
    // not called again. Closing a closed capture does nothing.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual std::string LastError() const = 0;
};

class IAudioPlayback {
public:
    virtual ~IAudioPlayback() = default;

    // Names of the playback devices, in index order.
    virtual std::vector<std::string> Devices() = 0;
    // Opens device `index` for blocks in `format`. False, with LastError,
    // when it cannot; an open playback is closed first.
    virtual bool Open(int index, const TPcmFormat& format) = 0;
    // Queues `size` bytes for playing (copied). Safe from any thread, also
    // from a capture's device thread; ignored while closed. A backend keeps
    // a bounded queue and drops what does not fit rather than fall behind.
    virtual void Play(const uint8_t* data, size_t size) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual std::string LastError() const = 0;
};

} // namespace kel
