#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "foundation/WireWriter.h"
#include "platform/ManualLoop.h"
#include "transport/PackUdp.h"
#include "TestNet.h"

using namespace kel;
using namespace kel::test;
using Bytes = std::vector<uint8_t>;

namespace {

uint32_t Ip(const char* dotted) {
    in_addr a{};
    inet_pton(AF_INET, dotted, &a);
    return a.s_addr;
}

Bytes Pattern(size_t n, uint8_t seed = 0) {
    Bytes v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 13 + (i >> 8));
    return v;
}

Bytes Chunk(int32_t id, uint16_t number, uint16_t total, uint16_t offset, const Bytes& payload) {
    WireWriter w;
    w.I32(-1).I16(1000).I32(id).U16(number).U16(total).U16(offset).U16(static_cast<uint16_t>(payload.size()));
    w.Bytes(payload.data(), payload.size());
    return w.Take();
}

struct Delivery {
    uint32_t ip;
    uint16_t port;
    Bytes bytes;
};

// Two reliable endpoints, A (10.0.0.1:5000) and B (10.0.0.2:6000), on an
// in-process network in virtual time.
class PackUdpLink : public ::testing::Test {
protected:
    const uint32_t ipA = Ip("10.0.0.1"), ipB = Ip("10.0.0.2");
    static constexpr uint16_t portA = 5000, portB = 6000;

    ManualLoop loop{1000};
    TestNet net;
    std::unique_ptr<TPackUdp> a, b;
    std::vector<Delivery> at_a, at_b;

    static auto Collect(std::vector<Delivery>& into) {
        return [&into](TPackUdp&, uint32_t ip, uint16_t port, const uint8_t* buf, int32_t len) {
            into.push_back({ip, port, Bytes(buf, buf + len)});
        };
    }

    void SetUp() override {
        a = std::make_unique<TPackUdp>(loop, net.MakeEndpoint(ipA));
        b = std::make_unique<TPackUdp>(loop, net.MakeEndpoint(ipB));
        a->SetPort(portA);
        b->SetPort(portB);
        a->OnRecv = Collect(at_a);
        b->OnRecv = Collect(at_b);
        a->SetActive(true);
        b->SetActive(true);
    }

    void SendAtoB(const Bytes& m) { a->SendReliable(ipB, portB, m.data(), static_cast<int32_t>(m.size())); }

    // Datagrams to B from an address of the test's choosing.
    void InjectToB(uint32_t from_ip, uint16_t from_port, const Bytes& bytes) {
        net.Inject({from_ip, from_port, ipB, portB, bytes, loop.Now()});
    }

    std::vector<Tick> TransmissionTicks(int32_t chunk_id) const {
        std::vector<Tick> t;
        for (const auto& d : net.SentBy(ipA, 1000))
            if (Fields(d.bytes).id == chunk_id) t.push_back(d.sent_at);
        return t;
    }
};

} // namespace

