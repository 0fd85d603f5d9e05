// The wizard's decisions: page flow, preselection, what is saved when, the
// loop-back level, the mixer sliders and the preview.
#include <gtest/gtest.h>

#include "calibrator/WizardFakes.h"
#include "platform/IniFile.h"
#include "platform/MemoryMixer.h"
#include "platform/SynthAudio.h"
#include "platform/WavAudio.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using W = TCalibratorWizard;
using test::TFakeCamera;
using test::TFakeCapture;
using test::TFakePlayback;
using test::TPostQueue;

std::vector<uint8_t> Samples(std::initializer_list<int> v)
{
    std::vector<uint8_t> out;
    for (int s : v) {
        out.push_back(static_cast<uint8_t>(s & 0xFF));
        out.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

class Wizard : public ::testing::Test {
protected:
    Wizard()
    {
        cams.names = {"Cam A"};
        mics.names = {"Mic A", "Mic B"};
        spks.names = {"Spk A"};
    }
    // A wizard over the fakes, started with `ini` as AVSet.ini (no file when empty).
    std::unique_ptr<W> Make(const std::string& ini = "[AVSet]\nVideoDrvIndex=0\nAudioInDrvIndex=1\nAudioOutDrvIndex=0\n")
    {
        if (!ini.empty()) dir.Write("AVSet.ini", ini);
        auto w = std::make_unique<W>(TCalibratorDevices{mics, spks, mixer, cams}, posts.Poster(), dir.File("AVSet.ini"));
        w->OnChange = [this](W::TChange c) { changes.push_back(c); };
        w->Start();
        return w;
    }
    void GoTo(W& w, int page)
    {
        while (w.CurrentPage() < page) w.Next();
        while (w.CurrentPage() > page) w.Previous();
    }

    test::TempDir dir;
    TFakeCamera cams;
    TFakeCapture mics;
    TFakePlayback spks;
    TMemoryMixer mixer{40000, 20000};
    TPostQueue posts;
    std::vector<W::TChange> changes;
};

TEST_F(Wizard, PageFlowHoldsResourcesOnlyOnTheirPages)
{
    auto w = Make();
    struct Step {
        char action; // N next, P previous
        int page;
        bool prev_enabled;
        const char* next_caption;
        bool audio_test, mixers, preview;
    } const steps[] = {
        {'P', 0, false, "下一步(&N) >", false, false, false}, // nothing before the first page
        {'N', 1, true, "下一步(&N) >", false, false, false},
        {'N', 2, true, "下一步(&N) >", true, true, false},
        {'N', 3, true, "下一步(&N) >", false, false, true},
        {'P', 2, true, "下一步(&N) >", true, true, false}, // back: preview stops, the sound test and mixers restart
        {'N', 3, true, "下一步(&N) >", false, false, true},
        {'N', 4, true, "结束", false, false, false},
        {'P', 3, true, "下一步(&N) >", false, false, true},
    };
    EXPECT_EQ(w->CurrentPage(), 0);
    EXPECT_FALSE(w->PreviousEnabled());
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        if (s.action == 'N') EXPECT_EQ(w->Next(), W::TNext::Moved) << i;
        else w->Previous();
        EXPECT_EQ(w->CurrentPage(), s.page) << i;
        EXPECT_EQ(w->PreviousEnabled(), s.prev_enabled) << i;
        EXPECT_EQ(w->NextCaption(), s.next_caption) << i;
        EXPECT_EQ(mics.IsOpen(), s.audio_test) << i;
        EXPECT_EQ(spks.IsOpen(), s.audio_test) << i;
        EXPECT_EQ(mixer.OpenLines(TMixerLineKind::Microphone) == 1, s.mixers) << i;
        EXPECT_EQ(mixer.OpenLines(TMixerLineKind::Speakers) == 1, s.mixers) << i;
        EXPECT_EQ(cams.IsOpen(), s.preview) << i;
    }
    w->Close(); // cancel on page 3
    EXPECT_FALSE(cams.IsOpen());
}

TEST_F(Wizard, PreselectsSavedDevicesThatStillExist)
{
    struct Case {
        const char* what;
        std::string ini;
        size_t cameras;
        int want_item;
    } const cases[] = {
        {"saved camera present", "[AVSet]\nVideoDrvIndex=1\n", 2, 2},
        {"saved index beyond the list", "[AVSet]\nVideoDrvIndex=1\n", 1, 0},
        {"no camera at all", "[AVSet]\nVideoDrvIndex=0\n", 0, 0},
        {"none saved", "[AVSet]\nVideoDrvIndex=-1\n", 2, 0},
        {"no file", "", 2, 0},
        {"an index below -1", "[AVSet]\nVideoDrvIndex=-7\n", 2, 0},
        {"not a number", "[AVSet]\nVideoDrvIndex=abc\n", 2, 1},
        {"hexadecimal as the profile functions read it", "[avset]\nvideodrvindex=0x1\n", 2, 2},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.File("AVSet.ini"));
        cams.names.assign(c.cameras, "Cam");
        auto w = Make(c.ini);
        w->Next();
        ASSERT_EQ(w->VideoItems().size(), c.cameras + 1) << c.what;
        EXPECT_EQ(w->VideoItems()[0], "无") << c.what;
        EXPECT_EQ(w->VideoItem(), c.want_item) << c.what;
        EXPECT_EQ(w->VideoDevID, c.want_item - 1) << c.what;
    }

    // The audio lists follow the same rule, each with its own saved index.
    cams.names = {"Cam A"};
    auto w = Make("[AVSet]\nVideoDrvIndex=0\nAudioInDrvIndex=1\nAudioOutDrvIndex=3\n");
    w->Next();
    EXPECT_EQ(w->InputItems(), (std::vector<std::string>{"无", "Mic A", "Mic B"}));
    EXPECT_EQ(w->OutputItems(), (std::vector<std::string>{"无", "Spk A"}));
    EXPECT_EQ(w->InputItem(), 2);
    EXPECT_EQ(w->OutputItem(), 0);
    EXPECT_EQ(w->AudioOutDevID, -1);
    // Choosing an item sets the index; an item outside the list is none.
    w->SelectOutput(1);
    EXPECT_EQ(w->AudioOutDevID, 0);
    w->SelectInput(0);
    EXPECT_EQ(w->AudioInDevID, -1);
    w->SelectVideo(5);
    EXPECT_EQ(w->VideoDevID, -1);
}

