#include "app/RefreshWin32.h"

#include "app/AppState.h"

DWORD WINAPI RefreshWorker(LPVOID view) {
    RefreshProgramReading(*static_cast<RefreshView*>(view));
    return 0;
}

void StartRefresh(RefreshView& view) {
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RefreshWorker, &view, 0, &threadId);
    appState.lastThreadId = threadId;
    if (thread) CloseHandle(thread);
}
