#pragma once
// The Windows handles the program holds for its whole run: its instance, the
// hidden window, the tray menu and icon, and the bitmaps loaded at start. The
// portable share of the process state is AppState.
#include <windows.h>

#include "app/TrayIconWin32.h"
#include "icon/IconComposerWin32.h"

struct ProgramHandles {
    HINSTANCE instance;
    HWND mainWindow;
    HMENU trayMenu;
    TrayIcon trayIcon;
    IconBitmaps iconBitmaps;
    HBITMAP logoBitmap;
};

extern ProgramHandles programHandles;
