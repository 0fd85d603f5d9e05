// The paced display of gift batches: steps of K items, batches taking turns,
// and batches that would never end.
#include <gtest/gtest.h>

#include "room/GiftPacing.h"

namespace kel {
namespace {

TGiftBatch Batch(int32_t giver, int32_t receiver, int32_t count) {
    TGiftBatch b;
    b.GiverID = giver;
    b.ReceiverID = receiver;
    b.GiftID = 101;
    b.Remaining = count;
    b.Count = count;
    return b;
}

TEST(GiftPacing, StepsOfTenThenTheRest) {
    TGiftPacer p;
    p.Add(Batch(1, 2, 25));
    std::vector<std::pair<int, int64_t>> seen;
    while (auto s = p.Step(10, 99)) seen.push_back({s->Line.ShowCount, s->Line.TotalShown});
    EXPECT_EQ(seen, (std::vector<std::pair<int, int64_t>>{{10, 10}, {10, 20}, {5, 25}}));
    EXPECT_TRUE(p.Empty());
}

TEST(GiftPacing, TwoBatchesTakeTurns) {
    TGiftPacer p;
    p.Add(Batch(1, 2, 25));
    p.Add(Batch(3, 4, 12));
    std::vector<std::pair<int32_t, int>> seen;  // giver, count
    while (auto s = p.Step(10, 99)) seen.push_back({s->Line.GiverID, s->Line.ShowCount});
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int>>{{1, 10}, {3, 10}, {1, 10}, {3, 2}, {1, 5}}));
}

TEST(GiftPacing, BatchesThatWouldNeverEnd) {
    TGiftPacer p;
    p.Add(Batch(1, 2, 7));
    auto s = p.Step(0, 99);  // no step size: everything at once
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Line.ShowCount, 7);
    EXPECT_TRUE(s->Finished);
    EXPECT_FALSE(p.Step(-3, 99));

    p.Add(Batch(1, 2, -5));
    p.Add(Batch(3, 4, 0));
    auto z = p.Step(10, 99);  // the negative batch leaves without a line
    ASSERT_TRUE(z);
    EXPECT_EQ(z->Line.GiverID, 3);
    EXPECT_EQ(z->Line.ShowCount, 0);
    EXPECT_TRUE(p.Empty());
}

TEST(GiftPacing, BalancesInSixtyFourBits) {
    TGiftPacer p;
    TGiftBatch b = Batch(1, 2, 2000000000);
    b.ValuePerGift = 1000;
    b.PricePerGift = 1500;
    b.ReceiverScoreAfter = 7;
    b.GiverCoinsAfter = 3;
    p.Add(b);
    auto r = p.Step(1000000000, 2);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Balance, GiftPaceStep::Score);
    EXPECT_EQ(r->BalanceValue, 7 - int64_t(1000000000) * 1000);
    auto g = p.Step(999999999, 1);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Balance, GiftPaceStep::Coins);
    EXPECT_EQ(g->BalanceValue, int64_t(1) * 1500 + 3);
}

TEST(GiftPacing, LeavingUserTakesHisBatches) {
    TGiftPacer p;
    p.Add(Batch(1, 2, 30));
    p.Add(Batch(3, 1, 30));
    p.Add(Batch(4, 5, 30));
    ASSERT_TRUE(p.Step(10, 99));
    p.RemoveUser(1);
    auto s = p.Step(10, 99);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Line.GiverID, 4);
    EXPECT_EQ(p.Size(), 1u);
}

} // namespace
} // namespace kel
