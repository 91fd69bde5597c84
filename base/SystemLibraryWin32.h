#pragma once
// Libraries the program loads only when it first needs them.
#include <windows.h>

// fileName ("comctl32.dll") from the system folder only, never the program's
// own folder, where a downloaded file of the same name could lie. The name
// goes through the process's manifest first, so comctl32 is the side-by-side
// common controls 6 that the manifest names, not the system folder's 5.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
