#pragma once
// Line volumes through ALSA's simple mixer. The mixer of an audio device is
// the one of its card: a device name that carries "hw:N" (as PortAudio
// names ALSA devices) opens card N, any other name the "default" control
// device. The speaker line is the first of Master, Speaker, PCM, Headphone
// with a playback volume; the microphone line the first of Capture, Mic,
// Internal Mic with a capture volume, or else any element with one. Each
// open line has a thread that waits for the card's change events.
#include <string>

#include "platform/Mixer.h"

namespace kel {

class TAlsaMixer : public IMixer {
public:
    std::unique_ptr<IMixerLine> OpenLine(TMixerLineKind kind, const std::string& device_name,
                                         std::function<void()> on_change) override;
    std::string LastError() const override;

    // The ALSA control device for an audio device name ("hw:N" or "default").
    static std::string ControlDeviceFor(const std::string& device_name);

private:
    std::string error_;
};

} // namespace kel
