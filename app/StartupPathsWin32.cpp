#include "app/StartupPaths.h"

#include <windows.h>

bool LocateStartupFiles(char (&configPath)[PathBufferSize],
                        char (&defaultLogPath)[PathBufferSize]) {
    char directory[PathBufferSize];
    DWORD length = GetCurrentDirectoryA(PathBufferSize, directory);
    if (length == 0 || length >= PathBufferSize) return false;
    return JoinStartupPath(directory, ConfigFileName, configPath) &&
           JoinStartupPath(directory, DefaultLogFileName, defaultLogPath);
}
