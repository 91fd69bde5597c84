#pragma once
// Starting with Windows: a shortcut in the user's Startup folder that starts
// this exe in the folder it was started in, so that it comes up with the same
// Quorbel.cfg. The shortcut is the whole record: nothing goes into the
// settings, and no administrator rights are needed. Main thread only: COM is
// started there on first use.

// True when the start-up folder's shortcut is there, starts this exe in that
// folder, and Task Manager has not disabled it.
bool StartsWithWindows();

// Makes the shortcut, enabled (on), or removes it.
void SetStartWithWindows(bool on);
