#pragma once
// Where the configuration file and the default log are: the start-up directory.
#include "app/AppState.h"

inline constexpr char ConfigFileName[] = "\\Quorbel.cfg";
inline constexpr char DefaultLogFileName[] = "\\Quorbel.log";

// Appends fileName (with its own backslash) to directory. False, and out left
// empty, when the whole path would not fit: a cut path would name another file.
bool JoinStartupPath(const char* directory, const char* fileName, char (&out)[PathUtf8Size]);

// The configuration file and the default log in the current directory, in
// UTF-8. False when the directory cannot be read or is too long for them: a
// cut path would read and later write some other file.
bool LocateStartupFiles(char (&configPath)[PathUtf8Size], char (&defaultLogPath)[PathUtf8Size]);
