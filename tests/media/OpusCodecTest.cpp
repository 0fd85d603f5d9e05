// The stream format text and the Opus codec behind it: a tone comes through
// with its pitch and level, every packet has the stream's size, and bad
// packets give concealment instead of a crash.
#include <gtest/gtest.h>

#include "ToneMeasure.h"
#include "media/AudioFormat.h"
#include "media/OpusCodec.h"

namespace kel {
namespace {

TEST(AudioFormat, StreamFormatTextGivesTheStreamsFormat)
{
    auto f = ApplyFormatText(kStreamFormatText);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->wave.format_tag, 0x0401);
    EXPECT_EQ(f->wave.block_align, 64);
    EXPECT_EQ(f->wave.bits_per_sample, 2);
    EXPECT_EQ(f->pcm, (TPcmFormat{16000, 1, 16}));
    EXPECT_EQ(f->frames_per_block, 1600u);
    EXPECT_EQ(f->PcmBlockBytes(), 3200u);
    EXPECT_EQ(f->packet_bytes, 400u);
    EXPECT_EQ(f->bitrate, 32000u);
}

TEST(AudioFormat, RefusesTextsNoCodecServes)
{
    const char* bad[] = {
        "",                          // nothing
        "AQQBAIA+AACgDwAAQAACAAA",   // not a multiple of four
        "AQQBAIA+AACgDwAAQAACAAA*",  // not base64
        "AQQBAIA+AACgDwAAQAACAA==",  // 17 bytes
        "AQABAIA+AACgDwAAQAACAAAA",  // tag 0001h (PCM)
        "AQQCAIA+AACgDwAAQAACAAAA",  // two channels
        "AQQBAEQfAACgDwAAQAACAAAA",  // 8000 Hz
        "AQQBAIA+AADQBwAAQAACAAAA",  // 2000 bytes per second
    };
    for (const char* t : bad) EXPECT_FALSE(ApplyFormatText(t)) << t;
    EXPECT_FALSE(ApplyFormatText(kStreamFormatText, 0));
    EXPECT_FALSE(ApplyFormatText(kStreamFormatText, 7)); // no whole block
}

TEST(AudioFormat, Base64)
{
    EXPECT_EQ(DecodeBase64("TWFu"), (std::vector<uint8_t>{'M', 'a', 'n'}));
    EXPECT_EQ(DecodeBase64("TWE="), (std::vector<uint8_t>{'M', 'a'}));
    EXPECT_EQ(DecodeBase64("TQ=="), (std::vector<uint8_t>{'M'}));
    EXPECT_FALSE(DecodeBase64("T==="));
    EXPECT_FALSE(DecodeBase64("TQ=a"));
    EXPECT_FALSE(DecodeBase64("TQ==TWFu"));
}

class OpusCodecTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto f = ApplyFormatText(kStreamFormatText);
        ASSERT_TRUE(f);
        format = *f;
        ASSERT_TRUE(enc.Open(format)) << enc.LastError();
        ASSERT_TRUE(dec.Open(format));
    }
    TStreamFormat format;
    TOpusEncoder enc;
    TOpusDecoder dec;
};

TEST_F(OpusCodecTest, ToneKeepsPitchAndLevelAndEveryPacketIs400Bytes)
{
    for (double hz : {300.0, 1000.0}) {
        double phase = 0;
        std::vector<int16_t> out;
        for (int i = 0; i < 20; ++i) {
            auto block = test::Sine(1600, hz, 12000, 16000, phase);
            auto packet = enc.Encode(block);
            ASSERT_EQ(packet.size(), 400u) << hz << " Hz block " << i;
            auto pcm = dec.Decode(packet);
            ASSERT_EQ(pcm.size(), 1600u);
            if (i >= 2) out.insert(out.end(), pcm.begin(), pcm.end()); // past the codec's start-up
        }
        const double rms_in = 12000 / std::sqrt(2.0);
        EXPECT_NEAR(test::ZeroCrossingHz(out, 16000), hz, hz * 0.03) << hz;
        EXPECT_NEAR(test::Rms(out), rms_in, rms_in * 0.2) << hz;
    }
}

TEST_F(OpusCodecTest, SilenceAndFullScaleNoiseStay400Bytes)
{
    std::vector<int16_t> silence(1600, 0);
    EXPECT_EQ(enc.Encode(silence).size(), 400u);
    std::vector<int16_t> noise(1600);
    uint32_t x = 1;
    for (auto& v : noise) v = static_cast<int16_t>((x = x * 1103515245u + 12345u) >> 16);
    EXPECT_EQ(enc.Encode(noise).size(), 400u);
    // A block of another length is refused rather than read past its end.
    EXPECT_TRUE(enc.Encode(std::span(noise).first(1599)).empty());
    EXPECT_TRUE(enc.Encode({}).empty());
}

TEST_F(OpusCodecTest, BadPacketsGiveWholeBlocks)
{
    double phase = 0;
    auto good = enc.Encode(test::Sine(1600, 500, 10000, 16000, phase));
    ASSERT_EQ(good.size(), 400u);
    dec.Decode(good);
    std::vector<std::vector<uint8_t>> bad = {
        {},
        {0xFF},
        std::vector<uint8_t>(good.begin(), good.begin() + 3),
        std::vector<uint8_t>(400, 0xFF),
        std::vector<uint8_t>(5000, 0x5A),
    };
    // A packet of 20 ms: valid Opus, but not one block of the stream.
    std::vector<int16_t> short_block(320, 100);
    TOpusEncoder other;
    TStreamFormat f20 = format;
    f20.frames_per_block = 320;
    f20.packet_bytes = 80;
    ASSERT_TRUE(other.Open(f20));
    bad.push_back(other.Encode(short_block));
    for (size_t i = 0; i < bad.size(); ++i) EXPECT_EQ(dec.Decode(bad[i]).size(), 1600u) << i;
    EXPECT_EQ(dec.Conceal().size(), 1600u);
    // The decoder still works afterwards.
    EXPECT_EQ(dec.Decode(enc.Encode(test::Sine(1600, 500, 10000, 16000, phase))).size(), 1600u);
}

TEST_F(OpusCodecTest, ConcealmentContinuesTheTone)
{
    double phase = 0;
    for (int i = 0; i < 5; ++i) dec.Decode(enc.Encode(test::Sine(1600, 400, 12000, 16000, phase)));
    auto hidden = dec.Conceal();
    // Concealment carries the voice on, quieter, rather than a click to zero.
    EXPECT_GT(test::Rms(std::span(hidden).first(320)), 1000.0);
}

TEST(OpusCodecClosed, ClosedCodecsGiveNothing)
{
    TOpusEncoder enc;
    TOpusDecoder dec;
    std::vector<int16_t> block(1600);
    EXPECT_TRUE(enc.Encode(block).empty());
    EXPECT_TRUE(dec.Decode(std::vector<uint8_t>(400)).empty());
    EXPECT_TRUE(dec.Conceal().empty());
}

} // namespace
} // namespace kel
