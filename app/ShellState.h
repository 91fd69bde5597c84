#pragma once
// The Windows shell's share of the process-wide state: handles that only the
// Win32 side uses. The portable share is AppState.
#include <windows.h>

#include "app/TrayIconWin32.h"

struct ShellState {
    HINSTANCE instance;
    HWND mainWindow;
    HMENU trayMenu;
    TrayIcon trayIcon;
    HBITMAP digitStrip;
    HBITMAP unknownBackground;
    HBITMAP positiveBackground;
    HBITMAP negativeBackground;
    HBITMAP zeroBackground;
    HBITMAP logoBitmap;
    WNDPROC linkLabelBaseProc;
};

extern ShellState shellState;
