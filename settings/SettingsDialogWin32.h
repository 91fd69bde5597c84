#pragma once
#include <windows.h>

// Registers the up-down control class that the settings template uses,
// loading its library on first use. Called before each opening of the dialog:
// without it the dialog cannot be created.
void PrepareSettingsDialog();

// The settings dialog: every setting, the minutes spin, the log file chooser.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