TEST_F(Wizard, OnlyFinishingSaves)
{
    const std::string before = "; the client's file\n[AVSet]\nVideoDrvIndex=0\nAudioInDrvIndex=1\nAudioOutDrvIndex=0\n[Devices]\nCamera=pattern\n";
    {
        // Walking every page and cancelling writes nothing.
        auto w = Make(before);
        GoTo(*w, 4);
        w->Previous();
        w->SelectVideo(0);
        w->Close();
        EXPECT_EQ(dir.Read("AVSet.ini"), before);
    }
    {
        auto w = Make(before);
        GoTo(*w, 1);
        w->SelectVideo(0);
        w->SelectInput(0);
        w->SelectOutput(0);
        GoTo(*w, 4);
        EXPECT_EQ(dir.Read("AVSet.ini"), before); // not before the last Next
        EXPECT_EQ(w->Next(), W::TNext::Finished);
        const TIniFile ini(dir.File("AVSet.ini"));
        EXPECT_EQ(ini.ReadInteger("AVSet", "VideoDrvIndex", 99), -1);
        EXPECT_EQ(ini.ReadInteger("AVSet", "AudioInDrvIndex", 99), -1);
        EXPECT_EQ(ini.ReadInteger("AVSet", "AudioOutDrvIndex", 99), -1);
        EXPECT_EQ(ini.ReadString("Devices", "Camera"), "pattern"); // other keys kept
        EXPECT_NE(dir.Read("AVSet.ini").find("; the client's file"), std::string::npos);
    }
    {
        // No file yet: finishing creates it with the preselected devices.
        std::filesystem::remove(dir.File("AVSet.ini"));
        cams.names = {"Cam A", "Cam B"};
        auto w = Make();
        GoTo(*w, 1);
        w->SelectVideo(2);
        GoTo(*w, 4);
        EXPECT_EQ(w->Next(), W::TNext::Finished);
        EXPECT_EQ(dir.Read("AVSet.ini"), "[AVSet]\nVideoDrvIndex=1\nAudioInDrvIndex=1\nAudioOutDrvIndex=0\n");
    }
    {
        // A file that cannot be written: the dialog stays on the last page.
        W w(TCalibratorDevices{mics, spks, mixer, cams}, posts.Poster(), dir.File("no/folder/AVSet.ini"));
        w.Start();
        GoTo(w, 4);
        EXPECT_EQ(w.Next(), W::TNext::SaveFailed);
        EXPECT_EQ(w.CurrentPage(), 4);
    }
}

