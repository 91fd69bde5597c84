#include "app/Refresh.h"

#include <cstdio>

#include "app/AppState.h"
#include "log/ChangeLog.h"

const char NoReadingTooltip[] = "Нет данных";
static const char ReadingTooltipFormat[] = "Температура в Ларвинске [%s] по Цельсию.";
static const char NoConnectionLogText[] = "  Нет соединения с сервером.\r\n";
static const char ReadingLogFormat[] = "  %s\r\n";
static const char InvalidDataLogText[] = "  Получены некорректные данные с сервера.\r\n";

// "  " + at most ValueTextLimit characters + CR LF + terminator.
inline constexpr int ReadingLogSize = 20;
inline constexpr int64_t TicksPerMinute = 60;

static RefreshOutcome Classify(bool fetched, const TemperatureReading& reading) {
    if (!fetched) return RefreshOutcome::NoValue;
    // The comparison is strict: exactly UnknownTemperature is not a reading.
    return reading.temperature > UnknownTemperature ? RefreshOutcome::ValidReading
                                                    : RefreshOutcome::InvalidReading;
}

// An invalid reading leaves the icon and tooltip as they were.
static void ShowOutcome(RefreshView& view, RefreshOutcome outcome, FetchBuffers& buffers,
                        const TemperatureReading& reading) {
    if (outcome == RefreshOutcome::NoValue) {
        view.Show(UnknownTemperature, NoReadingTooltip);
    } else if (outcome == RefreshOutcome::ValidReading) {
        char* tooltip = buffers.receiveBuffer;
        snprintf(tooltip, sizeof buffers.receiveBuffer, ReadingTooltipFormat, reading.valueText);
        view.Show(reading.temperature, tooltip);
    }
}

static void LogOutcome(const char* logFile, RefreshOutcome outcome,
                       const TemperatureReading& reading) {
    if (outcome == RefreshOutcome::NoValue) {
        AppendLogLine(logFile, NoConnectionLogText, true);
    } else if (outcome == RefreshOutcome::InvalidReading) {
        AppendLogLine(logFile, InvalidDataLogText, true);
    } else {
        char text[ReadingLogSize];
        snprintf(text, sizeof text, ReadingLogFormat, reading.valueText);
        AppendLogLine(logFile, text, true);
    }
}

RefreshOutcome RefreshOnce(const FetchConfig& config, FetchBuffers& buffers,
                           TemperatureReading& reading, RefreshView& view, RefreshRetries& retries,
                           FetchReport* report) {
    bool fetched = FetchTemperature(config, buffers, reading, report);
    RefreshOutcome outcome = Classify(fetched, reading);
    ShowOutcome(view, outcome, buffers, reading);
    const bool logged = retries.Settle(outcome);
    if (logged && config.settings.WriteLog != 0)
        LogOutcome(config.settings.LogFile, outcome, reading);
    return outcome;
}

RefreshOutcome RefreshProgramReading(RefreshView& view, FetchReport* report) {
    LockHolder hold(refreshLock);
    const FetchConfig config = SnapshotFetchConfig();
    return RefreshOnce(config, appState.buffers, appState.reading, view, appState.refreshRetries,
                       report);
}

bool CountTimerTick(int32_t& timerTicks, int32_t refreshTime) {
    if (timerTicks < INT32_MAX) ++timerTicks;
    if (refreshTime <= 0) return false;
    // A lowered interval that the count has already passed fires at once
    // rather than never.
    if (timerTicks < refreshTime * TicksPerMinute) return false;
    timerTicks = 0;
    return true;
}

void RefreshRetries::Begin() {
    failed = false;
    ticksToRetry = RetryIntervalTicks;
    triesLeft = Tries;
}

bool RefreshRetries::CountTick() {
    if (ticksToRetry > 0) --ticksToRetry;
    if (ticksToRetry > 0 || !failed.exchange(false)) return false;
    // A refresh of another kind may have ended the tries meanwhile.
    int32_t left = triesLeft;
    while (left > 1 && !triesLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left <= 1) return false;
    ticksToRetry = RetryIntervalTicks;
    return true;
}

bool RefreshRetries::Settle(RefreshOutcome outcome) {
    const int32_t left = triesLeft;
    if (left == 0) return true;
    if (outcome == RefreshOutcome::NoValue && left > 1) {
        failed = true;
        return false;
    }
    triesLeft = 0;
    return true;
}
