#pragma once
// The process-wide state the portable code shares, and the locks that guard it.
#include <cstdint>

#include "app/Refresh.h"
#include "base/Lock.h"
#include "base/Text.h"
#include "fetch/Fetch.h"
#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

// Windows' longest path in characters with its terminator, and the bytes
// such a path takes in UTF-8.
inline constexpr int PathBufferSize = 260;
inline constexpr int PathUtf8Size = Utf8Size(PathBufferSize - 1);

// The process-wide state that the portable code shares. The program's
// Windows handles (window, menu, bitmaps, tray icon) live beside it in
// ProgramHandles.
struct AppState {
    AppSettings settings;
    FetchTarget target;
    TemperatureReading reading;
    FetchBuffers buffers;
    int32_t timerTicks;
    RefreshRetries refreshRetries;
    uint32_t lastThreadId;
    char configPath[PathUtf8Size];
};

extern AppState appState;

// Held for a whole refresh, so refreshes run one at a time.
extern Lock refreshLock;

// Held briefly while settings and target are copied or replaced, so a refresh
// never sees them half-written and the main thread never waits for a fetch.
extern Lock settingsLock;

// Publishes new settings and the target derived from them, as one change.
void PublishSettings(const AppSettings& settings);

// The consistent copy a refresh works from.
FetchConfig SnapshotFetchConfig();
