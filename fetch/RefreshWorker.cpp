#include "fetch/RefreshWorker.h"

#include <cstdio>

#include "app/AppState.h"
#include "log/ChangeLog.h"

static const char NoDataTooltip[] = "Нет данных";
static const char ReadingTooltipFormat[] = "Температура в Ларвинске [%s] по Цельсию.";
static const char NoConnectionLogText[] = "  Нет соединения с сервером.\r\n";
static const char ReadingLogFormat[] = "  %s\r\n";
static const char InvalidDataLogText[] = "  Получены некорректные данные с сервера.\r\n";

// "  " + at most ValueTextLimit characters + CR LF + terminator.
inline constexpr int ReadingLogSize = 20;

static RefreshOutcome Classify(bool fetched, const TemperatureReading& reading) {
    if (!fetched) return RefreshOutcome::NoValue;
    // The comparison is strict: exactly UnknownTemperature is not a reading.
    return reading.temperature > UnknownTemperature ? RefreshOutcome::ValidReading
                                                    : RefreshOutcome::InvalidReading;
}

// An invalid reading leaves the icon and tooltip as they were.
static void ShowOutcome(RefreshView& view, RefreshOutcome outcome) {
    if (outcome == RefreshOutcome::NoValue) {
        view.Show(UnknownTemperature, NoDataTooltip);
    } else if (outcome == RefreshOutcome::ValidReading) {
        char* tooltip = appState.buffers.receiveBuffer;
        snprintf(tooltip, sizeof appState.buffers.receiveBuffer, ReadingTooltipFormat,
                 appState.reading.valueText);
        view.Show(appState.reading.temperature, tooltip);
    }
}

static void LogOutcome(const char* logFile, RefreshOutcome outcome) {
    if (outcome == RefreshOutcome::NoValue) {
        AppendLogLine(logFile, NoConnectionLogText, true);
    } else if (outcome == RefreshOutcome::InvalidReading) {
        AppendLogLine(logFile, InvalidDataLogText, true);
    } else {
        char text[ReadingLogSize];
        snprintf(text, sizeof text, ReadingLogFormat, appState.reading.valueText);
        AppendLogLine(logFile, text, true);
    }
}

RefreshOutcome RefreshOnce(RefreshView& view) {
    LockHolder hold(refreshLock);
    const FetchConfig config = SnapshotFetchConfig();
    bool fetched = FetchTemperature(config, appState.buffers, appState.reading);
    RefreshOutcome outcome = Classify(fetched, appState.reading);
    ShowOutcome(view, outcome);
    if (config.settings.WriteLog != 0) LogOutcome(config.settings.LogFile, outcome);
    return outcome;
}
