#include "app/AppState.h"

AppState appState = [] {
    AppState state{};
    state.reading.temperature = UnknownTemperature;
    return state;
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
