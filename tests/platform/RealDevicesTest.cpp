// The real backends where this machine has no sound card or camera: they
// must start, list nothing (or what is there) and refuse cleanly. Where
// devices exist, each listed device is opened once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "platform/AlsaMixer.h"
#include "platform/DeviceWait.h"
#include "platform/PortAudioDevice.h"
#include "platform/V4l2Camera.h"
#include "support/TempDir.h"

namespace kel {
namespace {

constexpr TPcmFormat kWizardFormat{8000, 1, 16};

TEST(PortAudio, StartsAndRefusesDevicesThatAreNotThere)
{
    std::string error;
    const bool ok = PortAudioAvailable(&error);
    if (!ok) {
        EXPECT_FALSE(error.empty());
    }
    TPortAudioCapture in;
    TPortAudioPlayback out;
    const std::vector<std::string> inputs = in.Devices(), outputs = out.Devices();
    if (!ok) {
        EXPECT_TRUE(inputs.empty());
        EXPECT_TRUE(outputs.empty());
    }
    // Past the end of either list, and negative: a clear refusal.
    for (int index : {-1, static_cast<int>(inputs.size())}) {
        EXPECT_FALSE(in.Open(index, kWizardFormat, 160, [](const uint8_t*, size_t) {}));
        EXPECT_FALSE(in.LastError().empty());
        EXPECT_FALSE(in.IsOpen());
    }
    EXPECT_FALSE(out.Open(static_cast<int>(outputs.size()), kWizardFormat));
    EXPECT_FALSE(out.LastError().empty());
    out.Play(reinterpret_cast<const uint8_t*>("\0\0\0\0"), 4); // closed: ignored
    EXPECT_FALSE(in.Open(0, {8000, 1, 24}, 160, [](const uint8_t*, size_t) {}));

    // Whatever is listed either opens and delivers, or says why not.
    test::TBlockCollector got;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (in.Open(static_cast<int>(i), kWizardFormat, 160, [&](const uint8_t* d, size_t n) { got.Add(d, n); })) {
            EXPECT_TRUE(got.WaitFor(1)) << inputs[i];
            in.Close();
        } else {
            EXPECT_FALSE(in.LastError().empty()) << inputs[i];
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (out.Open(static_cast<int>(i), kWizardFormat)) out.Close();
        else EXPECT_FALSE(out.LastError().empty()) << outputs[i];
    }
    if (inputs.empty() && outputs.empty()) GTEST_LOG_(INFO) << "no PortAudio devices here: " << (ok ? "none listed" : error);
}

TEST(AlsaMixer, PicksTheCardOfADeviceName)
{
    struct Case {
        const char* name;
        const char* control;
    } const cases[] = {
        {"HDA Intel PCH: ALC892 Analog (hw:0,0)", "hw:0"},
        {"USB Audio: - (hw:12,0)", "hw:12"},
        {"default", "default"},
        {"", "default"},
        {"pulse", "default"},
    };
    for (const Case& c : cases) EXPECT_EQ(TAlsaMixer::ControlDeviceFor(c.name), c.control) << c.name;
}

TEST(AlsaMixer, OpensALineOrSaysWhyNot)
{
    TAlsaMixer mixer;
    for (TMixerLineKind kind : {TMixerLineKind::Speakers, TMixerLineKind::Microphone}) {
        std::unique_ptr<IMixerLine> line = mixer.OpenLine(kind, "", [] {});
        if (!line) {
            EXPECT_FALSE(mixer.LastError().empty());
            GTEST_LOG_(INFO) << "no ALSA mixer line here: " << mixer.LastError();
            continue;
        }
        uint16_t v = 0;
        EXPECT_TRUE(line->ReadVolume(v)); // a found line has a readable volume
    }
    EXPECT_EQ(mixer.OpenLine(TMixerLineKind::Speakers, "card (hw:99,0)", [] {}), nullptr);
    EXPECT_NE(mixer.LastError().find("hw:99"), std::string::npos);
}

TEST(V4l2Camera, FolderWithoutCamerasListsNone)
{
    test::TempDir dir;
    dir.Write("video0", "not a device");
    dir.Write("videox", "");
    ASSERT_EQ(::mkfifo(dir.File("video1").c_str(), 0600), 0);
    TV4l2Camera cam(dir.Path().string());
    EXPECT_TRUE(cam.Devices().empty());
    EXPECT_FALSE(cam.Open(0, 176, 144, 8, [](const TVideoFrame&) {}));
    EXPECT_NE(cam.LastError().find("no camera 0"), std::string::npos);
    EXPECT_FALSE(cam.IsOpen());

    TV4l2Camera nowhere(dir.File("missing"));
    EXPECT_TRUE(nowhere.Devices().empty());
    EXPECT_FALSE(nowhere.Open(0, 176, 144, 8, [](const TVideoFrame&) {}));
}

TEST(V4l2Camera, SystemCamerasDeliverOrRefuse)
{
    TV4l2Camera cam;
    const std::vector<std::string> names = cam.Devices();
    if (names.empty()) GTEST_SKIP() << "no camera on this machine: " << cam.LastError();
    test::TBlockCollector got;
    if (!cam.Open(0, 176, 144, 8, [&](const TVideoFrame& f) {
            EXPECT_EQ(f.size, 176u * 144u * 3u);
            got.Add(f.data, 0);
        })) {
        EXPECT_FALSE(cam.LastError().empty());
        return;
    }
    EXPECT_TRUE(got.WaitFor(1)) << names[0];
    cam.Close();
}

TEST(V4l2Camera, ScalesToTheRequestedSize)
{
    // 2 x 2 to 4 x 2: every source pixel doubled across.
    const uint8_t src[12] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    uint8_t dst[24] = {};
    ScaleRgb24(src, 2, 2, dst, 4, 2);
    const uint8_t want[24] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4};
    EXPECT_EQ(0, std::memcmp(dst, want, sizeof want));
}

} // namespace
} // namespace kel
