#include "app/AppState.h"

// Zero-initialised, so its 12 KB take no room in the exe; the one field that
// starts otherwise is set before main runs.
AppState appState;

[[maybe_unused]] static const bool readingStartsUnknown = [] {
    appState.reading.temperature = UnknownTemperature;
    return true;
}();

Lock refreshLock;
Lock settingsLock;

void PublishSettings(const AppSettings& settings) {
    FetchTarget target{};
    SplitSourceUrl(settings.SourceURL, target);
    LockHolder hold(settingsLock);
    appState.settings = settings;
    appState.target = target;
}

FetchConfig SnapshotFetchConfig() {
    LockHolder hold(settingsLock);
    return FetchConfig{appState.settings, appState.target};
}
