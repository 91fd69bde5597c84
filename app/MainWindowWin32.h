#pragma once
// The hidden main window: the program's one window, never shown.
#include <windows.h>

inline constexpr wchar_t MainWindowClassName[] = L"Zarvilo";

// The hidden main window: tray notifications, menu commands, the refresh timer.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
