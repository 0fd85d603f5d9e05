// The synthetic devices: tone and silence, WAV source and sink, the test
// pattern camera and the in-memory mixer.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/DeviceWait.h"
#include "platform/MemoryMixer.h"
#include "platform/PatternCamera.h"
#include "platform/SynthAudio.h"
#include "platform/WavAudio.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::PeakMagnitude16;
using test::TBlockCollector;

constexpr TPcmFormat kWizardFormat{8000, 1, 16};

TEST(ToneCapture, DeliversBlocksOfTheToneAndStopsOnClose)
{
    TToneCapture tone(1000.0, 20000);
    EXPECT_EQ(tone.Devices(), std::vector<std::string>{"Test tone 1000 Hz"});
    TBlockCollector got;
    ASSERT_TRUE(tone.Open(0, kWizardFormat, 160, [&](const uint8_t* d, size_t n) { got.Add(d, n); }));
    ASSERT_TRUE(got.WaitFor(5));
    tone.Close();
    const size_t after_close = got.Count();
    const auto blocks = got.Blocks();
    for (const auto& b : blocks) EXPECT_EQ(b.size(), 160u);
    // 1000 Hz at 8000 Hz: every 80-sample block holds ten periods reaching the peak.
    EXPECT_EQ(PeakMagnitude16(blocks[0]), 20000);
    // The blocks continue each other: one made in a row equals the first two.
    double phase = 0;
    const std::vector<uint8_t> two = TToneCapture::MakeBlock(kWizardFormat, 160, 1000.0, 20000, phase);
    std::vector<uint8_t> joined = blocks[0];
    joined.insert(joined.end(), blocks[1].begin(), blocks[1].end());
    EXPECT_EQ(joined, two);
    EXPECT_FALSE(tone.IsOpen());
    EXPECT_EQ(got.Count(), after_close); // nothing after Close returned
}

TEST(ToneCapture, SilenceAndRefusals)
{
    TToneCapture silence(440.0, 0);
    EXPECT_EQ(silence.Devices(), std::vector<std::string>{"Silence"});
    TBlockCollector got;
    ASSERT_TRUE(silence.Open(0, kWizardFormat, 160, [&](const uint8_t* d, size_t n) { got.Add(d, n); }));
    ASSERT_TRUE(got.WaitFor(2));
    silence.Close();
    EXPECT_EQ(PeakMagnitude16(got.Blocks()[0]), 0);

    EXPECT_FALSE(silence.Open(1, kWizardFormat, 160, [](const uint8_t*, size_t) {}));
    EXPECT_NE(silence.LastError().find("no recording device 1"), std::string::npos);
    EXPECT_FALSE(silence.Open(0, {8000, 1, 24}, 160, [](const uint8_t*, size_t) {}));
    EXPECT_FALSE(silence.Open(0, kWizardFormat, 160, nullptr));
    EXPECT_FALSE(silence.IsOpen());
}

TEST(WavDevices, FileSourcePlaysTheFileInALoopConverted)
{
    test::TempDir dir;
    std::string error;
    {
        // A 16 kHz stereo ramp, frame i = (100 i, 0): at 8 kHz mono, frame
        // k is source frame 2k with its channels averaged, 100 k.
        TWavWriter w;
        ASSERT_TRUE(w.Open(dir.File("in.wav"), {16000, 2, 16}, error));
        std::vector<uint8_t> pcm;
        for (int i = 0; i < 200; ++i) {
            const int16_t l = static_cast<int16_t>(i * 100), r = 0;
            for (int16_t v : {l, r}) {
                pcm.push_back(static_cast<uint8_t>(v & 0xFF));
                pcm.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
            }
        }
        w.Write(pcm.data(), pcm.size());
    }
    TWavCapture src(dir.File("in.wav"));
    EXPECT_EQ(src.Devices(), std::vector<std::string>{"WAV file in.wav"});
    TBlockCollector got;
    ASSERT_TRUE(src.Open(0, kWizardFormat, 160, [&](const uint8_t* d, size_t n) { got.Add(d, n); }));
    ASSERT_TRUE(got.WaitFor(2)); // 100 frames at 8 kHz: the second block wraps after 20 frames
    src.Close();
    const auto blocks = got.Blocks();
    auto sample = [&](size_t block, size_t i) {
        return static_cast<int16_t>(static_cast<uint16_t>(blocks[block][2 * i] | (blocks[block][2 * i + 1] << 8)));
    };
    EXPECT_EQ(sample(0, 0), 0);
    EXPECT_EQ(sample(0, 1), 100);  // (200 + 0) / 2
    EXPECT_EQ(sample(0, 79), 7900);
    EXPECT_EQ(sample(1, 19), 9900);
    EXPECT_EQ(sample(1, 20), 0);   // the loop starts again
    EXPECT_EQ(sample(1, 21), 100);

    TWavCapture missing(dir.File("none.wav"));
    EXPECT_TRUE(missing.Devices().empty());
    EXPECT_NE(missing.LastError().find("none.wav"), std::string::npos);
    EXPECT_FALSE(missing.Open(0, kWizardFormat, 160, [](const uint8_t*, size_t) {}));
}

