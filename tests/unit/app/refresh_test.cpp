// The refresh schedule's ticks, the retries after a start or a resume, refreshes taking turns.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

#include "app/AppState.h"
#include "app/Refresh.h"

namespace {

// The ticks (counted from 1) at which refreshes fire over `ticks` ticks.
std::vector<int> FiringTicks(int32_t refreshTime, int ticks, int32_t timerTicks = 0) {
    std::vector<int> fired;
    for (int tick = 1; tick <= ticks; ++tick)
        if (CountTimerTick(timerTicks, refreshTime)) fired.push_back(tick);
    return fired;
}

TEST(CountTimerTick, FiresEveryRefreshTimeMinutes) {
    const std::tuple<int32_t, int, int32_t, std::vector<int>> cases[] = {
        // clang-format off
        {10, 1800, 0, {600, 1200, 1800}}, {1, 180, 0, {60, 120, 180}}, {10, 599, 0, {}},
        {20, 700, 500, {700}}, // raised: counts on towards the new interval
        {5, 1, 500, {1}},      // lowered below the count: the next tick fires
        {0, 5000, 0, {}}, {-10, 5000, 0, {}}, {INT32_MIN, 5000, 0, {}},
        // 35791394 minutes is 2147483640 ticks; the count stops at INT32_MAX.
        {35791394, 2, INT32_MAX - 8, {1}}, {35791395, 10, INT32_MAX - 8, {}},
        {INT32_MAX, 10, INT32_MAX - 1, {}}};
    // clang-format on
    for (const auto& [refreshTime, ticks, startCount, fired] : cases)
        EXPECT_EQ(FiringTicks(refreshTime, ticks, startCount), fired)
            << refreshTime << " minutes from " << startCount;
    int32_t count = INT32_MAX - 1;
    CountTimerTick(count, 0);
    CountTimerTick(count, 0);
    EXPECT_EQ(count, INT32_MAX) << "the count stops rather than wraps";
}

constexpr RefreshOutcome None = RefreshOutcome::NoValue, Valid = RefreshOutcome::ValidReading,
                         Invalid = RefreshOutcome::InvalidReading;
// Each try: how it ends, and how many ticks after it started.
using Tries = std::vector<std::pair<RefreshOutcome, int>>;

// Over a start's 600 ticks, tries ending as listed: the retries' ticks, whether each try logged.
std::pair<std::vector<int>, std::vector<bool>> Retry(const Tries& tries) {
    RefreshRetries retries;
    retries.Begin();
    std::pair<std::vector<int>, std::vector<bool>> trace;
    size_t next = 0;
    for (int tick = 0, endsAt = tries[0].second; tick <= 600; ++tick) {
        if (tick == endsAt) trace.second.push_back(retries.Settle(tries[next++].first));
        if (tick == 0 || !retries.CountTick()) continue;
        trace.first.push_back(tick);
        endsAt = next < tries.size() ? tick + tries[next].second : -1;
    }
    return trace;
}

TEST(RefreshRetries, RetriesFailuresQuietlyUntilAnAnswerOrTheLastTry) {
    const std::tuple<Tries, std::vector<int>, std::vector<bool>> cases[] = {
        {{{Valid, 0}}, {}, {true}},
        {{{Invalid, 2}}, {}, {true}},
        {{{None, 0}, {Valid, 3}}, {30}, {false, true}},
        {{{None, 1}, {None, 1}, {Invalid, 1}}, {30, 60}, {false, false, true}},
        {{{None, 45}, {None, 1}}, {45, 75}, {false, false}}, // a slow failure: retried at once
        {{{None, 5}}, {30}, {false}},                        // no retry while one is under way
        {Tries(10, {None, 1}),
         {30, 60, 90, 120, 150, 180, 210, 240, 270},
         {false, false, false, false, false, false, false, false, false, true}}};
    for (const auto& [tries, retryTicks, logged] : cases)
        EXPECT_EQ(Retry(tries), std::make_pair(retryTicks, logged))
            << tries.size() << " tries, the first ending " << tries[0].second << " ticks in";
}

TEST(RefreshRetries, OutsideAStartOrResumeEveryOutcomeIsLoggedAndAnyAnswerEndsTheTries) {
    RefreshRetries retries;
    EXPECT_TRUE(retries.Settle(None));
    retries.Begin();
    EXPECT_FALSE(retries.Settle(None));
    EXPECT_TRUE(retries.Settle(Valid)) << "a refresh of the user's, before the retry";
    for (int tick = 0; tick < 100; ++tick)
        EXPECT_FALSE(retries.CountTick());
    EXPECT_TRUE(retries.Settle(None)) << "the tries are over";
}

class OverlapView : public RefreshView { // notes refreshes showing at the same time
  public:
    void Show(double, const char*) override {
        if (++inside > 1) overlapped = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        --inside;
        ++shown;
    }
    std::atomic<int> inside{0}, shown{0};
    std::atomic<bool> overlapped{false};
};

TEST(RefreshProgramReading, RefreshesTakeTurnsAtTheSharedBuffersAndReading) {
    AppSettings settings{}; // no source address: each fetch fails at once
    PublishSettings(settings);
    OverlapView view;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back(
            [&view] { EXPECT_EQ(RefreshProgramReading(view), RefreshOutcome::NoValue); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(view.shown, 4);
    EXPECT_FALSE(view.overlapped);
}

} // namespace
