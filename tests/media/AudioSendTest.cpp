// The sender on virtual time: blocks pushed into a capture come out as
// numbered, stamped chunks of the stream's size; the on/off switch; the
// level; and the stamp source across the tick's wrap.
#include <gtest/gtest.h>

#include "AudioFakes.h"
#include "ToneMeasure.h"
#include "media/AudioRecv.h"
#include "media/AudioSend.h"
#include "platform/ManualLoop.h"
#include "protocol/AudioLayout.h"

namespace kel {
namespace {

class AudioSendTest : public ::testing::Test {
protected:
    void PushTone(int blocks, double peak = 12000)
    {
        for (int i = 0; i < blocks; ++i) {
            loop.AdvanceBy(100);
            capture.Push(test::Sine(1600, 440, peak, 16000, phase));
        }
    }
    ManualLoop loop{5000};
    test::PushCapture capture;
    test::KeepSink sink;
    TkelAudioSend send{loop, capture, sink};
    double phase = 0;
};

TEST_F(AudioSendTest, ChunksAreNumberedStampedAndOfTheStreamsSize)
{
    ASSERT_EQ(send.Start(1001, "nick", 7000, 0x7F000001), 0) << send.LastError();
    EXPECT_EQ(capture.format, (TPcmFormat{16000, 1, 16}));
    EXPECT_EQ(capture.block_bytes, 3200u);
    PushTone(5);
    ASSERT_EQ(sink.chunks.size(), 5u);
    for (size_t i = 0; i < sink.chunks.size(); ++i) {
        ASSERT_EQ(sink.chunks[i].size(), 416u);
        auto v = ReadAudioChunk(sink.chunks[i]);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->number, i);
        EXPECT_EQ(v->stamp, 5000 + 100 * (i + 1));
    }
    EXPECT_TRUE(send.HasSent());
}

TEST_F(AudioSendTest, BlocksOfAnySizeMakeWholeChunks)
{
    ASSERT_EQ(send.Start(1, "n", 0, 0), 0);
    auto pcm = test::Sine(1600 * 3, 440, 8000, 16000, phase);
    std::span<const int16_t> all(pcm);
    // 1000, 333, ... samples at a time, and a stamp within one millisecond each.
    size_t at = 0;
    for (size_t n : {1000u, 333u, 2000u, 1u, 1466u}) {
        capture.Push(all.subspan(at, n));
        at += n;
    }
    ASSERT_EQ(at, pcm.size());
    ASSERT_EQ(sink.chunks.size(), 3u);
    uint32_t last = 0;
    for (size_t i = 0; i < 3; ++i) {
        auto v = ReadAudioChunk(sink.chunks[i]);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->payload.size(), 400u);
        if (i) {
            EXPECT_GT(TickDiff(v->stamp, last), 0) << "stamps strictly increase";
        }
        last = v->stamp;
    }
}

TEST_F(AudioSendTest, EnableAudioClosesAndReopensTheCaptureOnly)
{
    ASSERT_EQ(send.Start(1, "n", 0, 0), 0);
    PushTone(2);
    send.EnableAudio(false);
    EXPECT_FALSE(capture.IsOpen());
    EXPECT_TRUE(send.Active());
    PushTone(2); // nothing is captured
    EXPECT_EQ(sink.chunks.size(), 2u);
    EXPECT_EQ(send.EnableAudio(true), 0);
    EXPECT_EQ(capture.opens, 2);
    PushTone(1);
    ASSERT_EQ(sink.chunks.size(), 3u);
    EXPECT_EQ(ReadAudioChunk(sink.chunks[2])->number, 2u); // the count goes on

    send.Stop();
    EXPECT_FALSE(capture.IsOpen());
    EXPECT_FALSE(send.HasSent());
    EXPECT_EQ(send.EnableAudio(true), -1);
    EXPECT_FALSE(capture.IsOpen());
    // A new start counts from 0 again.
    ASSERT_EQ(send.Start(1, "n", 0, 0), 0);
    PushTone(1);
    EXPECT_EQ(ReadAudioChunk(sink.chunks.back())->number, 0u);
}

TEST_F(AudioSendTest, NoDeviceOrRefusedDeviceSendsNothing)
{
    capture.has_device = false;
    EXPECT_FALSE(send.HasAudio());
    EXPECT_EQ(send.Start(1, "n", 0, 0), -1);
    PushTone(3);
    EXPECT_TRUE(sink.chunks.empty());
    send.Stop();

    capture.has_device = true;
    capture.fail_open = true;
    EXPECT_EQ(send.Start(1, "n", 0, 0), -1);
    EXPECT_FALSE(send.LastError().empty());
    // Once the device is back, switching audio on opens it.
    capture.fail_open = false;
    EXPECT_EQ(send.EnableAudio(true), 0);
    PushTone(1);
    EXPECT_EQ(sink.chunks.size(), 1u);
}

TEST_F(AudioSendTest, LevelFollowsTheVoiceOnceChunksWentOut)
{
    test::KeepPlayback pb;
    TkelAudioRecv own(loop, pb);
    std::vector<int> own_levels, levels;
    own.OnVolumeChange = [&](TkelAudioRecv&, int l) { own_levels.push_back(l); };
    send.OnVolumeChange = [&](int l) { levels.push_back(l); };
    send.AddMonitor(&own);
    send.AddMonitor(&own); // once only
    ASSERT_EQ(send.Start(1, "n", 0, 0), 0);
    loop.AdvanceBy(300);
    EXPECT_TRUE(levels.empty()) << "no level before the first chunk";

    PushTone(3, 30000);
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels, own_levels);
    const int loud = levels.back();
    EXPECT_GT(loud, 50);
    EXPECT_LE(loud, 218);

    PushTone(3, 3000);
    EXPECT_LT(levels.back(), loud / 4);
    std::vector<int16_t> silence(1600, 0);
    loop.AdvanceBy(100);
    capture.Push(silence);
    loop.AdvanceBy(100);
    EXPECT_EQ(levels.back(), 0);

    send.RemoveMonitor(&own);
    const size_t before = own_levels.size();
    PushTone(2);
    EXPECT_EQ(own_levels.size(), before);
}

TEST(GetTick, StrictlyIncreasingAndFollowsTheClockAcrossTheWrap)
{
    TGetTick t;
    EXPECT_EQ(t.NextAt(100), 100u);
    EXPECT_EQ(t.NextAt(100), 101u);
    EXPECT_EQ(t.NextAt(99), 102u);
    EXPECT_EQ(t.NextAt(500), 500u);
    TGetTick w;
    EXPECT_EQ(w.NextAt(0xFFFFFFF0u), 0xFFFFFFF0u);
    EXPECT_EQ(w.NextAt(0xFFFFFFF0u), 0xFFFFFFF1u);
    // After the tick wraps the stamps keep following it rather than
    // creeping on by one from the last stamp before the wrap.
    EXPECT_EQ(w.NextAt(90), 90u);
    EXPECT_EQ(w.NextAt(190), 190u);
}

} // namespace
} // namespace kel
