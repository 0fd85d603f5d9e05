#pragma once
// Mixer lines: the volume of the speakers (the playback destination) and of
// the microphone (the recording source) of the mixer that belongs to an
// audio device, with a notification whenever the volume changes, whoever
// changed it. Volumes are 0..65535, one value for all channels.
// Backends: ALSA's simple mixer, and an in-memory mixer for tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kel {

enum class TMixerLineKind { Speakers = 1, Microphone = 2 };

class IMixerLine {
public:
    virtual ~IMixerLine() = default;
    // False when the volume cannot be read; `value` is then unchanged.
    virtual bool ReadVolume(uint16_t& value) = 0;
    // Sets every channel; false when it cannot be written.
    virtual bool WriteVolume(uint16_t value) = 0;
};

class IMixer {
public:
    virtual ~IMixer() = default;
    // Opens the `kind` line of the mixer that belongs to the audio device
    // named `device_name` (a name from an audio device list; empty for the
    // default device). `on_change` runs on the mixer's own thread after
    // each change of the line's volume and must not call back into the
    // line: hand it over to the GUI thread. Null, with LastError, when there
    // is no such mixer, line or volume control. The line stops notifying
    // when it is destroyed.
    virtual std::unique_ptr<IMixerLine> OpenLine(TMixerLineKind kind, const std::string& device_name,
                                                 std::function<void()> on_change) = 0;
    virtual std::string LastError() const = 0;
};

} // namespace kel
