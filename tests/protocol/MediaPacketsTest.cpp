// The media transport's datagrams against bytes written out by hand, and
// datagrams that must be refused: one byte short, forged lengths, wrong
// markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "foundation/kelUtils.h"
#include "protocol/MediaPackets.h"

namespace kel {
namespace {

TEST(MediaPackets, DataPacketMatchesHandWrittenBytes)
{
    const std::vector<uint8_t> payload = {0xAA, 0xBB, 0xCC};
    const std::vector<uint8_t> hand = {
        0x67, 0x45, 0x23, 0xF1,  // marker F1234567h
        0x04, 0x03, 0x02, 0x01,  // sequence 01020304h
        0x03, 0x00,              // L = 3
        0x02,                    // channel 2
        0xAA, 0xBB, 0xCC};
    EXPECT_EQ(MediaDataPacket(0x01020304, 2, payload), hand);
    auto v = ReadMediaData(hand);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->sequence, 0x01020304u);
    EXPECT_EQ(v->channel, 2);
    EXPECT_EQ(std::vector<uint8_t>(v->payload.begin(), v->payload.end()), payload);
}

TEST(MediaPackets, DataPacketRefusals)
{
    const std::vector<uint8_t> payload = {1, 2, 3};
    auto good = MediaDataPacket(5, 1, payload);
    const std::vector<uint8_t> shortOne(good.begin(), good.end() - 1);
    auto longOne = good;
    longOne.push_back(0);
    auto badMarker = good;
    badMarker[0] ^= 1;
    auto forged = good;
    forged[8] = 0xFF;  // announces more than was received
    struct Case { const char* name; std::vector<uint8_t> bytes; } cases[] = {
        {"one byte short", shortOne}, {"one byte long", longOne},
        {"other marker", badMarker}, {"forged length", forged},
        {"header only short", std::vector<uint8_t>(good.begin(), good.begin() + 10)}};
    for (const auto& c : cases) EXPECT_FALSE(ReadMediaData(c.bytes)) << c.name;
    // An empty payload is a valid packet of 11 bytes.
    auto empty = MediaDataPacket(0, 32, {});
    ASSERT_EQ(empty.size(), 11u);
    EXPECT_TRUE(ReadMediaData(empty));
}

TEST(MediaPackets, DataPacketWriterRefusesWhatNoSlotHolds)
{
    std::vector<uint8_t> big(kMediaMaxPayload + 1), max(kMediaMaxPayload), slot(2048);
    EXPECT_EQ(WriteMediaData(slot, 1, 1, big), 0u);
    EXPECT_EQ(WriteMediaData(slot, 1, 1, max), 2048u);
    EXPECT_EQ(WriteMediaData(slot, 1, 0, max), 0u);
    EXPECT_EQ(WriteMediaData(slot, 1, 33, max), 0u);
    EXPECT_EQ(WriteMediaData(std::span<uint8_t>(slot).first(100), 1, 1, max), 0u);
    // A length field above the largest payload is refused even if the bytes are there.
    std::vector<uint8_t> huge(kMediaMaxPayload + 1 + 11);
    huge[0] = 0x67; huge[1] = 0x45; huge[2] = 0x23; huge[3] = 0xF1;
    huge[8] = static_cast<uint8_t>((kMediaMaxPayload + 1) & 0xFF);
    huge[9] = static_cast<uint8_t>((kMediaMaxPayload + 1) >> 8);
    huge[10] = 1;
    EXPECT_FALSE(ReadMediaData(huge));
}

TEST(MediaPackets, ResendRequest)
{
    const std::vector<uint8_t> hand = {0x21, 0x43, 0x65, 0xF7, 0x0A, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(WriteMediaResend({10, 1}), hand);
    EXPECT_EQ(ReadMediaResend(hand), (MediaResend{10, 1}));
    EXPECT_FALSE(ReadMediaResend(std::span(hand).first(8)));
    auto longer = hand;
    longer.push_back(0);
    EXPECT_FALSE(ReadMediaResend(longer));
}

TEST(MediaPackets, RegisterMatchesHandWrittenBytes)
{
    std::vector<uint8_t> hand = {0xB8, 0x0B, 0x00, 0x00, 3, 'A', 'B', 'C'};
    hand.resize(25, 0);
    for (uint8_t b : {0x39, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) hand.push_back(b);
    MediaRegister m{kMediaSendRegister, "ABC", 12345, 0};
    EXPECT_EQ(WriteMediaRegister(m), hand);
    EXPECT_EQ(ReadMediaRegister(hand), m);
    EXPECT_FALSE(ReadMediaRegister(std::span(hand).first(32)));
    auto forged = hand;
    forged[4] = 21;  // a short string longer than its 20 places
    EXPECT_FALSE(ReadMediaRegister(forged));
    // The viewer's form differs only in its code.
    m.code = kMediaViewRegister;
    EXPECT_EQ(WriteMediaRegister(m)[0], 0xDD);
    EXPECT_EQ(WriteMediaRegister(m)[1], 0x05);
}

TEST(MediaPackets, TicketTextIsScrambledAndCut)
{
    const std::string text = MediaTicketText(1234567890);
    EXPECT_EQ(text.size(), 20u);  // 2 + 2 * 10 characters, cut to 20
    auto small = MediaTicketText(42);
    EXPECT_EQ(UnscrambleText(small), "42");
    EXPECT_EQ(WriteMediaRegister({kMediaSendRegister, text, 1, 0}).size(), kMediaRegisterBytes);
}

TEST(MediaPackets, SendAnswer)
{
    const std::vector<uint8_t> hand = {0xB9, 0x0B, 0x00, 0x00, 0x01, 0x07, 0x00, 0x00, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(WriteMediaSendAnswer({1, 7}), hand);
    EXPECT_EQ(ReadMediaSendAnswer(hand), (MediaSendAnswer{1, 7}));
    EXPECT_FALSE(ReadMediaSendAnswer(std::span(hand).first(12)));
    auto other = hand;
    other[0] = 0xBA;
    EXPECT_FALSE(ReadMediaSendAnswer(other));
}

TEST(MediaPackets, ViewAnswer)
{
    std::vector<uint8_t> hand = {0xDE, 0x05, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
                                 127, 0, 0, 1, 0x34, 0x12, 'o', 'k'};
    hand.resize(218, 0);
    MediaViewAnswer a;
    std::memcpy(&a.ip, hand.data() + 12, 4);
    a.port = 0x1234;
    a.text = "ok";
    EXPECT_EQ(WriteMediaViewAnswer(a), hand);
    EXPECT_EQ(ReadMediaViewAnswer(hand), a);
    EXPECT_FALSE(ReadMediaViewAnswer(std::span(hand).first(217)));
    // Text without a terminator stops at the end of its 200 bytes.
    auto unterminated = hand;
    std::fill(unterminated.begin() + 18, unterminated.end(), 'x');
    auto read = ReadMediaViewAnswer(unterminated);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->text.size(), 200u);
    // Written text is cut so that its terminator fits.
    a.text.assign(300, 'y');
    EXPECT_EQ(ReadMediaViewAnswer(WriteMediaViewAnswer(a))->text.size(), 199u);
}

TEST(MediaPackets, SubscribeAndUnsubscribe)
{
    const std::vector<uint8_t> sub = {0xE9, 0x03, 0, 0, 0x05, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_EQ(WriteMediaSubscribe({5, 0xFFFFFF}), sub);
    EXPECT_EQ(ReadMediaSubscribe(sub), (MediaSubscribe{5, 0xFFFFFF}));
    EXPECT_FALSE(ReadMediaSubscribe(std::span(sub).first(11)));
    const std::vector<uint8_t> unsub = {0xEA, 0x03, 0, 0, 0x05, 0, 0, 0};
    EXPECT_EQ(WriteMediaUnsubscribe(5), unsub);
    EXPECT_EQ(ReadMediaUnsubscribe(unsub), 5);
    EXPECT_FALSE(ReadMediaUnsubscribe(std::span(unsub).first(7)));
    EXPECT_FALSE(ReadMediaUnsubscribe(sub));
}

}  // namespace
}  // namespace kel
