#include <gtest/gtest.h>

#include <vector>

#include "app/RefreshSchedule.h"

namespace {

// The ticks (counted from 1) at which refreshes fire over `ticks` ticks.
std::vector<int> FiringTicks(int32_t refreshTime, int ticks, int32_t timerTicks = 0) {
    std::vector<int> fired;
    for (int tick = 1; tick <= ticks; ++tick)
        if (CountTimerTick(timerTicks, refreshTime)) fired.push_back(tick);
    return fired;
}

} // namespace

TEST(CountTimerTick, FiresEveryRefreshTimeMinutes) {
    EXPECT_EQ(FiringTicks(10, 1800), (std::vector<int>{600, 1200, 1800}));
    EXPECT_EQ(FiringTicks(1, 180), (std::vector<int>{60, 120, 180}));
    EXPECT_EQ(FiringTicks(10, 599), std::vector<int>{});
}

TEST(CountTimerTick, ResetsTheCountWhenItFires) {
    int32_t ticks = 598;
    EXPECT_FALSE(CountTimerTick(ticks, 10));
    EXPECT_EQ(ticks, 599);
    EXPECT_TRUE(CountTimerTick(ticks, 10));
    EXPECT_EQ(ticks, 0);
}

TEST(CountTimerTick, ChangedIntervalCountsOnFromTheSameCount) {
    // Raised: the next refresh moves to the new target.
    EXPECT_EQ(FiringTicks(20, 700, 500), (std::vector<int>{700}));
    // Lowered below the count: the next tick fires.
    EXPECT_EQ(FiringTicks(5, 1, 500), (std::vector<int>{1}));
}

TEST(CountTimerTick, NoTimedRefreshesAtZeroOrBelow) {
    EXPECT_EQ(FiringTicks(0, 5000), std::vector<int>{});
    EXPECT_EQ(FiringTicks(-10, 5000), std::vector<int>{});
    EXPECT_EQ(FiringTicks(INT32_MIN, 5000), std::vector<int>{});
}

TEST(CountTimerTick, CountStopsAtItsLargestValue) {
    int32_t ticks = INT32_MAX - 1;
    EXPECT_FALSE(CountTimerTick(ticks, 0));
    EXPECT_FALSE(CountTimerTick(ticks, 0));
    EXPECT_EQ(ticks, INT32_MAX);
    // An interval whose tick count does not fit 32 bits is never reached.
    EXPECT_FALSE(CountTimerTick(ticks, INT32_MAX));
    EXPECT_EQ(ticks, INT32_MAX);
    // 35791395 minutes is 2147483700 ticks, just past the largest count.
    EXPECT_FALSE(CountTimerTick(ticks, 35791395));
    EXPECT_TRUE(CountTimerTick(ticks, 35791394));
    EXPECT_EQ(ticks, 0);
}
