#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/BlockMemoryMng.h"
#include "foundation/DataStructure.h"

using namespace kel;

TEST(BlockMemoryMng, StrideIsSizePlusHeaderRoundedToFour) {
    const std::pair<uint32_t, uint32_t> cases[] = {{10, 20}, {24, 32}, {2048, 2056}, {1, 12}, {0, 8}, {832, 840}};
    for (auto [size, stride] : cases) {
        EXPECT_EQ(TBlockMemoryMng::StrideFor(size), stride) << size;
        EXPECT_EQ(TBlockMemoryMng(size).Stride(), stride) << size;
    }
}

TEST(BlockMemoryMng, BlockSizeIsPooledOneMoreIsDedicated) {
    TBlockMemoryMng pool(24);
    EXPECT_EQ(pool.Total(), 0); // nothing allocated before the first request

    void* pooled = pool.GetBlock(24);
    ASSERT_NE(pooled, nullptr);
    EXPECT_EQ(pool.Total(), 100);
    EXPECT_EQ(pool.FreeCount(), 99);

    void* dedicated = pool.GetBlock(25);
    ASSERT_NE(dedicated, nullptr);
    std::memset(dedicated, 0xAB, 25); // all 25 bytes are usable
    EXPECT_EQ(pool.Total(), 100);
    EXPECT_EQ(pool.FreeCount(), 99);
    pool.FreeBlock(dedicated);
    EXPECT_EQ(pool.FreeCount(), 99);

    pool.FreeBlock(pooled);
    EXPECT_EQ(pool.FreeCount(), 100);
}

TEST(BlockMemoryMng, SlabsOfHundredHandedOutFromTheHighestAddressDown) {
    TBlockMemoryMng pool(10);
    std::vector<uint8_t*> blocks;
    for (int i = 0; i < 100; ++i) blocks.push_back(static_cast<uint8_t*>(pool.GetBlock(10)));
    EXPECT_EQ(pool.Total(), 100);
    for (size_t i = 1; i < blocks.size(); ++i) EXPECT_EQ(blocks[i - 1] - blocks[i], 20) << i;
    // Fresh slabs are zero-filled.
    for (uint8_t* b : blocks)
        for (int k = 0; k < 10; ++k) ASSERT_EQ(b[k], 0);

    blocks.push_back(static_cast<uint8_t*>(pool.GetBlock(1)));
    EXPECT_EQ(pool.Total(), 200);
    for (uint8_t* b : blocks) pool.FreeBlock(b);
    EXPECT_EQ(pool.FreeCount(), 200);
}

TEST(BlockMemoryMng, SecondFreeOfAPooledBlockChangesNothing) {
    TBlockMemoryMng pool(16);
    void* a = pool.GetBlock(16);
    pool.FreeBlock(a);
    pool.FreeBlock(a);
    EXPECT_EQ(pool.FreeCount(), 100);
    // Had the block been pushed twice, two requests would return it twice.
    void* x = pool.GetBlock(16);
    void* y = pool.GetBlock(16);
    EXPECT_NE(x, y);
    pool.FreeBlock(x);
    pool.FreeBlock(y);
}

TEST(BlockMemoryMng, SharedByThreadsNeverHandsOutABlockTwice) {
    TBlockMemoryMng pool(64);
    constexpr int kThreads = 4, kRounds = 2000;
    auto work = [&](uint8_t tag) {
        std::vector<uint8_t*> mine;
        for (int r = 0; r < kRounds; ++r) {
            auto* b = static_cast<uint8_t*>(pool.GetBlock(64));
            ASSERT_NE(b, nullptr);
            std::memset(b, tag, 64);
            mine.push_back(b);
            if (mine.size() > 50) {
                for (uint8_t* m : mine)
                    for (int k = 0; k < 64; ++k) ASSERT_EQ(m[k], tag);
                for (uint8_t* m : mine) pool.FreeBlock(m);
                mine.clear();
            }
        }
        for (uint8_t* m : mine) pool.FreeBlock(m);
    };
    std::vector<std::thread> ts;
    for (int t = 0; t < kThreads; ++t) ts.emplace_back(work, static_cast<uint8_t>(t + 1));
    for (auto& t : ts) t.join();
    EXPECT_EQ(pool.FreeCount(), pool.Total());
}

TEST(ThreadStack, LastPushedIsFirstPopped) {
    TThreadStack s;
    int a = 0, b = 0;
    s.Push(&a);
    s.Push(&b);
    void* v = nullptr;
    ASSERT_TRUE(s.Pop(v));
    EXPECT_EQ(v, &b);
    ASSERT_TRUE(s.Pop(v));
    EXPECT_EQ(v, &a);
    EXPECT_FALSE(s.Pop(v));
    s.Push(&a); // left on the stack for the destructor to discard
}

