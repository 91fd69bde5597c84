#include "app/StartupPaths.h"

#include <windows.h>

// The directory's limit is Windows' own, in characters: the longest that
// still takes both names is the same whatever script it is written in.
bool LocateStartupFiles(char (&configPath)[PathUtf8Size], char (&defaultLogPath)[PathUtf8Size]) {
    wchar_t directory[PathBufferSize];
    DWORD length = GetCurrentDirectoryW(PathBufferSize, directory);
    if (length == 0 || length + sizeof ConfigFileName - 1 >= PathBufferSize) return false;
    static_assert(sizeof ConfigFileName == sizeof DefaultLogFileName, "one limit for both");
    char utf8[PathUtf8Size];
    return Utf16ToUtf8(directory, utf8, sizeof utf8) &&
           JoinStartupPath(utf8, ConfigFileName, configPath) &&
           JoinStartupPath(utf8, DefaultLogFileName, defaultLogPath);
}
