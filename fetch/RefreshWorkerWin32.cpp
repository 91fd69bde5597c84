#include "fetch/RefreshWorkerWin32.h"

#include "fetch/RefreshWorker.h"

DWORD WINAPI RefreshWorker(LPVOID view) {
    RefreshOnce(*static_cast<RefreshView*>(view));
    return 0;
}
