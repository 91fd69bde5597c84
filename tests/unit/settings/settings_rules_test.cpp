#include <gtest/gtest.h>

#include <tuple>

#include "settings/SettingsRules.h"

TEST(RefreshMinutesSpin, StepsByTenWithEachBoundTestedBeforeTheStep) {
    const int up = -1, down = 1; // what the arrows propose with the control's default range
    const std::tuple<int32_t, int, int32_t> cases[] = {// clang-format off
        {10, up, 20}, {10, 0, 20}, {10, down, 10}, {20, down, 10}, {1430, up, 1440},
        {1440, up, 1440}, {1440, 5, 1430}, {1435, up, 1445}, {1445, up, 1445}, {1439, up, 1449},
        {15, down, 5}, {5, down, 5}, {11, down, 1}, {-50, up, -40}, {-50, down, -50},
        {INT32_MAX, up, INT32_MAX}, {INT32_MIN, down, INT32_MIN}};
    // clang-format on
    for (const auto& [minutes, delta, expected] : cases)
        EXPECT_EQ(StepRefreshMinutes(minutes, delta), expected) << minutes << " by " << delta;
}

TEST(RefreshMinutesField, ReadAsAnUnsignedNumberWithNothingOrZeroMeaningTen) {
    const std::pair<const char*, int32_t> cases[] = {// clang-format off
        {"100", 100}, {"5", 5}, {"99999", 99999}, {"  \t42", 42}, {"42 minutes", 42}, {"007", 7},
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"4294967295", INT32_MAX},
        {"", 10}, {"0", 10}, {"   ", 10}, {"abc", 10}, {"-5", 10}, {"+5", 10},
        {"4294967296", 10}, {"99999999999999999999", 10}, {nullptr, 10}};
    // clang-format on
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadRefreshMinutes(text), expected) << (text ? text : "(null)");
}
