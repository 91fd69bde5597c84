#pragma once
// The settings dialog: every setting, the minutes spin, the log file chooser.
#include <windows.h>

#include "settings/Settings.h"

// What the dialog works on, handed over by the program that opens it.
struct SettingsDialogHost {
    const AppSettings* settings;         // in force; read on the dialog's thread
    const char* configPath;              // OK writes the settings here
    void (*publish)(const AppSettings&); // puts changed settings in force
    void (*refresh)();                   // asked for once OK has saved
};

// Runs the modal dialog over owner, unless it is open already. The up-down
// class its template uses is registered first: without it the dialog cannot
// be created.
void OpenSettingsDialog(HINSTANCE instance, HWND owner, const SettingsDialogHost& host);

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
