#include "fetch/ExchangeLimit.h"

#include <gtest/gtest.h>

#include <tuple>

// The time left of a short limit at the boundaries, also across the tick
// count's wrap at 2^32 ms (49.7 days of uptime).
TEST(ExchangeLimitTest, TimeLeftCountsFromTheStartAcrossTheWrap) {
    const uint32_t limit = 300, wrap = 0xFFFFFF00u;
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {
        {1000, 1000, 300}, {1000, 1001, 299},  {1000, 1299, 1}, {1000, 1300, 0},
        {1000, 5000, 0},   {wrap, wrap, 300},  {wrap, 0x2B, 1}, {wrap, 0x2C, 0},
        {wrap, 0x10, 28},  {0, 0xFFFFFFFFu, 0}};
    for (const auto& [start, now, left] : cases)
        EXPECT_EQ(TimeLeft(start, now, limit), left) << start << " " << now;
    EXPECT_EQ(SecureExchangeMilliseconds, 71u * 1000);
}

// Two exchanges may be unfinished at once; a third is refused until one ends.
TEST(ExchangeLimitTest, AThirdUnfinishedExchangeIsRefusedUntilOneEnds) {
    UnfinishedExchanges unfinished;
    EXPECT_TRUE(unfinished.TryBegin());
    EXPECT_TRUE(unfinished.TryBegin());
    EXPECT_FALSE(unfinished.TryBegin());
    EXPECT_EQ(unfinished.Count(), 2);
    unfinished.End();
    EXPECT_TRUE(unfinished.TryBegin());
    EXPECT_FALSE(unfinished.TryBegin());
    unfinished.End();
    unfinished.End();
    EXPECT_EQ(unfinished.Count(), 0);
}
