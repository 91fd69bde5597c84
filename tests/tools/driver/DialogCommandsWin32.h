#pragma once
// Driver commands for the program's dialogs: list them, read and set their
// controls, click, press keys. Each acts on the window the driver was pointed
// at (a dialog; for "dialogs" the program's main window) and answers an exit
// status.
#include <windows.h>

int ListDialogs(HWND program, char** arguments);
int ReadControlText(HWND dialog, char** arguments);
int TypeIntoControl(HWND dialog, char** arguments);
int ClickControl(HWND dialog, char** arguments);
int ReadControlState(HWND dialog, char** arguments);
int PressKey(HWND dialog, char** arguments);
int PrintSystemColours(HWND, char** arguments);
