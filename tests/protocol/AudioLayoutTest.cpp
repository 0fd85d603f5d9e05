// The audio chunk and the wave format descriptor against bytes written out
// by hand, and chunks that must be refused.
#include <gtest/gtest.h>

#include "protocol/AudioLayout.h"

namespace kel {
namespace {

TEST(AudioLayout, ChunkMatchesHandWrittenBytes)
{
    const std::vector<uint8_t> payload = {0xAA, 0xBB, 0xCC};
    const std::vector<uint8_t> hand = {
        0x06, 0x27, 0x00, 0x00,  // 9990
        0x07, 0x00, 0x00, 0x00,  // number 7
        0x78, 0x56, 0x34, 0x12,  // stamp 12345678h
        0x03, 0x00, 0x00, 0x00,  // N = 3
        0xAA, 0xBB, 0xCC};
    EXPECT_EQ(WriteAudioChunk(7, 0x12345678, payload), hand);

    auto v = ReadAudioChunk(hand);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->number, 7u);
    EXPECT_EQ(v->stamp, 0x12345678u);
    EXPECT_EQ(std::vector<uint8_t>(v->payload.begin(), v->payload.end()), payload);

    auto patched = hand;
    ASSERT_TRUE(PatchAudioChunkStamp(patched, 0xDEADBEEF));
    EXPECT_EQ(ReadAudioChunk(patched)->stamp, 0xDEADBEEFu);
    EXPECT_EQ(ReadAudioChunk(patched)->number, 7u);
    std::vector<uint8_t> tiny(15);
    EXPECT_FALSE(PatchAudioChunkStamp(tiny, 1));
}

TEST(AudioLayout, EmptyPayloadIsAChunk)
{
    auto bytes = WriteAudioChunk(0, 1, {});
    ASSERT_EQ(bytes.size(), 16u);
    auto v = ReadAudioChunk(bytes);
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->payload.empty());
}

TEST(AudioLayout, RefusesBadChunks)
{
    const std::vector<uint8_t> good = WriteAudioChunk(1, 2, std::vector<uint8_t>(10, 5));
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    auto with = [&](size_t off, uint8_t b) { auto c = good; c[off] = b; return c; };
    std::vector<Case> cases = {
        {"empty", {}},
        {"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 15)},
        {"payload cut", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"trailing byte", [&] { auto c = good; c.push_back(0); return c; }()},
        {"wrong magic", with(0, 0x07)},
        {"N larger", with(12, 11)},
        {"N smaller", with(12, 9)},
        {"N near 2^32", [&] { auto c = good; c[12] = 0xF0; c[13] = c[14] = c[15] = 0xFF; return c; }()},
    };
    for (const auto& c : cases) EXPECT_FALSE(ReadAudioChunk(c.bytes)) << c.name;
    EXPECT_TRUE(ReadAudioChunk(good));
}

TEST(AudioLayout, WaveFormatDescriptor)
{
    const std::vector<uint8_t> hand = {0x01, 0x04, 0x01, 0x00, 0x80, 0x3E, 0x00, 0x00, 0xA0,
                                       0x0F, 0x00, 0x00, 0x40, 0x00, 0x02, 0x00, 0x00, 0x00};
    auto f = ReadWaveFormatEx(hand);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->format_tag, 0x0401);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samples_per_sec, 16000u);
    EXPECT_EQ(f->avg_bytes_per_sec, 4000u);
    EXPECT_EQ(f->block_align, 64);
    EXPECT_EQ(f->bits_per_sample, 2);
    EXPECT_EQ(WriteWaveFormatEx(*f), hand);

    EXPECT_FALSE(ReadWaveFormatEx(std::span(hand).first(17)));
    auto longer = hand;
    longer.push_back(0);
    EXPECT_FALSE(ReadWaveFormatEx(longer));
    auto extra = hand;
    extra[16] = 2;
    EXPECT_FALSE(ReadWaveFormatEx(extra));
}

} // namespace
} // namespace kel
