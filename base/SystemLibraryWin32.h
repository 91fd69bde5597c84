#pragma once
// Libraries the program loads only when it first needs them.
#include <windows.h>

// fileName ("comctl32.dll") from the system folder, by its full path: never
// the program's own folder, where a downloaded file of the same name could lie.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
