#include "app/AppState.h"

#include <gtest/gtest.h>

TEST(AppStateTest, StartsWithoutReading) {
    EXPECT_EQ(appState.reading.temperature, UnknownTemperature);
    EXPECT_STREQ(appState.reading.valueText, "");
    EXPECT_EQ(appState.timerTicks, 0);
    EXPECT_FALSE(appState.target.valid);
}