TEST_F(PackUdpLink, SingleChunkAndAcknowledgementHaveTheirWireLayout) {
    const Bytes msg = Pattern(20);
    SendAtoB(msg);
    ASSERT_EQ(net.log.size(), 1u);
    Bytes want = {0xFF, 0xFF, 0xFF, 0xFF, 0xE8, 0x03, 0x01, 0x00, 0x00, 0x00,
                  0x01, 0x00, 0x14, 0x00, 0x00, 0x00, 0x14, 0x00};
    want.insert(want.end(), msg.begin(), msg.end());
    EXPECT_EQ(net.log[0].bytes, want);
    EXPECT_EQ(want.size(), 38u);
    EXPECT_EQ(a->PendingCount(), 1);

    net.DeliverAll();
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(at_b[0].bytes, msg);
    EXPECT_EQ(at_b[0].ip, ipA);
    EXPECT_EQ(at_b[0].port, portA);
    ASSERT_EQ(net.log.size(), 2u);
    EXPECT_EQ(net.log[1].bytes, (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 0x03, 0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(a->PendingCount(), 0);
}

TEST_F(PackUdpLink, AcknowledgementMatchesByChunkIdAndExactLength) {
    net.copies = [](const Datagram&) { return 0; };
    for (int i = 0; i < 5; ++i) SendAtoB(Pattern(10));
    ASSERT_EQ(a->PendingCount(), 5);
    auto ack_to_a = [&](const Bytes& bytes) { net.Inject({ipB, portB, ipA, portA, bytes, loop.Now()}); };

    ack_to_a({0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 0x03, 0x05, 0x00, 0x00, 0x00}); // chunk 5
    EXPECT_EQ(a->PendingCount(), 4);
    ack_to_a({0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00}); // 11 bytes: ignored
    ack_to_a({0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 0x03, 0x63, 0x00, 0x00, 0x00});       // unknown id 99
    ack_to_a({0xFF, 0xFF, 0xFF, 0xFF, 0xEA, 0x03, 0x04, 0x00, 0x00, 0x00});       // type 1002
    EXPECT_EQ(a->PendingCount(), 4);

    // Only the four unacknowledged chunks are sent again.
    net.log.clear();
    loop.AdvanceBy(1000);
    std::vector<int32_t> ids;
    for (const auto& d : net.SentBy(ipA, 1000)) ids.push_back(Fields(d.bytes).id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(PackUdpLink, MessagesOfEverySizeArriveOnceThroughDuplicationAndReordering) {
    struct Case {
        size_t size;
        std::vector<std::pair<uint16_t, uint16_t>> chunks; // offset, length
    };
    const Case cases[] = {
        {1, {{0, 1}}},
        {799, {{0, 799}}},
        {800, {{0, 800}}},
        {801, {{0, 800}, {800, 1}}},
        {1600, {{0, 800}, {800, 800}}},
        {1601, {{0, 800}, {800, 800}, {1600, 1}}},
    };
    net.copies = [](const Datagram&) { return 2; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        net.log.clear();
        at_b.clear();
        const Bytes msg = Pattern(c.size, static_cast<uint8_t>(c.size));
        SendAtoB(msg);
        std::vector<std::pair<uint16_t, uint16_t>> sent;
        for (const auto& d : net.SentBy(ipA, 1000)) {
            auto f = Fields(d.bytes);
            EXPECT_EQ(f.total, c.size);
            EXPECT_EQ(d.bytes.size(), 18u + f.len);
            sent.push_back({f.offset, f.len});
        }
        EXPECT_EQ(sent, c.chunks);

        net.DeliverReversed(); // last chunk first, every chunk twice
        net.DeliverAll();
        ASSERT_EQ(at_b.size(), 1u);
        EXPECT_EQ(at_b[0].bytes, msg);
        // Every copy is acknowledged, the duplicate as well.
        EXPECT_EQ(net.SentBy(ipB, 1001).size(), 2 * c.chunks.size());
        EXPECT_EQ(a->PendingCount(), 0);
        EXPECT_EQ(b->PartialCount(), 0);
    }
}

TEST_F(PackUdpLink, LargestMessageTravelsInEightyTwoChunksAndOneByteMoreIsRefused) {
    const Bytes big = Pattern(65535, 9);
    SendAtoB(big);
    const auto chunks = net.SentBy(ipA, 1000);
    ASSERT_EQ(chunks.size(), 82u);
    EXPECT_EQ(Fields(chunks.back().bytes).offset, 81 * 800);
    EXPECT_EQ(Fields(chunks.back().bytes).len, 65535 - 81 * 800);
    EXPECT_EQ(Fields(chunks.back().bytes).total, 65535);
    net.DeliverReversed();
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(at_b[0].bytes, big);

    // 65536 would go out with a total of 0; it is refused instead, and so is
    // a negative length. Neither uses a message number.
    net.log.clear();
    const Bytes too_big(65536, 1);
    a->SendReliable(ipB, portB, too_big.data(), 65536);
    a->SendReliable(ipB, portB, too_big.data(), -1);
    EXPECT_TRUE(net.log.empty());
    SendAtoB(Pattern(1));
    ASSERT_EQ(net.log.size(), 1u);
    EXPECT_EQ(Fields(net.log[0].bytes).number, 2);
}

TEST_F(PackUdpLink, EmptyMessageSendsNothingButUsesANumber) {
    SendAtoB(Pattern(1));
    SendAtoB({});
    SendAtoB(Pattern(1));
    const auto chunks = net.SentBy(ipA, 1000);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(Fields(chunks[0].bytes).number, 1);
    EXPECT_EQ(Fields(chunks[1].bytes).number, 3);
    EXPECT_EQ(Fields(chunks[1].bytes).id, 2);
}

TEST_F(PackUdpLink, EveryMessageArrivesExactlyOnceOverALossyDuplicatingReorderingLink) {
    std::mt19937 rng(20240611); // fixed: the run is the same every time
    net.copies = [&](const Datagram&) {
        const int roll = static_cast<int>(rng() % 10);
        return roll == 0 ? 0 : roll == 1 ? 2 : 1; // 10 % lost, 10 % doubled
    };
    std::map<Bytes, int> sent;
    for (int i = 0; i < 200; ++i) {
        const size_t size = 1 + rng() % 4000;
        Bytes m = Pattern(size, static_cast<uint8_t>(i));
        m[0] = static_cast<uint8_t>(i); // every message distinct
        m.push_back(static_cast<uint8_t>(i >> 8));
        SendAtoB(m);
        sent[m] = 0;
        if (i % 7 == 0) net.DeliverShuffled(rng);
        if (i % 20 == 0) loop.AdvanceBy(500);
    }
    for (int round = 0; round < 20; ++round) {
        net.DeliverShuffled(rng);
        loop.AdvanceBy(500);
    }
    net.DeliverShuffled(rng);
    for (const auto& d : at_b) {
        auto it = sent.find(d.bytes);
        ASSERT_NE(it, sent.end()) << "delivered a message that was never sent, " << d.bytes.size() << " bytes";
        EXPECT_EQ(++it->second, 1) << "delivered twice";
    }
    // A message can only be lost when one of its chunks was lost on every
    // one of its four transmissions; all others must have arrived.
    std::map<uint16_t, std::map<int32_t, bool>> reached; // number -> chunk id -> reached B
    for (const auto& d : net.SentBy(ipA, 1000)) {
        const auto f = Fields(d.bytes);
        reached[f.number][f.id] = reached[f.number][f.id] || d.copies > 0;
    }
    size_t deliverable = 0;
    for (const auto& [number, chunks] : reached)
        deliverable += std::all_of(chunks.begin(), chunks.end(), [](const auto& c) { return c.second; });
    EXPECT_GE(deliverable, sent.size() - 2); // the link really was that lossy, not worse
    EXPECT_EQ(at_b.size(), deliverable);
    EXPECT_EQ(a->PendingCount(), 0);
}

TEST_F(PackUdpLink, UnacknowledgedChunkIsSentFourTimesFurtherAndFurtherApart) {
    net.copies = [&](const Datagram& d) { return d.from_ip == ipA ? 0 : 1; };
    SendAtoB(Pattern(801)); // two chunks, both lost every time
    loop.AdvanceBy(20000);
    for (int32_t id : {1, 2}) {
        SCOPED_TRACE(id);
        const auto t = TransmissionTicks(id);
        ASSERT_EQ(t.size(), 4u);
        EXPECT_GT(TickDiff(t[1], t[0]), 700);
        EXPECT_GT(TickDiff(t[2], t[1]), 900);
        EXPECT_GT(TickDiff(t[3], t[2]), 1100);
        // On the 500 ms timer: sent at 1000, then at 2000, 3000 and 4500.
        EXPECT_EQ(t, (std::vector<Tick>{1000, 2000, 3000, 4500}));
    }
    EXPECT_EQ(a->PendingCount(), 0); // given up without notice
    EXPECT_TRUE(at_b.empty());
}

TEST_F(PackUdpLink, LostAcknowledgementsCauseResendsButOneDelivery) {
    net.copies = [&](const Datagram& d) { return d.from_ip == ipB ? 0 : 1; };
    SendAtoB(Pattern(300));
    for (int i = 0; i < 10; ++i) {
        net.DeliverAll();
        loop.AdvanceBy(500);
    }
    EXPECT_EQ(TransmissionTicks(1).size(), 4u);
    EXPECT_EQ(net.SentBy(ipB, 1001).size(), 4u);
    EXPECT_EQ(at_b.size(), 1u);
}

TEST_F(PackUdpLink, AResendThatGetsThroughStopsFurtherResends) {
    bool first = true;
    net.copies = [&](const Datagram& d) {
        if (d.from_ip == ipA && first) {
            first = false;
            return 0;
        }
        return 1;
    };
    SendAtoB(Pattern(100));
    for (int i = 0; i < 12; ++i) {
        loop.AdvanceBy(500);
        net.DeliverAll();
    }
    EXPECT_EQ(TransmissionTicks(1), (std::vector<Tick>{1000, 2000}));
    EXPECT_EQ(at_b.size(), 1u);
    EXPECT_EQ(a->PendingCount(), 0);
}

TEST_F(PackUdpLink, AnAcknowledgementThatArrivesBeforeSendReturnsIsNotMissed) {
    net.instant = true;
    SendAtoB(Pattern(1601));
    net.instant = false; // resends, if any, wait in flight
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(a->PendingCount(), 0);
    loop.AdvanceBy(5000);
    EXPECT_EQ(net.SentBy(ipA, 1000).size(), 3u); // no needless resend
}

TEST(PackUdpNumbering, ChunkIdsAndMessageNumbersWrap) {
    const std::pair<int32_t, int32_t> ids[] = {{0, 1}, {2147483645, 2147483646}, {2147483646, 0}};
    for (auto [last, next] : ids) EXPECT_EQ(TPackUdp::NextChunkId(last), next) << last;
    const std::pair<int32_t, int32_t> numbers[] = {{0, 1}, {65529, 65530}, {65530, 0}};
    for (auto [last, next] : numbers) EXPECT_EQ(TPackUdp::NextMessageNumber(last), next) << last;
}

TEST_F(PackUdpLink, MessageNumberWrapsToZeroAfter65530AndDeliveryGoesOn) {
    // The first 6000 messages also run the seen-chunk memory past its 5000
    // keys; empty messages (which only use a number) bring the count up
    // quickly to the wrap.
    for (int i = 1; i <= 65531; ++i) {
        const uint8_t byte = static_cast<uint8_t>(i);
        const bool real = i <= 6000 || i >= 65530;
        a->SendReliable(ipB, portB, &byte, real ? 1 : 0);
        net.DeliverAll();
        if (i < 65530) net.log.clear();
    }
    ASSERT_EQ(at_b.size(), 6002u);
    EXPECT_EQ(at_b.back().bytes, Bytes{static_cast<uint8_t>(65531)});
    const auto chunks = net.SentBy(ipA, 1000);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(Fields(chunks[0].bytes).number, 65530);
    EXPECT_EQ(Fields(chunks[1].bytes).number, 0);
    EXPECT_EQ(Fields(chunks[1].bytes).id, 6002);
    EXPECT_EQ(a->PendingCount(), 0);
}

TEST_F(PackUdpLink, DeactivationForgetsPendingAndPartialMessagesAndRestartsNumbering) {
    net.copies = [&](const Datagram& d) { return Fields(d.bytes).offset == 0 ? 1 : 0; };
    SendAtoB(Pattern(1601));
    net.DeliverAll();
    EXPECT_EQ(b->PartialCount(), 1);
    EXPECT_EQ(a->PendingCount(), 2);

    a->SetActive(false);
    b->SetActive(false);
    a->SetActive(true);
    b->SetActive(true);
    EXPECT_EQ(a->PendingCount(), 0);
    EXPECT_EQ(b->PartialCount(), 0);

    net.log.clear();
    net.copies = [](const Datagram&) { return 1; };
    loop.AdvanceBy(5000);
    EXPECT_TRUE(net.log.empty()); // nothing old is resent
    SendAtoB(Pattern(5));
    ASSERT_EQ(net.log.size(), 1u);
    EXPECT_EQ(Fields(net.log[0].bytes).id, 1);
    EXPECT_EQ(Fields(net.log[0].bytes).number, 1);
    // B forgot chunk 1 of A, so the new chunk 1 is no duplicate.
    net.DeliverAll();
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(at_b[0].bytes, Pattern(5));
}

TEST_F(PackUdpLink, HostileChunksAreDroppedAndAGoodMessageStillArrives) {
    const uint32_t evil = Ip("192.0.2.66");
    const uint16_t evil_port = 7777;
    const size_t acks_before = net.log.size();
    auto acks_since = [&] {
        size_t n = 0;
        for (size_t i = acks_before; i < net.log.size(); ++i) n += Fields(net.log[i].bytes).type == 1001;
        return n;
    };

    auto with = [](Bytes d, auto&& change) {
        change(d);
        return d;
    };
    const std::pair<const char*, Bytes> malformed[] = {
        {"payload shorter than its length field", with(Chunk(1, 1, 10, 0, Pattern(10)), [](Bytes& d) { d.pop_back(); })},
        {"longer than its length field", with(Chunk(2, 1, 10, 0, Pattern(10)), [](Bytes& d) { d.push_back(0); })},
        {"header cut short", with(Chunk(3, 1, 10, 0, {}), [](Bytes& d) { d.resize(12); })},
        {"offset + length beyond the total", Chunk(4, 2, 1000, 900, Pattern(200))},
        {"length beyond the total", Chunk(5, 2, 100, 0, Pattern(200))},
        {"offset near 65535 wrapping past the total", Chunk(6, 2, 1000, 65500, Pattern(100))},
        {"unknown type", with(Chunk(7, 1, 10, 0, Pattern(10)), [](Bytes& d) { d[4] = 0xEA; })},
    };
    for (const auto& [what, datagram] : malformed) {
        SCOPED_TRACE(what);
        InjectToB(evil, evil_port, datagram);
        EXPECT_EQ(acks_since(), 0u); // not even acknowledged
        EXPECT_EQ(b->PartialCount(), 0);
    }
    EXPECT_TRUE(at_b.empty());

    // A chunk whose total differs from its partial message's is not copied.
    InjectToB(evil, evil_port, Chunk(10, 7, 1600, 0, Pattern(800, 1)));
    InjectToB(evil, evil_port, Chunk(11, 7, 2000, 800, Pattern(800, 2)));
    InjectToB(evil, evil_port, Chunk(12, 7, 900, 800, Pattern(100, 3)));
    EXPECT_EQ(b->PartialCount(), 1);
    EXPECT_TRUE(at_b.empty());

    // Overlapping chunks can make the byte count reach the total; what was
    // never written reads as zero, never as stale memory.
    InjectToB(evil, evil_port, Chunk(20, 8, 1600, 0, Bytes(800, 'A')));
    InjectToB(evil, evil_port, Chunk(21, 8, 1600, 0, Bytes(800, 'B')));
    ASSERT_EQ(at_b.size(), 1u);
    Bytes want(800, 'B');
    want.resize(1600, 0);
    EXPECT_EQ(at_b[0].bytes, want);
    at_b.clear();

    // After all that, a real multi-chunk message from A arrives intact.
    const Bytes good = Pattern(2500, 4);
    SendAtoB(good);
    net.DeliverAll();
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(at_b[0].bytes, good);
    EXPECT_EQ(at_b[0].ip, ipA);
}

TEST_F(PackUdpLink, SendersWithCollidingPeerKeysReassembleApart) {
    const uint32_t x1 = Ip("10.1.1.1");
    const uint16_t p1 = 1000, p2 = 2000;
    const uint32_t x2 = x1 ^ TPackUdp::PeerKey(0, p1) ^ TPackUdp::PeerKey(0, p2);
    ASSERT_NE(x1, x2);
    ASSERT_EQ(TPackUdp::PeerKey(x1, p1), TPackUdp::PeerKey(x2, p2));

    const Bytes m1 = Pattern(1200, 1), m2 = Pattern(1200, 2);
    auto part = [](const Bytes& m, size_t from, size_t n) { return Bytes(m.begin() + from, m.begin() + from + n); };
    // Same message number, same chunk ids, interleaved.
    InjectToB(x1, p1, Chunk(1, 5, 1200, 0, part(m1, 0, 800)));
    InjectToB(x2, p2, Chunk(1, 5, 1200, 800, part(m2, 800, 400)));
    EXPECT_EQ(b->PartialCount(), 2);
    InjectToB(x2, p2, Chunk(2, 5, 1200, 0, part(m2, 0, 800)));
    InjectToB(x1, p1, Chunk(2, 5, 1200, 800, part(m1, 800, 400)));
    ASSERT_EQ(at_b.size(), 2u);
    EXPECT_EQ(at_b[0].ip, x2);
    EXPECT_EQ(at_b[0].bytes, m2);
    EXPECT_EQ(at_b[1].ip, x1);
    EXPECT_EQ(at_b[1].bytes, m1);
    EXPECT_EQ(b->PartialCount(), 0);
}

TEST_F(PackUdpLink, AThrowingHandlerLosesOnlyItsOwnMessage) {
    int calls = 0;
    b->OnRecv = [&](TPackUdp&, uint32_t, uint16_t, const uint8_t* buf, int32_t len) {
        if (++calls == 1) throw std::runtime_error("handler failure");
        at_b.push_back({0, 0, Bytes(buf, buf + len)});
    };
    SendAtoB(Pattern(1000, 1));
    net.DeliverAll();
    EXPECT_EQ(b->PartialCount(), 0); // finished although the handler threw
    SendAtoB(Pattern(1000, 2));
    net.DeliverAll();
    ASSERT_EQ(at_b.size(), 1u);
    EXPECT_EQ(at_b[0].bytes, Pattern(1000, 2));
}

TEST_F(PackUdpLink, DatagramsWithoutTheHeaderPassThroughUnchanged) {
    const Bytes plain[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xE8},        // five bytes: too short for a type
        {'h', 'e', 'l', 'l', 'o', ' ', 'w'},   // no marker
        {0xFF, 0xFF, 0xFF, 0xFE, 0xE8, 0x03},  // almost the marker
        {0x01},
    };
    for (const auto& p : plain) InjectToB(ipA, portA, p);
    ASSERT_EQ(at_b.size(), std::size(plain));
    for (size_t i = 0; i < std::size(plain); ++i) EXPECT_EQ(at_b[i].bytes, plain[i]) << i;

    net.log.clear();
    const Bytes raw = {1, 2, 3};
    a->SendData(ipB, portB, raw.data(), 3, false);
    ASSERT_EQ(net.log.size(), 1u);
    EXPECT_EQ(net.log[0].bytes, raw);
    EXPECT_EQ(a->PendingCount(), 0);
}

TEST_F(PackUdpLink, PartialMessagesAreDiscardedAfterTenMinutes) {
    const uint32_t x = Ip("10.9.9.9");
    InjectToB(x, 1, Chunk(1, 1, 1600, 0, Pattern(800)));
    loop.AdvanceBy(600000); // exactly ten minutes: kept
    EXPECT_EQ(b->PartialCount(), 1);
    loop.AdvanceBy(30000); // the next sweep, half a minute later
    EXPECT_EQ(b->PartialCount(), 0);
    // The late second half starts a new partial message; nothing is delivered.
    InjectToB(x, 1, Chunk(2, 1, 1600, 800, Pattern(800)));
    EXPECT_TRUE(at_b.empty());
    EXPECT_EQ(b->PartialCount(), 1);
}
