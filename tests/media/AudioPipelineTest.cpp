// Sender to receiver on one virtual clock: a tone goes through the encoder,
// chunks, an in-memory network that delays, reorders, repeats and loses
// them, the jitter buffer and the decoder, and comes out a second later.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "AudioFakes.h"
#include "ToneMeasure.h"
#include "media/AudioRecv.h"
#include "media/AudioSend.h"
#include "platform/ManualLoop.h"
#include "platform/WavAudio.h"
#include "platform/WavFile.h"

namespace kel {
namespace {

// Delivers each chunk to the receiver after the delay the test chose for
// its number; a chunk may be delivered several times or never.
class TestNetwork : public IAudioChunkSink {
public:
    TestNetwork(ManualLoop& loop, TkelAudioRecv& recv) : loop_(loop), recv_(recv) {}
    std::function<std::vector<int32_t>(uint32_t number)> delays = [](uint32_t) { return std::vector<int32_t>{0}; };

    void SendAudioChunk(std::span<const uint8_t> c) override
    {
        auto v = ReadAudioChunk(c);
        ASSERT_TRUE(v);
        for (int32_t d : delays(v->number)) pending_.emplace(loop_.Now() + static_cast<Tick>(d), std::vector<uint8_t>(c.begin(), c.end()));
    }
    void DeliverDue()
    {
        while (!pending_.empty() && TickDiff(pending_.begin()->first, loop_.Now()) <= 0) {
            recv_.AddChunk(pending_.begin()->second);
            pending_.erase(pending_.begin());
        }
    }

private:
    ManualLoop& loop_;
    TkelAudioRecv& recv_;
    std::multimap<Tick, std::vector<uint8_t>> pending_;
};

class AudioPipelineTest : public ::testing::Test {
protected:
    // Pushes `blocks` of tone, one per 100 ms, then lets `tail_ms` pass,
    // moving in 10 ms steps so the network delivers on time.
    void Run(int blocks, int tail_ms)
    {
        for (int i = 0; i < blocks * 10 + tail_ms / 10; ++i) {
            loop.AdvanceBy(10);
            net.DeliverDue();
            if (i % 10 == 9 && i / 10 < blocks) {
                capture.Push(test::Sine(1600, 440, 12000, 16000, phase));
                net.DeliverDue();
            }
        }
    }
    ManualLoop loop{20000};
    test::PushCapture capture;
    test::KeepPlayback playback;
    TkelAudioRecv recv{loop, playback};
    TestNetwork net{loop, recv};
    TkelAudioSend send{loop, capture, net};
    double phase = 0;
};

TEST_F(AudioPipelineTest, ToneComesOutOneSecondLater)
{
    ASSERT_EQ(recv.Start(2002, "far", 0, 0, false), 0);
    ASSERT_EQ(send.Start(1001, "near", 0, 0), 0);
    std::vector<int> levels;
    recv.OnVolumeChange = [&](TkelAudioRecv&, int l) { levels.push_back(l); };
    size_t out_bytes = 0;
    recv.OnAudioOut = [&](const uint8_t*, size_t n, int peak) { out_bytes += n; EXPECT_GT(peak, 0); };

    const Tick first_sent = loop.Now() + 100;
    Run(30, 1500);
    ASSERT_EQ(playback.blocks.size(), 30u);
    EXPECT_EQ(playback.format, (TPcmFormat{16000, 1, 16}));
    for (size_t i = 0; i < playback.blocks.size(); ++i) {
        const int32_t late = TickDiff(playback.blocks[i].at, first_sent + 1000 + 100 * Tick(i));
        EXPECT_GE(late, 0) << i;
        EXPECT_LE(late, 10) << i;
    }
    auto pcm = playback.All();
    auto steady = std::span<const int16_t>(pcm).subspan(3200);
    EXPECT_NEAR(test::ZeroCrossingHz(steady, 16000), 440, 440 * 0.03);
    EXPECT_NEAR(test::Rms(steady), 12000 / std::sqrt(2.0), 12000 * 0.15);
    EXPECT_EQ(out_bytes, 30u * 3200);
    ASSERT_FALSE(levels.empty());
    EXPECT_GT(levels.back(), 10);
    EXPECT_TRUE(recv.HasAudioData());
}

TEST_F(AudioPipelineTest, ImpairedNetworkStillGivesTheWholeToneIntoAWavFile)
{
    const std::string path = ::testing::TempDir() + "audio_pipeline_out.wav";
    TWavPlayback wav(path);
    TkelAudioRecv wav_recv(loop, wav);
    TestNetwork wav_net(loop, wav_recv);
    TkelAudioSend wav_send(loop, capture, wav_net);
    wav_net.delays = [](uint32_t n) -> std::vector<int32_t> {
        if (n == 10 || n == 11) return {};              // lost
        if (n == 20) return {1500};                     // too late: 21 is played before it
        if (n % 7 == 3) return {40, 40, 350};           // repeated, once much later
        return {int32_t((n * 37) % 5) * 60};            // 0..240 ms: arrive out of order
    };
    ASSERT_EQ(wav_recv.Start(2, "far", 0, 0, false), 0);
    ASSERT_EQ(wav_send.Start(1, "near", 0, 0), 0);
    for (int i = 0; i < 30 * 10 + 300; ++i) {
        loop.AdvanceBy(10);
        wav_net.DeliverDue();
        if (i % 10 == 9 && i / 10 < 30) {
            capture.Push(test::Sine(1600, 440, 12000, 16000, phase));
            wav_net.DeliverDue();
        }
    }
    wav_recv.Stop();
    const auto counts = wav_recv.Cache().Counted();
    EXPECT_EQ(counts.played, 27u);
    EXPECT_GE(counts.duplicate + counts.late, 1u);

    TWavData data;
    std::string error;
    ASSERT_TRUE(ReadWav(path, data, error)) << error;
    EXPECT_EQ(data.format, (TPcmFormat{16000, 1, 16}));
    // 27 decoded blocks and 3 concealed ones: the voice keeps its length.
    ASSERT_EQ(data.pcm.size(), 30u * 3200);
    std::vector<int16_t> pcm(data.pcm.size() / 2);
    std::memcpy(pcm.data(), data.pcm.data(), pcm.size() * 2);
    auto first = std::span<const int16_t>(pcm).subspan(3200, 1600 * 7);
    EXPECT_NEAR(test::ZeroCrossingHz(first, 16000), 440, 440 * 0.03);
    EXPECT_NEAR(test::Rms(first), 12000 / std::sqrt(2.0), 12000 * 0.15);
    std::remove(path.c_str());
}

TEST_F(AudioPipelineTest, SilencedReceiverKeepsAndPlaysNothing)
{
    ASSERT_EQ(recv.Start(2, "far", 0, 0, false), 0);
    ASSERT_EQ(send.Start(1, "near", 0, 0), 0);
    Run(5, 0);
    recv.SetActive(false);
    Run(10, 1500);
    // The five chunks that waited fell due while silenced: dropped, not played.
    EXPECT_TRUE(playback.blocks.empty());
    EXPECT_EQ(recv.Cache().Waiting(), 0u);
    recv.SetActive(true);
    Run(5, 1500);
    EXPECT_EQ(playback.blocks.size(), 5u);
}

TEST_F(AudioPipelineTest, OwnReceiverReportsNoLevelAndGarbageIsConcealed)
{
    ASSERT_EQ(recv.Start(1, "me", 0, 0, true), 0);
    int reports = 0;
    recv.OnVolumeChange = [&](TkelAudioRecv&, int) { ++reports; };
    // Well-framed chunks whose codec bytes are garbage.
    for (uint32_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> junk(400);
        for (auto& b : junk) b = uint8_t(i * 31 + (&b - junk.data()) * 7);
        recv.AddChunk(WriteAudioChunk(i, 100 + 100 * i, junk));
    }
    recv.AddChunk(std::vector<uint8_t>(3, 0xFF));
    loop.AdvanceBy(1500);
    ASSERT_EQ(playback.blocks.size(), 3u);
    for (auto& b : playback.blocks) EXPECT_EQ(b.pcm.size(), 1600u);
    EXPECT_EQ(reports, 0);
    recv.Stop();
    EXPECT_FALSE(playback.open);
    EXPECT_FALSE(recv.HasAudioData());
}

} // namespace
} // namespace kel