TEST(NumHashList, TopBitKeysAreUnsignedModuloAndRemoveFindsThem) {
    TNumHashList<int> t(1000);
    const uint32_t big = 0x80000005u; // 2147483653 % 1000 == 653
    EXPECT_EQ(t.BucketOf(big), 653u);
    EXPECT_EQ(t.BucketOf(static_cast<uint32_t>(-1)), 4294967295u % 1000u);
    t.Add(big, 1);
    t.Add(653, 2); // same bucket
    int v = 0;
    ASSERT_TRUE(t.Find(big, v));
    EXPECT_EQ(v, 1);
    ASSERT_TRUE(t.Find(653, v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(t.Remove(big));
    EXPECT_FALSE(t.Find(big, v));
    EXPECT_TRUE(t.Find(653, v));
    EXPECT_FALSE(t.Remove(big));
    EXPECT_EQ(t.Count(), 1);
}

namespace {
std::vector<std::pair<int32_t, int>> Walk(const THashList<int>& l) {
    std::vector<std::pair<int32_t, int>> out;
    for (auto* e = l.First(); e; e = e->next) out.push_back({e->key, e->value});
    return out;
}
} // namespace

TEST(HashList, KeepsInsertionOrderThroughReAddDeleteAndClear) {
    THashList<int> l(7); // few buckets, so chains are shared
    for (int32_t k : {5, -3, 12, 19, 40}) l.Add(k, k * 10);
    l.Add(-3, 99); // present: value replaced, place kept
    using V = std::vector<std::pair<int32_t, int>>;
    EXPECT_EQ(Walk(l), (V{{5, 50}, {-3, 99}, {12, 120}, {19, 190}, {40, 400}}));

    EXPECT_TRUE(l.Delete(5));   // first
    EXPECT_TRUE(l.Delete(40));  // last
    EXPECT_TRUE(l.Delete(12));  // middle, shares a bucket with 5, 19 and 40
    EXPECT_FALSE(l.Delete(12)); // gone
    EXPECT_EQ(Walk(l), (V{{-3, 99}, {19, 190}}));
    EXPECT_EQ(l.Count(), 2);

    EXPECT_TRUE(l.SetValue(19, 7));
    EXPECT_FALSE(l.SetValue(12, 7));
    l.Add(12, 1); // re-added after a delete: goes to the end
    EXPECT_EQ(Walk(l), (V{{-3, 99}, {19, 7}, {12, 1}}));
    int v = 0;
    EXPECT_TRUE(l.Find(19, v));
    EXPECT_EQ(v, 7);

    l.Clear();
    EXPECT_EQ(l.First(), nullptr);
    EXPECT_EQ(l.Count(), 0);
    EXPECT_FALSE(l.Find(19, v));
    l.Add(3, 3);
    EXPECT_EQ(Walk(l), (V{{3, 3}}));
}

TEST(StrHash, HashRotatesLeftByTwoAndXorsEachByte) {
    TStrHash h(256);
    // "ab": ((0 rol 2) ^ 'a') rol 2 ^ 'b' = 0x184 ^ 0x62 = 0x1E6
    EXPECT_EQ(h.HashOf(""), 0u);
    EXPECT_EQ(h.HashOf("ab"), 0x1E6u);
    // Bits leaving the top come back at the bottom.
    EXPECT_EQ(h.HashOf(std::string("\xC0") + std::string(12, '\0') + "\x01"), 3u ^ 1u); // 0xC0000000 rol 2 = 3
}

TEST(StrHash, LooksUpExactBytesAndRemovesTheNewestDuplicateFirst) {
    TStrHash h(4);
    EXPECT_EQ(h.ValueOf("absent"), -1);
    h.Add("key", 1);
    h.Add("key", 2); // not checked: goes in front
    h.Add(std::string("ke\0y", 4), 3);
    EXPECT_EQ(h.ValueOf("key"), 2);
    EXPECT_EQ(h.ValueOf(std::string("ke\0y", 4)), 3);
    EXPECT_EQ(h.ValueOf("Key"), -1);
    h.Remove("key");
    EXPECT_EQ(h.ValueOf("key"), 1);
    h.Remove("key");
    EXPECT_EQ(h.ValueOf("key"), -1);
    h.Remove("key"); // absent: nothing happens
    EXPECT_EQ(h.Count(), 1);
}
