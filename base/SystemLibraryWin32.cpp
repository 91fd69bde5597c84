#include "base/SystemLibraryWin32.h"

namespace {

// Where the loader knows no search flags (Windows 7 without its 2011 loader
// update), the full path still loads the system's own copy.
HMODULE LoadByFullPath(const wchar_t* fileName) {
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(fileName) >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    lstrcpyW(path + length + 1, fileName);
    return LoadLibraryW(path);
}

} // namespace

// A bare name with LOAD_LIBRARY_SEARCH_SYSTEM32: the manifest's redirection
// and the known libraries come first, then the system folder and nothing else.
HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    HMODULE module = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? module : LoadByFullPath(fileName);
}
