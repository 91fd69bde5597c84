#pragma once
#include <cstdint>

// Counts one timer tick (one a second) and says whether it starts a timed
// refresh: when the count reaches or has passed refreshTime minutes, it starts
// again from 0. A refreshTime of 0 or below means no timed refreshes. The
// count stops at its largest value instead of wrapping.
bool CountTimerTick(int32_t& timerTicks, int32_t refreshTime);
