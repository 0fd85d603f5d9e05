#pragma once
// Which device backends a program uses: named in the [Devices] section of
// an INI file (keys AudioIn, AudioOut, Mixer, Camera) and overridden by the
// environment (KEL_AUDIO_IN, KEL_AUDIO_OUT, KEL_MIXER, KEL_CAMERA; KEL_AUDIO
// for both audio directions at once). Names:
//
//   audio in    portaudio (default) | tone[:HZ[:PEAK]] | silence | wav:FILE
//   audio out   portaudio (default) | wav:FILE | null
//   mixer       alsa (default) | memory
//   camera      v4l2[:DIR] (default, DIR /dev) | pattern
//
// KEL_AUDIO=X sets the input to X and, where KEL_AUDIO_OUT is not set, the
// output to portaudio when X is portaudio and to null otherwise; a test
// input also makes the mixer the in-memory one unless KEL_MIXER says else.
// An unknown name gives a device without any entries whose LastError says
// so: the program runs on as on a machine without that device.
#include <memory>
#include <string>

#include "platform/AudioDevice.h"
#include "platform/Camera.h"
#include "platform/Mixer.h"

namespace kel {

class TIniFile;

struct TDeviceChoice {
    std::string audio_in = "portaudio";
    std::string audio_out = "portaudio";
    std::string mixer = "alsa";
    std::string camera = "v4l2";
};

// `ini` may be null (environment and defaults only).
TDeviceChoice ChooseDevices(const TIniFile* ini);

std::unique_ptr<IAudioCapture> MakeAudioCapture(const std::string& name);
std::unique_ptr<IAudioPlayback> MakeAudioPlayback(const std::string& name);
std::unique_ptr<IMixer> MakeMixer(const std::string& name);
std::unique_ptr<ICamera> MakeCamera(const std::string& name);

} // namespace kel
