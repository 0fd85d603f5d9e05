// The numbered channels: gap marking and resend requests, resynchronisation,
// the sequence wrap, resend answers from the ring, the echo check, and a
// stream repaired over a link that loses, duplicates and reorders.
#include <gtest/gtest.h>

#include <set>

#include "LossyLink.h"
#include "media/MediaChannels.h"
#include "protocol/MediaPackets.h"

namespace kel {
namespace {

using test::Datagram;
using test::LossyLink;

constexpr uint32_t kIp = 0x0100007F;

std::vector<uint8_t> Pack(uint32_t seq, uint8_t ch = 1) {
    const uint8_t payload[2] = {uint8_t(seq), uint8_t(seq >> 8)};
    return MediaDataPacket(seq, ch, payload);
}

struct Receiver {
    LossyLink out;
    TMediaChannels ch{[this](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { out.Push(ip, port, d, n); }};
    TMediaChannels::Verdict Feed(const std::vector<uint8_t>& b, Tick now = 1000) {
        return ch.Receive(kIp, 5000, b.data(), int32_t(b.size()), now);
    }
    std::vector<uint32_t> Requests() {
        std::vector<uint32_t> seqs;
        for (auto& d : out.Drain()) {
            auto r = ReadMediaResend(d.bytes);
            EXPECT_TRUE(r);
            EXPECT_EQ(d.port, 5000);
            if (r) seqs.push_back(r->sequence);
        }
        return seqs;
    }
};

TEST(MediaChannels, GapIsAskedForTwiceAndFilledEntriesAreFreed)
{
    Receiver r;
    for (uint32_t s : {4u, 5u, 6u, 9u}) EXPECT_EQ(r.Feed(Pack(s)), TMediaChannels::Verdict::Deliver);
    EXPECT_EQ(r.ch.MissingCount(1), 3 + 2);  // 1..3 from the fresh start, then 7, 8
    r.ch.Sweep(1100);
    EXPECT_EQ(r.Requests(), (std::vector<uint32_t>{1, 2, 3, 7, 8}));
    r.Feed(Pack(7), 1150);
    r.ch.Sweep(1200);
    EXPECT_TRUE(r.Requests().empty()) << "the second request waits for the first answer";
    r.ch.Sweep(1700);
    EXPECT_EQ(r.Requests(), (std::vector<uint32_t>{1, 2, 3, 8}));
    EXPECT_EQ(r.ch.MissingCount(1), 0);
    r.ch.Sweep(5000);
    EXPECT_TRUE(r.Requests().empty()) << "nothing is asked for a third time";
}

TEST(MediaChannels, JumpsResynchroniseInsteadOfAsking)
{
    struct Case { const char* name; std::vector<uint32_t> seqs; int missing; uint32_t highest; } cases[] = {
        {"first packet long after the start", {100000}, 0, 100000},
        {"first packet soon after the start", {300}, 299, 300},
        {"gap of 301", {10, 311}, 0, 311},
        {"gap of 300 is asked for", {10, 310}, 9 + 299, 310},
        {"backward jump", {5000, 4000}, 0, 4000},
        {"late packet", {500, 520, 510}, 18, 520},
    };
    for (const auto& c : cases) {
        Receiver r;
        for (uint32_t s : c.seqs) r.Feed(Pack(s));
        EXPECT_EQ(r.ch.MissingCount(1), c.missing) << c.name;
        EXPECT_EQ(r.ch.HighestReceived(1), c.highest) << c.name;
    }
}

TEST(MediaChannels, SequenceWrapsWithoutGapOrResynchronisation)
{
    Receiver r;
    for (uint32_t s : {kMediaSeqLast - 2, kMediaSeqLast - 1, kMediaSeqLast, 0u, 2u}) r.Feed(Pack(s));
    EXPECT_EQ(r.ch.HighestReceived(1), 2u);
    r.ch.Sweep(1100);
    EXPECT_EQ(r.Requests(), (std::vector<uint32_t>{1})) << "only 1 is missing across the wrap";

    // The sender side wraps at the same number.
    LossyLink wire;
    TMediaChannels tx([&](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { wire.Push(ip, port, d, n); });
    EXPECT_EQ(MediaSeqNext(kMediaSeqLast), 0u);
    EXPECT_EQ(MediaSeqDistance(kMediaSeqLast, 0), 1);
    EXPECT_EQ(MediaSeqDistance(0, kMediaSeqLast), -1);
}

TEST(MediaChannels, ResendAnswersComeFromTheRingOnly)
{
    LossyLink wire;
    TMediaChannels tx([&](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { wire.Push(ip, port, d, n); });
    const uint8_t payload[3] = {7, 8, 9};
    for (int i = 0; i < 250; ++i) ASSERT_TRUE(tx.SendPack(2, kIp, 6000, payload, 3));
    auto sent = wire.Drain();
    ASSERT_EQ(sent.size(), 250u);

    auto ask = [&](uint32_t seq, uint8_t ch) {
        auto req = WriteMediaResend({seq, ch});
        EXPECT_EQ(tx.Receive(kIp, 7000, req.data(), int32_t(req.size()), 0), TMediaChannels::Verdict::Consumed);
        return wire.Drain();
    };
    auto answer = ask(249, 2);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].bytes, sent[249].bytes);
    EXPECT_EQ(answer[0].port, 7000);
    EXPECT_EQ(ask(60, 2).size(), 1u);
    struct Case { const char* name; uint32_t seq; uint8_t ch; } none[] = {
        {"overwritten", 10, 2}, {"not yet sent", 250, 2}, {"channel without ring", 249, 1},
        {"channel 0", 249, 0}, {"channel 33", 249, 33}};
    for (const auto& c : none) EXPECT_TRUE(ask(c.seq, c.ch).empty()) << c.name;

    // Payloads no slot can hold, and channels outside 1..32, are refused.
    std::vector<uint8_t> big(kMediaMaxPayload + 1);
    EXPECT_FALSE(tx.SendPack(2, kIp, 6000, big.data(), int32_t(big.size())));
    EXPECT_TRUE(tx.SendPack(2, kIp, 6000, big.data(), int32_t(kMediaMaxPayload)));
    EXPECT_FALSE(tx.SendPack(0, kIp, 6000, payload, 3));
    EXPECT_FALSE(tx.SendPack(33, kIp, 6000, payload, 3));
    EXPECT_FALSE(tx.SendPack(1, kIp, 6000, payload, -1));
}

TEST(MediaChannels, OwnPacketsComingBackAreDroppedUntilTheyPersist)
{
    LossyLink wire;
    TMediaChannels ep([&](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { wire.Push(ip, port, d, n); });
    const uint8_t payload[1] = {1};
    for (int i = 0; i < 20; ++i) ep.SendPack(1, kIp, 6000, payload, 1);
    auto sent = wire.Drain();
    int delivered = 0;
    for (int i = 0; i < 11; ++i)
        delivered += ep.Receive(kIp, 6000, sent[i].bytes.data(), int32_t(sent[i].bytes.size()), 0) ==
                     TMediaChannels::Verdict::Deliver;
    EXPECT_EQ(delivered, 1) << "the eleventh echo in a row is taken as a real stream";
    EXPECT_EQ(ep.EchoCount(), 0);

    // Bad datagrams are not media and go to the plain receiver.
    const std::vector<uint8_t> shortOne(sent[0].bytes.begin(), sent[0].bytes.end() - 1);
    EXPECT_EQ(ep.Receive(kIp, 1, shortOne.data(), int32_t(shortOne.size()), 0), TMediaChannels::Verdict::NotMine);
    const uint8_t three[3] = {1, 2, 3};
    EXPECT_EQ(ep.Receive(kIp, 1, three, 3, 0), TMediaChannels::Verdict::NotMine);
    EXPECT_EQ(ep.Receive(kIp, 1, nullptr, 0, 0), TMediaChannels::Verdict::NotMine);
}

TEST(MediaChannels, IdleChannelsAreNotSwept)
{
    Receiver r;
    r.Feed(Pack(5), 1000);
    r.ch.Sweep(1000 + TMediaChannels::kIdleChannelMs);
    EXPECT_TRUE(r.Requests().empty());
    r.ch.ResetCounters();
    EXPECT_EQ(r.ch.MissingCount(1), 0);
    EXPECT_EQ(r.ch.HighestReceived(1), 0u);
}

TEST(MediaChannels, StreamIsRepairedOverALossyLink)
{
    // Sender -> receiver loses one in 10, duplicates and reorders; the
    // requests and answers travel over links that lose too.
    LossyLink down, up;
    down.period = 10; down.lose = 3; down.dup = 5; down.swap = 8;
    up.period = 7; up.lose = 2;
    TMediaChannels tx([&](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { down.Push(ip, port, d, n); });
    TMediaChannels rx([&](uint32_t ip, uint16_t port, const uint8_t* d, int32_t n) { up.Push(ip, port, d, n); });
    std::set<uint32_t> got;
    Tick now = 0;
    auto deliverDown = [&] {
        down.Deliver([&](const Datagram& d) {
            if (rx.Receive(kIp, 4000, d.bytes.data(), int32_t(d.bytes.size()), now) == TMediaChannels::Verdict::Deliver) {
                auto v = ReadMediaData(d.bytes);
                ASSERT_TRUE(v);
                got.insert(uint32_t(v->payload[0]) | uint32_t(v->payload[1]) << 8);
            }
        });
    };
    const int kCount = 1000;
    for (int i = 0; i < kCount; ++i) {
        const uint8_t payload[2] = {uint8_t(i), uint8_t(i >> 8)};
        tx.SendPack(1, kIp, 4001, payload, 2);
        if (i % 5 == 4) {
            now += 100;
            deliverDown();
            rx.Sweep(now);
            up.Deliver([&](const Datagram& d) { tx.Receive(kIp, 4002, d.bytes.data(), int32_t(d.bytes.size()), now); });
        }
    }
    for (int k = 0; k < 20; ++k) {
        now += 100;
        deliverDown();
        rx.Sweep(now);
        up.Deliver([&](const Datagram& d) { tx.Receive(kIp, 4002, d.bytes.data(), int32_t(d.bytes.size()), now); });
    }
    EXPECT_GT(down.lost, 0u);
    // A packet is lost for good only when its data and both requests, or
    // both answers, were lost; with these patterns that never happens.
    EXPECT_EQ(got.size(), size_t(kCount));
}

}  // namespace
}  // namespace kel
