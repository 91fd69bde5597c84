// Before windows.h, which the header includes.
#include <winsock2.h>

#include "fetch/ReceiveDeadlineWin32.h"

#include "base/ImportSlotWin32.h"

namespace {

using Receive = int(WSAAPI*)(SOCKET, char*, int, int);

Receive realReceive;
ReceiveDeadline* current;

// Waits until socket has data or the deadline passes; false when it passed.
bool AwaitData(SOCKET socket, ReceiveDeadline& deadline) {
    DWORD remaining = deadline.Remaining();
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{static_cast<long>(remaining / 1000), static_cast<long>(remaining % 1000) * 1000};
    // A failed wait is left to the read itself to report.
    if (remaining > 0 && select(0, &readable, nullptr, nullptr, &wait) != 0) return true;
    deadline.NoteRefusal();
    return false;
}

// recv as winhttp calls it. A peek checks whether a kept connection still
// lives, and must not wait.
int WSAAPI ReceiveBeforeDeadline(SOCKET socket, char* buffer, int length, int flags) {
    if (current != nullptr && (flags & MSG_PEEK) == 0 && !AwaitData(socket, *current)) {
        WSASetLastError(WSAETIMEDOUT);
        return SOCKET_ERROR;
    }
    return realReceive(socket, buffer, length, flags);
}

// Windows' own WinHTTP keeps the time limits it is given, and may read in
// ways a wait of ours would change: only Wine's is rerouted.
bool RunsUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

} // namespace

void BoundReceives(HMODULE winhttp) {
    if (!RunsUnderWine()) return;
    void** slot = FindImportSlot(winhttp, "ws2_32.dll", "recv");
    if (slot == nullptr) return;
    realReceive = reinterpret_cast<Receive>(*slot);
    WriteImportSlot(slot, reinterpret_cast<void*>(ReceiveBeforeDeadline));
}

ReceiveDeadline::ReceiveDeadline(DWORD milliseconds)
    : start(GetTickCount()), limit(milliseconds), outer(current) {
    current = this;
}

ReceiveDeadline::~ReceiveDeadline() {
    current = outer;
}

DWORD ReceiveDeadline::Remaining() const {
    DWORD elapsed = GetTickCount() - start;
    return elapsed < limit ? limit - elapsed : 0;
}
