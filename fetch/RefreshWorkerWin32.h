#pragma once
#include <windows.h>

// The routine of a detached refresh thread: one RefreshOnce shown through the
// RefreshView that view points to. Always returns 0.
DWORD WINAPI RefreshWorker(LPVOID view);