TEST(WizardLevel, PeakOfEverySecondSampleAndTheBarSegments)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
        int peak;
    } const cases[] = {
        {"silence", Samples({0, 0, 0, 0}), 0},
        {"odd samples are skipped", Samples({10, 30000, -20, -30000}), 20},
        {"negative full scale", Samples({-32768, 0}), 32768},
        {"positive full scale", Samples({0, 0, 32767, 0}), 32767},
        {"a trailing half sample", {0x10, 0x00, 0x00, 0x00, 0xFF}, 16},
        {"empty", {}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(W::PeakSample(c.block.data(), c.block.size()), c.peak) << c.what;

    struct Seg {
        int level, segments;
    } const segs[] = {{0, 0}, {1, 1}, {1024, 1}, {1025, 2}, {20000, 20}, {32767, 32}, {32768, 32}};
    for (const Seg& s : segs) EXPECT_EQ(W::Segments(s.level), s.segments) << s.level;

    int green = 0, yellow = 0, red = 0;
    for (int i = 0; i < W::Segments(32768); ++i) {
        const W::TSegment c = W::MicSegment(i);
        green += c == W::TSegment::Green;
        yellow += c == W::TSegment::Yellow;
        red += c == W::TSegment::Red;
    }
    EXPECT_EQ(green, 19);
    EXPECT_EQ(yellow, 7);
    EXPECT_EQ(red, 6);
}

TEST_F(Wizard, LoopBackPlaysTheMicrophoneAndShowsItsLevel)
{
    auto w = Make();
    GoTo(*w, 2);
    EXPECT_EQ(mics.opened_index, 1);
    EXPECT_EQ(mics.opened_format, (TPcmFormat{8000, 1, 16}));
    EXPECT_EQ(mics.opened_block, 160u);
    EXPECT_EQ(spks.opened_index, 0);

    const std::vector<uint8_t> loud = Samples({3000, 0, -5000, 0});
    changes.clear();
    mics.Deliver(loud);
    EXPECT_EQ(spks.played, loud);
    EXPECT_EQ(w->Level(), 5000);
    posts.RunAll();
    EXPECT_EQ(std::count(changes.begin(), changes.end(), W::TChange::Level), 1);
    // The same number of segments again: no redraw asked for.
    mics.Deliver(Samples({4500, 0}));
    EXPECT_EQ(posts.RunAll(), 0u);
    mics.Deliver(Samples({0, 0}));
    EXPECT_EQ(posts.RunAll(), 1u);
    EXPECT_EQ(w->Level(), 0);

    // With "无" as the speaker nothing is played; with "无" as the
    // microphone nothing is recorded.
    GoTo(*w, 1);
    w->SelectOutput(0);
    GoTo(*w, 2);
    EXPECT_FALSE(spks.IsOpen());
    EXPECT_TRUE(mics.IsOpen());
    GoTo(*w, 1);
    w->SelectInput(0);
    GoTo(*w, 2);
    EXPECT_FALSE(mics.IsOpen());
}

TEST_F(Wizard, SlidersFollowTheMixerExceptWhileHeld)
{
    auto w = Make();
    GoTo(*w, 2);
    EXPECT_TRUE(w->SpkSlider().enabled);
    EXPECT_EQ(w->SpkSlider().position, 40000);
    EXPECT_EQ(w->MicSlider().position, 20000);

    w->MoveSlider(TMixerLineKind::Speakers, 1234);
    EXPECT_EQ(mixer.Volume(TMixerLineKind::Speakers), 1234);
    posts.RunAll();

    // Another program changes the speakers: the slider moves.
    mixer.SetVolume(TMixerLineKind::Speakers, 30000);
    posts.RunAll();
    EXPECT_EQ(w->SpkSlider().position, 30000);
    EXPECT_EQ(w->MicSlider().position, 20000);

    // Held: the change is not shown; released: the next one is.
    w->HoldSlider(TMixerLineKind::Speakers, true);
    mixer.SetVolume(TMixerLineKind::Speakers, 10000);
    posts.RunAll();
    EXPECT_EQ(w->SpkSlider().position, 30000);
    w->HoldSlider(TMixerLineKind::Speakers, false);
    posts.RunAll();
    EXPECT_EQ(w->SpkSlider().position, 30000);
    mixer.SetVolume(TMixerLineKind::Speakers, 11000);
    posts.RunAll();
    EXPECT_EQ(w->SpkSlider().position, 11000);

    // Holding the speaker slider does not hold the microphone's.
    w->HoldSlider(TMixerLineKind::Speakers, true);
    mixer.SetVolume(TMixerLineKind::Microphone, 500);
    posts.RunAll();
    EXPECT_EQ(w->MicSlider().position, 500);
    w->HoldSlider(TMixerLineKind::Speakers, false);

    // A notification of a line that was closed meanwhile is dropped.
    mixer.SetVolume(TMixerLineKind::Speakers, 12000);
    GoTo(*w, 3);
    EXPECT_FALSE(w->SpkSlider().enabled);
    EXPECT_EQ(mixer.OpenLines(TMixerLineKind::Speakers), 0);
    posts.RunAll();
    EXPECT_FALSE(w->SpkSlider().enabled);
    w->MoveSlider(TMixerLineKind::Speakers, 1); // no mixer: nothing happens
    EXPECT_EQ(mixer.Volume(TMixerLineKind::Speakers), 12000);
}

TEST_F(Wizard, SlidersStayDisabledWithoutALineOrAVolume)
{
    struct Case {
        const char* what;
        bool available, readable, device;
    } const cases[] = {
        {"no such line", false, true, true},
        {"volume not readable", true, false, true},
        {"no device chosen", true, true, false},
    };
    dir.Write("AVSet.ini", "[AVSet]\nAudioInDrvIndex=0\nAudioOutDrvIndex=0\n");
    for (const Case& c : cases) {
        TMemoryMixer m(100, 200);
        m.SetLineAvailable(TMixerLineKind::Microphone, c.available);
        m.SetReadable(TMixerLineKind::Microphone, c.readable);
        W w(TCalibratorDevices{mics, spks, m, cams}, posts.Poster(), dir.File("AVSet.ini"));
        w.Start();
        GoTo(w, 1);
        if (!c.device) w.SelectInput(0);
        GoTo(w, 2);
        EXPECT_FALSE(w.MicSlider().enabled) << c.what;
        EXPECT_TRUE(w.SpkSlider().enabled) << c.what;
        w.MoveSlider(TMixerLineKind::Microphone, 9);
        EXPECT_EQ(m.Volume(TMixerLineKind::Microphone), 200) << c.what;
        w.Close();
        posts.RunAll();
    }
}

TEST_F(Wizard, PreviewShowsTheChosenCameraOnItsPage)
{
    cams.names = {"Cam A", "Cam B"};
    auto w = Make("[AVSet]\nVideoDrvIndex=1\n");
    GoTo(*w, 3);
    EXPECT_EQ(cams.opened_index, 1);
    std::vector<uint8_t> rgb;
    int32_t fw = 0, fh = 0;
    EXPECT_FALSE(w->LatestFrame(rgb, fw, fh));
    cams.Deliver(7);
    cams.Deliver(9); // before the GUI ran: one redraw for both
    changes.clear();
    EXPECT_EQ(posts.RunAll(), 1u);
    EXPECT_EQ(changes, std::vector<W::TChange>{W::TChange::Frame});
    ASSERT_TRUE(w->LatestFrame(rgb, fw, fh));
    EXPECT_EQ(fw, W::kPreviewWidth);
    EXPECT_EQ(fh, W::kPreviewHeight);
    EXPECT_EQ(rgb[0], 9);

    GoTo(*w, 4);
    EXPECT_FALSE(cams.IsOpen());
    EXPECT_FALSE(w->LatestFrame(rgb, fw, fh)); // the preview goes black

    GoTo(*w, 1);
    w->SelectVideo(0);
    cams.opened_index = -2;
    GoTo(*w, 3);
    EXPECT_EQ(cams.opened_index, -2); // none chosen: no camera opened
}

TEST_F(Wizard, ToneDeviceThroughTheLoopBackIntoAWavFile)
{
    // The synthetic devices on their own threads, as the window uses them.
    TToneCapture tone(1000.0, 20000);
    TWavPlayback sink(dir.File("loop.wav"));
    dir.Write("AVSet.ini", "[AVSet]\nAudioInDrvIndex=0\nAudioOutDrvIndex=0\n");
    {
        W w(TCalibratorDevices{tone, sink, mixer, cams}, posts.Poster(), dir.File("AVSet.ini"));
        w.Start();
        GoTo(w, 2);
        ASSERT_TRUE(tone.IsOpen()) << tone.LastError();
        ASSERT_TRUE(posts.RunUntil([&] { return w.Level() == 20000; }));
        GoTo(w, 3);
        EXPECT_FALSE(tone.IsOpen());
        EXPECT_FALSE(sink.IsOpen());
        // The wizard goes; what it posted before must not run into it.
    }
    posts.RunAll();
    TWavData wav;
    std::string error;
    ASSERT_TRUE(ReadWav(dir.File("loop.wav"), wav, error)) << error;
    EXPECT_GE(wav.pcm.size(), 160u);
    EXPECT_EQ(wav.pcm.size() % 160, 0u);
}

} // namespace
} // namespace kel
