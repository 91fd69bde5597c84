#include "app/RefreshSchedule.h"

namespace {

constexpr int64_t TicksPerMinute = 60;

} // namespace

bool CountTimerTick(int32_t& timerTicks, int32_t refreshTime) {
    if (timerTicks < INT32_MAX) ++timerTicks;
    if (refreshTime <= 0) return false;
    // A lowered interval that the count has already passed fires at once
    // rather than never.
    if (timerTicks < refreshTime * TicksPerMinute) return false;
    timerTicks = 0;
    return true;
}
