#pragma once
#include "app/AppState.h"

// What the probe needs from the platform before its one refresh: sockets
// started, the terminal set to the texts' encoding (UTF-8, or Windows-1251
// when raw), and the configuration and default log paths in the current
// directory, built as the program builds them.
bool StartProbePlatform(bool raw);
bool ProbeStartupPaths(char (&configPath)[PathBufferSize], char (&defaultLogPath)[PathBufferSize]);
