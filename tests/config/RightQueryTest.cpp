#include <gtest/gtest.h>

#include "config/RightQuery.h"

using namespace kel;

TEST(RightQuery, EachBitAnswersAloneAndOnlyForItsOwnNumber) {
    for (int32_t bit = 0; bit < 32; ++bit) {
        const int32_t only = static_cast<int32_t>(1u << bit);
        for (int32_t asked = -2; asked < 34; ++asked) {
            SCOPED_TRACE(testing::Message() << "bit " << bit << " asked " << asked);
            EXPECT_EQ(TRightQuery::HasRight(only, asked), asked == bit);
            EXPECT_EQ(TRightQuery::HasRight(~only, asked), asked != bit && asked >= 0 && asked < 32);
        }
        EXPECT_FALSE(TRightQuery::HasRight(0, bit));
        EXPECT_TRUE(TRightQuery::HasRight(-1, bit));
    }
}

TEST(RightQuery, MicStatesOneToSix) {
    for (int32_t state = 1; state <= 6; ++state) {
        const int32_t only = 1 << (state - 1);
        for (int32_t asked = -1; asked <= 40; ++asked)
            EXPECT_EQ(TRightQuery::HasMicRight(only, asked), asked == state) << state << " " << asked;
    }
    EXPECT_TRUE(TRightQuery::HasMicRight(1, 1));
    EXPECT_FALSE(TRightQuery::HasMicRight(1, 2));
    EXPECT_TRUE(TRightQuery::HasMicRight(32, 6));
    // States outside 1..6 do not exist, whatever the higher bits say.
    EXPECT_FALSE(TRightQuery::HasMicRight(-1, 0));
    EXPECT_FALSE(TRightQuery::HasMicRight(-1, 7));
    EXPECT_FALSE(TRightQuery::HasMicRight(-1, 33));
}
