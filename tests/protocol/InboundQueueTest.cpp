#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "protocol/InboundQueue.h"

using namespace kel;

namespace {

// Block `seq` of producer `p`: its length varies, its bytes name both.
std::vector<uint8_t> MakeBlock(int p, int seq) {
    std::vector<uint8_t> b(static_cast<size_t>(seq % 97 + 2));
    b[0] = static_cast<uint8_t>(p);
    for (size_t i = 1; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(seq + static_cast<int>(i));
    return b;
}

} // namespace

TEST(InboundQueue, KeepsEveryBlockWholeAndInOrderUnderConcurrentProducers) {
    constexpr int kProducers = 4, kPerProducer = 2000;
    InboundQueue q;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&q, p] {
            for (int s = 0; s < kPerProducer; ++s)
                q.Push(MakeBlock(p, s));
        });

    // The consumer takes blocks while the producers are still pushing.
    std::vector<int> next(kProducers, 0);
    int taken = 0;
    bool intact = true;
    while (taken < kProducers * kPerProducer) {
        auto b = q.Pop();
        if (!b) {
            std::this_thread::yield();
            continue;
        }
        const int p = (*b)[0];
        ASSERT_LT(p, kProducers);
        if (*b != MakeBlock(p, next[p]))
            intact = false;
        ++next[p];
        ++taken;
    }
    for (auto& t : producers)
        t.join();
    EXPECT_TRUE(intact);
    EXPECT_EQ(q.Size(), 0u);
    EXPECT_FALSE(q.Pop().has_value());
}

TEST(InboundQueue, ClearDropsEverythingQueued) {
    InboundQueue q;
    q.Push({1, 2, 3});
    q.Push({});
    q.Push({4});
    EXPECT_EQ(q.Size(), 3u);
    EXPECT_EQ(q.Pop(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(q.Pop(), std::vector<uint8_t>{}); // an empty block is still a block
    q.Clear();
    EXPECT_EQ(q.Size(), 0u);
    EXPECT_FALSE(q.Pop().has_value());
}
