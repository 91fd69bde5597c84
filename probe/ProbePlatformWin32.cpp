#include "probe/ProbePlatform.h"

#include <winsock2.h>

#include "app/StartupPaths.h"

bool StartProbePlatform(bool raw) {
    SetConsoleOutputCP(raw ? 1251 : CP_UTF8);
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

bool ProbeStartupPaths(char (&configPath)[PathBufferSize], char (&defaultLogPath)[PathBufferSize]) {
    char directory[PathBufferSize];
    DWORD length = GetCurrentDirectoryA(PathBufferSize, directory);
    if (length == 0 || length >= PathBufferSize) return false;
    return JoinStartupPath(directory, ConfigFileName, configPath) &&
           JoinStartupPath(directory, DefaultLogFileName, defaultLogPath);
}
