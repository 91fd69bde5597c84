#include "app/StartupPaths.h"

#include <unistd.h>

// The same files, with the separator of the host's paths.
bool LocateStartupFiles(char (&configPath)[PathUtf8Size], char (&defaultLogPath)[PathUtf8Size]) {
    char directory[PathUtf8Size];
    if (getcwd(directory, sizeof directory) == nullptr) return false;
    return JoinStartupPath(directory, "/Quorbel.cfg", configPath) &&
           JoinStartupPath(directory, "/Quorbel.log", defaultLogPath);
}
