// Where the loader refuses the search flags (Windows 7 without its update): the full path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/SystemLibraryWin32.h"
#include "tests/support/ImportPatchWin32.h"

namespace {

std::vector<std::wstring> loads;

HMODULE WINAPI RefuseSearchFlags(LPCWSTR library, HANDLE, DWORD flags) {
    loads.push_back(std::wstring(library) + L" " + std::to_wstring(flags));
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HMODULE WINAPI RecordFullPath(LPCWSTR library) {
    loads.push_back(library);
    return GetModuleHandleW(L"kernel32.dll");
}

} // namespace

TEST(SystemLibrary, AFullPathInTheSystemFolderWhereTheLoaderRefusesSearchFlags) {
    ImportPatch loadEx("kernel32.dll", "LoadLibraryExW",
                       reinterpret_cast<void*>(RefuseSearchFlags));
    ImportPatch load("kernel32.dll", "LoadLibraryW", reinterpret_cast<void*>(RecordFullPath));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(LoadSystemLibrary(L"winhttp.dll"), GetModuleHandleW(L"kernel32.dll"));
    EXPECT_EQ(loads, (std::vector<std::wstring>{L"winhttp.dll " +
                                                    std::to_wstring(LOAD_LIBRARY_SEARCH_SYSTEM32),
                                                std::wstring(system) + L"\\winhttp.dll"}));
}
