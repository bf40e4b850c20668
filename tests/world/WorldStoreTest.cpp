#include <gtest/gtest.h>

#include "world/Random.h"

TEST(Random, FirstDrawsMatchTheClassicGenerator) {
    setRandState(1);
    EXPECT_EQ(drovanRand(), 41);
    EXPECT_EQ(drovanRand(), 18467);
    EXPECT_EQ(drovanRand(), 6334);
}
