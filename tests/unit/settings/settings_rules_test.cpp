#include <gtest/gtest.h>

#include "res/ResourceIds.h"
#include "settings/SettingsRules.h"

namespace {

constexpr int UpArrow = -1;
constexpr int DownArrow = 1;

int32_t Steps(int32_t minutes, int delta, int count) {
    for (int i = 0; i < count; ++i)
        minutes = StepRefreshMinutes(minutes, delta);
    return minutes;
}

} // namespace

TEST(RefreshMinutesSpin, StepsByTenWithinADay) {
    EXPECT_EQ(StepRefreshMinutes(10, UpArrow), 20);
    EXPECT_EQ(StepRefreshMinutes(10, 0), 20);
    EXPECT_EQ(StepRefreshMinutes(10, DownArrow), 10);
    EXPECT_EQ(StepRefreshMinutes(20, DownArrow), 10);
    EXPECT_EQ(StepRefreshMinutes(1430, UpArrow), 1440);
    EXPECT_EQ(StepRefreshMinutes(1440, UpArrow), 1440);
    EXPECT_EQ(StepRefreshMinutes(1440, 5), 1430);
    EXPECT_EQ(Steps(10, UpArrow, 500), 1440);
    EXPECT_EQ(Steps(1440, DownArrow, 500), 10);
}

TEST(RefreshMinutesSpin, BoundsAreTestedBeforeTheStep) {
    EXPECT_EQ(Steps(1435, UpArrow, 1), 1445);
    EXPECT_EQ(Steps(1435, UpArrow, 2), 1445);
    EXPECT_EQ(Steps(15, DownArrow, 1), 5);
    EXPECT_EQ(Steps(15, DownArrow, 2), 5);
    EXPECT_EQ(StepRefreshMinutes(11, DownArrow), 1);
    EXPECT_EQ(StepRefreshMinutes(1439, UpArrow), 1449);
    EXPECT_EQ(StepRefreshMinutes(-50, UpArrow), -40);
    EXPECT_EQ(StepRefreshMinutes(-50, DownArrow), -50);
    EXPECT_EQ(StepRefreshMinutes(INT32_MAX, UpArrow), INT32_MAX);
    EXPECT_EQ(StepRefreshMinutes(INT32_MIN, DownArrow), INT32_MIN);
}

TEST(RefreshMinutesField, ReadAsAnUnsignedNumber) {
    EXPECT_EQ(ReadRefreshMinutes("100"), 100);
    EXPECT_EQ(ReadRefreshMinutes("5"), 5);
    EXPECT_EQ(ReadRefreshMinutes("99999"), 99999);
    EXPECT_EQ(ReadRefreshMinutes("  \t42"), 42);
    EXPECT_EQ(ReadRefreshMinutes("42 minutes"), 42);
    EXPECT_EQ(ReadRefreshMinutes("007"), 7);
    EXPECT_EQ(ReadRefreshMinutes("2147483647"), INT32_MAX);
}

TEST(RefreshMinutesField, NothingOrZeroMeansTen) {
    for (const char* text :
         {"", "0", "   ", "abc", "-5", "+5", "4294967296", "99999999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadRefreshMinutes(text), 10);
    }
    EXPECT_EQ(ReadRefreshMinutes(nullptr), 10);
}

TEST(RefreshMinutesField, BeyondTheSettingsRangeIsHeldAtItsLargest) {
    EXPECT_EQ(ReadRefreshMinutes("2147483648"), INT32_MAX);
    EXPECT_EQ(ReadRefreshMinutes("4294967295"), INT32_MAX);
}

TEST(SettingsTextFields, EachFieldFitsItsSettingInReadingOrder) {
    AppSettings settings{};
    SettingsTextField fields[SettingsTextFieldCount];
    ListSettingsTextFields(settings, fields);
    EXPECT_EQ(fields[0].controlId, IDC_PROXY_HOST);
    EXPECT_EQ(fields[0].text, settings.HostName);
    EXPECT_EQ(fields[0].limit + 1, int(sizeof settings.HostName));
    EXPECT_EQ(fields[1].controlId, IDC_PROXY_PORT);
    EXPECT_EQ(fields[1].text, settings.RemotePort);
    EXPECT_EQ(fields[1].limit + 1, int(sizeof settings.RemotePort));
    EXPECT_EQ(fields[2].controlId, IDC_SOURCE_URL);
    EXPECT_EQ(fields[2].text, settings.SourceURL);
    EXPECT_EQ(fields[2].limit, 2083); // a loaded address is never shortened
    EXPECT_EQ(fields[2].limit + 1, int(sizeof settings.SourceURL));
    EXPECT_EQ(fields[3].controlId, IDC_LOG_FILE);
    EXPECT_EQ(fields[3].text, settings.LogFile);
    EXPECT_EQ(fields[3].limit + 1, int(sizeof settings.LogFile));
}
