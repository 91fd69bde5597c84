#include "probe/ProbePlatform.h"

#include <unistd.h>

#include "app/StartupPaths.h"

bool StartProbePlatform(bool) {
    return true;
}

bool ProbeStartupPaths(char (&configPath)[PathBufferSize], char (&defaultLogPath)[PathBufferSize]) {
    char directory[PathBufferSize];
    if (getcwd(directory, sizeof directory) == nullptr) return false;
    return JoinStartupPath(directory, "/Quorbel.cfg", configPath) &&
           JoinStartupPath(directory, "/Quorbel.log", defaultLogPath);
}
