// The jitter buffer on virtual time: play-out order and moments, dropped
// duplicates and late chunks, restarts, wrapping stamps and its bound.
#include <gtest/gtest.h>

#include "media/JitterBuffer.h"
#include "platform/ManualLoop.h"
#include "protocol/AudioLayout.h"

namespace kel {
namespace {

struct Played {
    uint32_t number;
    Tick at;
};

class JitterBufferTest : public ::testing::Test {
protected:
    JitterBufferTest() : cache(loop)
    {
        cache.OnOut = [this](std::span<const uint8_t> c) {
            auto v = ReadAudioChunk(c);
            ASSERT_TRUE(v);
            played.push_back({v->number, loop.Now()});
        };
        cache.Start();
    }
    void Add(uint32_t number, uint32_t stamp) { cache.AddChunk(WriteAudioChunk(number, stamp, std::vector<uint8_t>(4, uint8_t(number)))); }
    std::vector<uint32_t> Numbers() const
    {
        std::vector<uint32_t> n;
        for (auto& p : played) n.push_back(p.number);
        return n;
    }
    // Played no earlier than due and within one play tick of it.
    void ExpectPlayedAt(size_t i, Tick due)
    {
        ASSERT_LT(i, played.size());
        EXPECT_GE(TickDiff(played[i].at, due), 0) << "chunk " << played[i].number;
        EXPECT_LE(TickDiff(played[i].at, due), int32_t(TAudioCache::kPlayTickMs)) << "chunk " << played[i].number;
    }

    ManualLoop loop{1000};
    TAudioCache cache;
    std::vector<Played> played;
};

TEST_F(JitterBufferTest, ReorderedChunksPlayInOrderEachAFixedDelayAfterItsStamp)
{
    const Tick t0 = loop.Now();
    Add(3, 50300); // first to arrive: the clock starts from it
    loop.AdvanceBy(30);
    Add(1, 50100);
    loop.AdvanceBy(20);
    Add(2, 50200);
    loop.AdvanceBy(2000);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{1, 2, 3}));
    ExpectPlayedAt(0, t0 + 1000 - 200);
    ExpectPlayedAt(1, t0 + 1000 - 100);
    ExpectPlayedAt(2, t0 + 1000);
    EXPECT_EQ(cache.Waiting(), 0u);
}

TEST_F(JitterBufferTest, DuplicatesAreDroppedWaitingOrAlreadyPlayed)
{
    Add(0, 7000);
    Add(0, 7000);
    Add(1, 7100);
    EXPECT_EQ(cache.Waiting(), 2u);
    loop.AdvanceBy(1050);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0}));
    Add(0, 7000); // arrives again after it was played
    loop.AdvanceBy(500);
    EXPECT_EQ(Numbers(), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(cache.Counted().duplicate, 1u);
    EXPECT_EQ(cache.Counted().late, 1u);
}

TEST_F(JitterBufferTest, LateChunkPlaysAtOnceUnlessANewerOneWasPlayed)
{
    const Tick t0 = loop.Now();
    Add(0, 100);
    Add(2, 300);
    loop.AdvanceBy(1250); // 0 played at t0+1000, 2 at t0+1200
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 2}));
    Add(1, 200); // older than what was played: would break the order
    Add(3, 400); // due at t0+1300: waits
    loop.AdvanceBy(100);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 2, 3}));
    ExpectPlayedAt(2, t0 + 1300);
    Add(5, 450); // due t0+1350, which is now
    const Tick arrived = loop.Now();
    Add(4, 420); // due t0+1320: 30 ms overdue, newer than 3 -> played
    loop.AdvanceBy(30);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 2, 3, 4, 5}));
    ExpectPlayedAt(3, arrived);
    EXPECT_EQ(cache.Counted().late, 1u);
}

TEST_F(JitterBufferTest, RestartedSenderRebasesOnItsFirstChunk)
{
    for (uint32_t i = 0; i < 5; ++i) Add(i, 900000 + i * 100);
    loop.AdvanceBy(1150); // 0 and 1 played
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 1}));
    // The sender's machine started again: its stamps are far behind.
    const Tick t1 = loop.Now();
    Add(0, 500);
    Add(1, 600);
    EXPECT_EQ(cache.Waiting(), 2u);
    EXPECT_EQ(cache.Counted().resets, 1u);
    loop.AdvanceBy(1200);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 1, 0, 1}));
    ExpectPlayedAt(2, t1 + 1000);
    ExpectPlayedAt(3, t1 + 1100);
    // And far ahead.
    const Tick t2 = loop.Now();
    Add(7, 60000);
    loop.AdvanceBy(1010);
    EXPECT_EQ(Numbers().back(), 7u);
    ExpectPlayedAt(4, t2 + 1000);
}

TEST_F(JitterBufferTest, StampsThatWrapKeepTheirOrder)
{
    for (uint32_t first : {0xFFFFFF00u, 0x7FFFFF00u, 0u}) {
        cache.Start();
        played.clear();
        const Tick t0 = loop.Now();
        // Arrive shuffled, across the wrap of the unsigned or the signed range.
        const uint32_t order[] = {1, 0, 3, 2, 4};
        for (uint32_t i : order) Add(i, first + i * 100);
        loop.AdvanceBy(1700);
        ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 1, 2, 3, 4})) << std::hex << first;
        // The first arrival (stamp first+100) set the clock.
        ExpectPlayedAt(0, t0 + 900);
        ExpectPlayedAt(4, t0 + 1300);
    }
}

TEST_F(JitterBufferTest, FirstStampZeroIsAStampLikeAnyOther)
{
    const Tick t0 = loop.Now();
    Add(0, 0);
    loop.AdvanceBy(150); // a little late: must not move the clock
    Add(1, 100);
    loop.AdvanceBy(1100);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0, 1}));
    ExpectPlayedAt(1, t0 + 1100);
}

TEST_F(JitterBufferTest, BoundedAndRefusesMalformedChunks)
{
    for (uint32_t i = 0; i < TAudioCache::kMaxEntries + 40; ++i) Add(i, 10000 + i * 10);
    EXPECT_EQ(cache.Waiting(), TAudioCache::kMaxEntries);
    EXPECT_EQ(cache.Counted().full, 40u);

    auto good = WriteAudioChunk(9, 5, std::vector<uint8_t>(4));
    cache.AddChunk(std::span(good).first(15));
    cache.AddChunk(std::span(good).first(19));
    good[0] = 0;
    cache.AddChunk(good);
    EXPECT_EQ(cache.Counted().malformed, 3u);
}

TEST_F(JitterBufferTest, StoppedCacheKeepsAndPlaysNothing)
{
    Add(0, 100);
    cache.Stop();
    EXPECT_EQ(cache.Waiting(), 0u);
    Add(1, 200);
    loop.AdvanceBy(3000);
    EXPECT_TRUE(played.empty());
    cache.Start();
    Add(2, 300);
    loop.AdvanceBy(1010);
    EXPECT_EQ(Numbers(), (std::vector<uint32_t>{2}));
}

TEST_F(JitterBufferTest, PlayDelayIsAdjustable)
{
    cache.SetPlayDelay(300);
    const Tick t0 = loop.Now();
    Add(0, 100);
    loop.AdvanceBy(400);
    ASSERT_EQ(Numbers(), (std::vector<uint32_t>{0}));
    ExpectPlayedAt(0, t0 + 300);
}

} // namespace
} // namespace kel
