#pragma once
// Libraries the program loads only when it first needs them.
#include <windows.h>

// fileName ("comctl32.dll") from the system folder only, never the program's
// own folder, where a downloaded file of the same name could lie. The name
// goes through the process's manifest first, so comctl32 is the side-by-side
// common controls 6 that the manifest names, not the system folder's 5.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// name from library, loaded on first use into cached, and once: a library so
// loaded is never freed (a class it registered keeps calling into it). Null
// when either is missing.
template <typename Function>
Function LoadSystemFunctionOnce(Function& cached, const wchar_t* library, const char* name) {
    if (cached) return cached;
    HMODULE module = LoadSystemLibrary(library);
    FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return cached = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}