TEST(WavDevices, ToneThroughTheLoopBackIntoTheFileSink)
{
    test::TempDir dir;
    TToneCapture tone(500.0, 12000);
    TWavPlayback sink(dir.File("out.wav"));
    EXPECT_EQ(sink.Devices(), std::vector<std::string>{"WAV file out.wav"});
    ASSERT_TRUE(sink.Open(0, kWizardFormat)) << sink.LastError();
    TBlockCollector got;
    ASSERT_TRUE(tone.Open(0, kWizardFormat, 160, [&](const uint8_t* d, size_t n) {
        sink.Play(d, n);
        got.Add(d, n);
    }));
    ASSERT_TRUE(got.WaitFor(4));
    tone.Close();
    sink.Close();
    sink.Play(got.Blocks()[0].data(), 160); // closed: ignored

    TWavData wav;
    std::string error;
    ASSERT_TRUE(ReadWav(dir.File("out.wav"), wav, error)) << error;
    EXPECT_EQ(wav.format, kWizardFormat);
    std::vector<uint8_t> sent;
    for (const auto& b : got.Blocks()) sent.insert(sent.end(), b.begin(), b.end());
    EXPECT_EQ(wav.pcm, sent);
    EXPECT_EQ(PeakMagnitude16(wav.pcm), 12000);

    TWavPlayback nowhere(dir.File("no/folder/out.wav"));
    EXPECT_FALSE(nowhere.Open(0, kWizardFormat));
    EXPECT_FALSE(nowhere.LastError().empty());
    TNullPlayback null;
    ASSERT_TRUE(null.Open(0, kWizardFormat));
    null.Play(sent.data(), 320);
    EXPECT_EQ(null.BytesPlayed(), 320u);
}

TEST(PatternCamera, FramesHaveTheSizeAndMove)
{
    TPatternCamera cam;
    EXPECT_EQ(cam.Devices(), std::vector<std::string>{"Test pattern"});
    std::mutex lock;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<uint32_t> seqs;
    TBlockCollector count;
    ASSERT_TRUE(cam.Open(0, 176, 144, 30, [&](const TVideoFrame& f) {
        ASSERT_EQ(f.width, 176);
        ASSERT_EQ(f.height, 144);
        ASSERT_EQ(f.size, 176u * 144u * 3u);
        {
            std::lock_guard<std::mutex> guard(lock);
            frames.emplace_back(f.data, f.data + f.size);
            seqs.push_back(f.sequence);
        }
        count.Add(nullptr, 0);
    }));
    ASSERT_TRUE(count.WaitFor(3));
    cam.Close();
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(seqs[0], 0u);
    EXPECT_EQ(seqs[1], 1u);
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    std::vector<uint8_t> again;
    TPatternCamera::Draw(again, 176, 144, 1);
    EXPECT_EQ(again, frames[1]); // the pattern is a function of the frame number

    EXPECT_FALSE(cam.Open(1, 176, 144, 8, [](const TVideoFrame&) {}));
    EXPECT_FALSE(cam.Open(0, 0, 144, 8, [](const TVideoFrame&) {}));
    EXPECT_FALSE(cam.Open(0, 176, 144, 0, [](const TVideoFrame&) {}));
    EXPECT_FALSE(cam.LastError().empty());
}

TEST(MemoryMixer, NotifiesEveryLineOfAKindOnRealChangesOnly)
{
    TMemoryMixer mixer(1000, 2000);
    int spk_a = 0, spk_b = 0, mic = 0;
    auto a = mixer.OpenLine(TMixerLineKind::Speakers, "", [&] { ++spk_a; });
    auto b = mixer.OpenLine(TMixerLineKind::Speakers, "any card", [&] { ++spk_b; });
    auto m = mixer.OpenLine(TMixerLineKind::Microphone, "", [&] { ++mic; });
    ASSERT_TRUE(a && b && m);
    uint16_t v = 0;
    ASSERT_TRUE(a->ReadVolume(v));
    EXPECT_EQ(v, 1000);
    ASSERT_TRUE(a->WriteVolume(5000));
    EXPECT_EQ(mixer.Volume(TMixerLineKind::Speakers), 5000);
    EXPECT_EQ(spk_a, 1);
    EXPECT_EQ(spk_b, 1);
    a->WriteVolume(5000); // unchanged: no notification
    mixer.SetVolume(TMixerLineKind::Speakers, 5000);
    EXPECT_EQ(spk_a, 1);
    mixer.SetVolume(TMixerLineKind::Microphone, 7);
    EXPECT_EQ(mic, 1);
    EXPECT_EQ(spk_a, 1);
    b.reset();
    mixer.SetVolume(TMixerLineKind::Speakers, 1);
    EXPECT_EQ(spk_b, 1); // a closed line hears nothing
    EXPECT_EQ(mixer.OpenLines(TMixerLineKind::Speakers), 1);

    mixer.SetReadable(TMixerLineKind::Microphone, false);
    EXPECT_FALSE(m->ReadVolume(v));
    mixer.SetLineAvailable(TMixerLineKind::Speakers, false);
    EXPECT_EQ(mixer.OpenLine(TMixerLineKind::Speakers, "", nullptr), nullptr);
    EXPECT_FALSE(mixer.LastError().empty());
}

} // namespace
} // namespace kel
