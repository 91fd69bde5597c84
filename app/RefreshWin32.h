#pragma once
// Refreshes on threads of their own, started and forgotten.
#include <windows.h>

#include "app/Refresh.h"

// Starts one refresh on a new thread that nobody waits for; it shows its
// outcome through view, which must outlive it.
void StartRefresh(RefreshView& view);

// The routine of a refresh thread: one RefreshProgramReading shown through
// the RefreshView that view points to. Always returns 0.
DWORD WINAPI RefreshWorker(LPVOID view);
