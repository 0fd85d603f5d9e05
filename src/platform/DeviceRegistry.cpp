#include "platform/DeviceRegistry.h"

#include <cstdlib>

#include "platform/AlsaMixer.h"
#include "platform/IniFile.h"
#include "platform/MemoryMixer.h"
#include "platform/PatternCamera.h"
#include "platform/PortAudioDevice.h"
#include "platform/SynthAudio.h"
#include "platform/V4l2Camera.h"
#include "platform/WavAudio.h"

namespace kel {
namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// "kind:rest" -> kind and rest (rest empty without a colon).
std::pair<std::string, std::string> Split(const std::string& name)
{
    const size_t colon = name.find(':');
    if (colon == std::string::npos) return {name, {}};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

std::string Unknown(const char* what, const std::string& name) { return std::string("unknown ") + what + " backend '" + name + "'"; }

// The device of a backend name that does not exist: nothing to list, and
// opening says why.
class TNoCapture : public IAudioCapture {
public:
    explicit TNoCapture(std::string e) : error_(std::move(e)) {}
    std::vector<std::string> Devices() override { return {}; }
    bool Open(int, const TPcmFormat&, size_t, TPcmBlockHandler) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    std::string LastError() const override { return error_; }

private:
    std::string error_;
};

class TNoPlayback : public IAudioPlayback {
public:
    explicit TNoPlayback(std::string e) : error_(std::move(e)) {}
    std::vector<std::string> Devices() override { return {}; }
    bool Open(int, const TPcmFormat&) override { return false; }
    void Play(const uint8_t*, size_t) override {}
    void Close() override {}
    bool IsOpen() const override { return false; }
    std::string LastError() const override { return error_; }

private:
    std::string error_;
};

class TNoMixer : public IMixer {
public:
    explicit TNoMixer(std::string e) : error_(std::move(e)) {}
    std::unique_ptr<IMixerLine> OpenLine(TMixerLineKind, const std::string&, std::function<void()>) override { return nullptr; }
    std::string LastError() const override { return error_; }

private:
    std::string error_;
};

class TNoCamera : public ICamera {
public:
    explicit TNoCamera(std::string e) : error_(std::move(e)) {}
    std::vector<std::string> Devices() override { return {}; }
    bool Open(int, int32_t, int32_t, int32_t, TVideoFrameHandler) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    std::string LastError() const override { return error_; }

private:
    std::string error_;
};

} // namespace

TDeviceChoice ChooseDevices(const TIniFile* ini)
{
    TDeviceChoice c;
    if (ini) {
        c.audio_in = ini->ReadString("Devices", "AudioIn", c.audio_in);
        c.audio_out = ini->ReadString("Devices", "AudioOut", c.audio_out);
        c.mixer = ini->ReadString("Devices", "Mixer", c.mixer);
        c.camera = ini->ReadString("Devices", "Camera", c.camera);
    }
    if (const std::string both = Env("KEL_AUDIO"); !both.empty()) {
        c.audio_in = both;
        c.audio_out = both == "portaudio" ? "portaudio" : "null";
        if (both != "portaudio") c.mixer = "memory";
    }
    if (std::string v = Env("KEL_AUDIO_IN"); !v.empty()) c.audio_in = v;
    if (std::string v = Env("KEL_AUDIO_OUT"); !v.empty()) c.audio_out = v;
    if (std::string v = Env("KEL_MIXER"); !v.empty()) c.mixer = v;
    if (std::string v = Env("KEL_CAMERA"); !v.empty()) c.camera = v;
    return c;
}

std::unique_ptr<IAudioCapture> MakeAudioCapture(const std::string& name)
{
    const auto [kind, rest] = Split(name);
    if (name == "portaudio") return std::make_unique<TPortAudioCapture>();
    if (name == "silence") return std::make_unique<TToneCapture>(440.0, 0);
    if (kind == "tone") {
        const auto [hz, peak] = Split(rest);
        const double f = hz.empty() ? 440.0 : std::atof(hz.c_str());
        const int p = peak.empty() ? 16384 : std::atoi(peak.c_str());
        return std::make_unique<TToneCapture>(f, p);
    }
    if (kind == "wav" && !rest.empty()) return std::make_unique<TWavCapture>(rest);
    return std::make_unique<TNoCapture>(Unknown("audio input", name));
}

std::unique_ptr<IAudioPlayback> MakeAudioPlayback(const std::string& name)
{
    const auto [kind, rest] = Split(name);
    if (name == "portaudio") return std::make_unique<TPortAudioPlayback>();
    if (name == "null") return std::make_unique<TNullPlayback>();
    if (kind == "wav" && !rest.empty()) return std::make_unique<TWavPlayback>(rest);
    return std::make_unique<TNoPlayback>(Unknown("audio output", name));
}

std::unique_ptr<IMixer> MakeMixer(const std::string& name)
{
    if (name == "alsa") return std::make_unique<TAlsaMixer>();
    if (name == "memory") return std::make_unique<TMemoryMixer>();
    return std::make_unique<TNoMixer>(Unknown("mixer", name));
}

std::unique_ptr<ICamera> MakeCamera(const std::string& name)
{
    const auto [kind, rest] = Split(name);
    if (name == "pattern") return std::make_unique<TPatternCamera>();
    if (kind == "v4l2") return std::make_unique<TV4l2Camera>(rest.empty() ? "/dev" : rest);
    return std::make_unique<TNoCamera>(Unknown("camera", name));
}

} // namespace kel
