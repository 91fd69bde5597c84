#pragma once
// Starting with Windows from the folder the program was started in: the name
// of that folder's shortcut in the user's Startup folder, and whether Windows
// opens it at sign-in. StartWithWindowsWin32 makes, reads and removes it.
#include <cstddef>
#include <cstdint>

#include "base/Text.h"

// How much of the folder's own name the shortcut's name shows, in units.
inline constexpr int ShortcutFolderNameLimit = 32;
// "Зарвило (" + the folder's name + ", " + 8 hex digits + ").lnk" + terminator.
inline constexpr int ShortcutNameSize = 9 + ShortcutFolderNameLimit + 2 + 8 + 5 + 1;

// The shortcut's file name for a start-up folder: the folder's own name (its
// last component, cut to the limit, "C" for the drive root "C:\"), to be read
// in the Startup folder and in Task Manager, and a hash of the whole path,
// ASCII letters' case aside, that tells two folders of one name apart. One
// folder always gets the same name.
void StartupShortcutName(const Utf16Unit* folder, Utf16Unit (&name)[ShortcutNameSize]);

// Whether Task Manager's Startup tab leaves a shortcut enabled, from its
// StartupApproved value: no value (size 0), or one whose first byte has its
// low bit clear (2 enabled, 3 disabled).
bool StartupApprovedAllows(const uint8_t* value, size_t size);
