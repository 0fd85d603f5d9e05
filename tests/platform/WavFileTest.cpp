// WAV files and PCM conversion.
#include <gtest/gtest.h>

#include "platform/PcmConvert.h"
#include "platform/WavFile.h"
#include "support/TempDir.h"

namespace kel {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v)
{
    std::vector<uint8_t> out;
    for (int b : v) out.push_back(static_cast<uint8_t>(b));
    return out;
}

void Append(std::vector<uint8_t>& v, const char* four)
{
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(four[i]));
}
void Append32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Append16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

// A file written out by hand: RIFF header, an odd-sized "LIST" chunk that
// must be skipped with its pad byte, "fmt " and "data" with `data_len` as
// the length field over the `data` actually present.
std::vector<uint8_t> HandWav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t data_len,
                             const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> f;
    Append(f, "RIFF");
    Append32(f, 0); // writers that crash leave 0 here; readers must not care
    Append(f, "WAVE");
    Append(f, "LIST");
    Append32(f, 3);
    Append(f, "abc"); // with its terminating zero as the pad byte
    Append(f, "fmt ");
    Append32(f, 16);
    Append16(f, tag);
    Append16(f, channels);
    Append32(f, rate);
    Append32(f, rate * channels * bits / 8);
    Append16(f, static_cast<uint16_t>(channels * bits / 8));
    Append16(f, bits);
    Append(f, "data");
    Append32(f, data_len);
    for (uint8_t b : data) f.push_back(b);
    return f;
}

TEST(WavFile, ParsesHandWrittenFilesAndRefusesBrokenOnes)
{
    const std::vector<uint8_t> pcm = Bytes({1, 0, 2, 0, 3, 0, 4, 0, 5}); // 4 frames and a stray byte
    TWavData wav;
    std::string error;
    ASSERT_TRUE(ParseWav(HandWav(1, 1, 8000, 16, 9, pcm), wav, error)) << error;
    EXPECT_EQ(wav.format, (TPcmFormat{8000, 1, 16}));
    EXPECT_EQ(wav.pcm, Bytes({1, 0, 2, 0, 3, 0, 4, 0}));

    // A length field larger than the file: what is there is taken.
    ASSERT_TRUE(ParseWav(HandWav(1, 2, 44100, 16, 0xFFFFFFFF, pcm), wav, error)) << error;
    EXPECT_EQ(wav.pcm.size(), 8u);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> truncated_fmt = HandWav(1, 1, 8000, 16, 2, {0, 0});
    truncated_fmt.resize(30);
    std::vector<uint8_t> no_data = HandWav(1, 1, 8000, 16, 2, {0, 0});
    no_data.resize(no_data.size() - 10);
    const Case cases[] = {
        {"empty", {}},
        {"not RIFF", Bytes({'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'})},
        {"float samples", HandWav(3, 1, 8000, 32, 4, {0, 0, 0, 0})},
        {"24-bit samples", HandWav(1, 1, 8000, 24, 3, {0, 0, 0})},
        {"no channels", HandWav(1, 0, 8000, 16, 2, {0, 0})},
        {"truncated format chunk", truncated_fmt},
        {"no data chunk", no_data},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(ParseWav(c.bytes, wav, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(WavFile, WriterStreamsBlocksAndCompletesTheHeader)
{
    test::TempDir dir;
    const std::string path = dir.File("out.wav");
    std::string error;
    {
        TWavWriter w;
        ASSERT_TRUE(w.Open(path, {16000, 2, 16}, error)) << error;
        const std::vector<uint8_t> a = Bytes({1, 2, 3, 4, 5, 6, 7, 8}), b = Bytes({9, 10, 11, 12, 13}); // 13: half a frame dropped
        w.Write(a.data(), a.size());
        w.Write(b.data(), b.size());
        EXPECT_EQ(w.DataBytes(), 12u);
    } // closed by its destructor
    TWavData wav;
    ASSERT_TRUE(ReadWav(path, wav, error)) << error;
    EXPECT_EQ(wav.format, (TPcmFormat{16000, 2, 16}));
    EXPECT_EQ(wav.pcm, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const std::string raw = dir.Read("out.wav");
    ASSERT_EQ(raw.size(), 44u + 12u);
    EXPECT_EQ(static_cast<uint8_t>(raw[4]), 36 + 12); // RIFF length
    EXPECT_EQ(static_cast<uint8_t>(raw[40]), 12);     // data length

    TWavWriter bad;
    EXPECT_FALSE(bad.Open(dir.File("no/such/folder/x.wav"), {8000, 1, 16}, error));
    EXPECT_FALSE(ReadWav(dir.File("missing.wav"), wav, error));
    EXPECT_NE(error.find("missing.wav"), std::string::npos);
}

TEST(PcmConvert, MixesChannelsChangesRateAndWidth)
{
    // Stereo 16-bit at 16 kHz to mono at 8 kHz: channels averaged, every
    // second frame kept (linear interpolation lands on whole frames).
    std::vector<uint8_t> stereo;
    for (int16_t f : {100, 300, -1000, -3000, 2000, 4000, 50, 50}) Append16(stereo, static_cast<uint16_t>(f));
    const std::vector<uint8_t> mono = ConvertPcm({16000, 2, 16}, stereo.data(), stereo.size(), {8000, 1, 16});
    std::vector<uint8_t> want;
    Append16(want, 200);
    Append16(want, 3000);
    EXPECT_EQ(mono, want);

    // 8-bit unsigned to 16-bit signed and back, mono copied to both channels.
    const std::vector<uint8_t> u8 = Bytes({128, 255, 0});
    const std::vector<uint8_t> s16 = ConvertPcm({8000, 1, 8}, u8.data(), u8.size(), {8000, 2, 16});
    std::vector<uint8_t> want16;
    for (int16_t v : {0, 0, 127 * 256, 127 * 256, -32768, -32768}) Append16(want16, static_cast<uint16_t>(v));
    EXPECT_EQ(s16, want16);
    EXPECT_EQ(ConvertPcm({8000, 2, 16}, s16.data(), s16.size(), {8000, 1, 8}), u8);

    // Up-sampling interpolates between neighbours.
    std::vector<uint8_t> two;
    Append16(two, 0);
    Append16(two, 1000);
    const std::vector<uint8_t> up = ConvertPcm({4000, 1, 16}, two.data(), two.size(), {8000, 1, 16});
    std::vector<uint8_t> want_up;
    for (int16_t v : {0, 500, 1000, 1000}) Append16(want_up, static_cast<uint16_t>(v));
    EXPECT_EQ(up, want_up);

    EXPECT_TRUE(ConvertPcm({8000, 1, 24}, two.data(), two.size(), {8000, 1, 16}).empty());
    EXPECT_TRUE(ConvertPcm({8000, 1, 16}, two.data(), 1, {8000, 1, 16}).empty());
}

} // namespace
} // namespace kel
