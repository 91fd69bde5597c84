#pragma once
// The scale a window is shown at.
#include <windows.h>

// A function of user32 (always loaded) by name: null on a Windows too old to
// have it.
template <typename Function> Function User32Function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// The dots per inch of window's display, 96 at 100%: its own monitor's from
// Windows 10 1607 on, the system's scale before that and for no window.
int WindowDpi(HWND window);
