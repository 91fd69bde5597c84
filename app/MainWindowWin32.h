#pragma once
#include <windows.h>

inline constexpr char MainWindowClassName[] = "Zarvilo";

// The hidden main window: tray notifications, menu commands, the refresh timer.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Starts one refresh on a new thread that nobody waits for.
void StartRefresh();
