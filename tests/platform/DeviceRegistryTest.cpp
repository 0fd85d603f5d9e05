// Choosing device backends by configuration and environment.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/DeviceRegistry.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace kel {
namespace {

const char* const kVars[] = {"KEL_AUDIO", "KEL_AUDIO_IN", "KEL_AUDIO_OUT", "KEL_MIXER", "KEL_CAMERA"};

class DeviceRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : kVars) unsetenv(v);
    }
    void TearDown() override { SetUp(); }
};

TEST_F(DeviceRegistry, ConfigurationThenEnvironment)
{
    test::TempDir dir;
    TIniFile ini(dir.Write("AVSet.ini", "[AVSet]\nVideoDrvIndex=0\n[devices]\ncamera=pattern\nAudioIn=silence\n"));

    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> env;
        bool with_ini;
        TDeviceChoice want;
    } const cases[] = {
        {"defaults", {}, false, {"portaudio", "portaudio", "alsa", "v4l2"}},
        {"the file's section", {}, true, {"silence", "portaudio", "alsa", "pattern"}},
        {"environment over file", {{"KEL_CAMERA", "v4l2:/tmp/x"}, {"KEL_AUDIO_IN", "tone:1000"}}, true,
         {"tone:1000", "portaudio", "alsa", "v4l2:/tmp/x"}},
        {"KEL_AUDIO, a test source", {{"KEL_AUDIO", "wav:/a.wav"}}, false, {"wav:/a.wav", "null", "memory", "v4l2"}},
        {"KEL_AUDIO with the specific ones", {{"KEL_AUDIO", "tone"}, {"KEL_AUDIO_OUT", "wav:/o.wav"}, {"KEL_MIXER", "alsa"}},
         false, {"tone", "wav:/o.wav", "alsa", "v4l2"}},
        {"KEL_AUDIO portaudio", {{"KEL_AUDIO", "portaudio"}}, true, {"portaudio", "portaudio", "alsa", "pattern"}},
        {"empty variables count as unset", {{"KEL_CAMERA", ""}}, true, {"silence", "portaudio", "alsa", "pattern"}},
    };
    for (const Case& c : cases) {
        SetUp();
        for (const auto& [k, v] : c.env) setenv(k, v, 1);
        const TDeviceChoice got = ChooseDevices(c.with_ini ? &ini : nullptr);
        EXPECT_EQ(got.audio_in, c.want.audio_in) << c.what;
        EXPECT_EQ(got.audio_out, c.want.audio_out) << c.what;
        EXPECT_EQ(got.mixer, c.want.mixer) << c.what;
        EXPECT_EQ(got.camera, c.want.camera) << c.what;
    }
}

TEST_F(DeviceRegistry, NamesMakeTheirBackends)
{
    EXPECT_EQ(MakeAudioCapture("tone")->Devices(), std::vector<std::string>{"Test tone 440 Hz"});
    EXPECT_EQ(MakeAudioCapture("tone:1000:500")->Devices(), std::vector<std::string>{"Test tone 1000 Hz"});
    EXPECT_EQ(MakeAudioCapture("silence")->Devices(), std::vector<std::string>{"Silence"});
    EXPECT_TRUE(MakeAudioCapture("wav:/no/such.wav")->Devices().empty());
    EXPECT_EQ(MakeAudioPlayback("null")->Devices(), std::vector<std::string>{"Null output"});
    EXPECT_EQ(MakeAudioPlayback("wav:/tmp/o.wav")->Devices(), std::vector<std::string>{"WAV file o.wav"});
    EXPECT_EQ(MakeCamera("pattern")->Devices(), std::vector<std::string>{"Test pattern"});
    EXPECT_TRUE(MakeCamera("v4l2:/no/such/folder")->Devices().empty());
    EXPECT_NE(MakeMixer("memory")->OpenLine(TMixerLineKind::Speakers, "", nullptr), nullptr);

    // Unknown names: devices without entries that say why.
    auto in = MakeAudioCapture("microphone");
    EXPECT_TRUE(in->Devices().empty());
    EXPECT_FALSE(in->Open(0, {}, 160, [](const uint8_t*, size_t) {}));
    EXPECT_NE(in->LastError().find("'microphone'"), std::string::npos);
    auto out = MakeAudioPlayback("wav:");
    EXPECT_TRUE(out->Devices().empty());
    EXPECT_FALSE(out->Open(0, {}));
    auto mixer = MakeMixer("pulse");
    EXPECT_EQ(mixer->OpenLine(TMixerLineKind::Microphone, "", nullptr), nullptr);
    EXPECT_NE(mixer->LastError().find("'pulse'"), std::string::npos);
    auto cam = MakeCamera("webcam");
    EXPECT_TRUE(cam->Devices().empty());
    EXPECT_FALSE(cam->Open(0, 160, 120, 8, [](const TVideoFrame&) {}));
}

} // namespace
} // namespace kel
