#include <gtest/gtest.h>

#include "transport/PackUdp.h"
#include "transport/SeenChunks.h"

using namespace kel;

TEST(SeenChunks, AKeyIsTheWholeSenderAndTheChunkId) {
    SeenChunks seen(10);
    EXPECT_TRUE(seen.Remember(0x0100007f, 4000, 7));
    EXPECT_FALSE(seen.Remember(0x0100007f, 4000, 7));
    struct Case {
        uint32_t ip;
        uint16_t port;
        int32_t id;
    };
    // Each differs from the first in one part only; ids at the ends of
    // their range included.
    const Case others[] = {{0x0200007f, 4000, 7}, {0x0100007f, 4001, 7}, {0x0100007f, 4000, 8},
                           {0x0100007f, 4000, 0}, {0x0100007f, 4000, -7}, {0x0100007f, 4000, 2147483646}};
    for (const Case& c : others) EXPECT_TRUE(seen.Remember(c.ip, c.port, c.id)) << c.ip << ":" << c.port << " " << c.id;
    for (const Case& c : others) EXPECT_FALSE(seen.Remember(c.ip, c.port, c.id));
    seen.Clear();
    EXPECT_EQ(seen.Count(), 0u);
    EXPECT_TRUE(seen.Remember(0x0100007f, 4000, 7));
}

TEST(SeenChunks, HoldsOneMoreThanItsLimitAndForgetsTheOldestFirst) {
    const int32_t limit = TPackUdp::kSeenChunkMemory;
    SeenChunks seen(static_cast<size_t>(limit));
    for (int32_t id = 1; id <= limit + 1; ++id) ASSERT_TRUE(seen.Remember(1, 2, id));
    EXPECT_EQ(seen.Count(), static_cast<size_t>(limit + 1));
    EXPECT_FALSE(seen.Remember(1, 2, 1)); // still held: the oldest of 5001
    EXPECT_TRUE(seen.Remember(1, 2, limit + 2)); // pushes id 1 out
    EXPECT_EQ(seen.Count(), static_cast<size_t>(limit + 1));
    EXPECT_FALSE(seen.Remember(1, 2, 2));
    EXPECT_TRUE(seen.Remember(1, 2, 1)); // forgotten: taken as new (and pushes id 2 out)
    EXPECT_TRUE(seen.Remember(1, 2, 2));
    EXPECT_FALSE(seen.Remember(1, 2, limit + 2));
}
