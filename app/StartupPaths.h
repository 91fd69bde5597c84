#pragma once
#include "app/AppState.h"

inline constexpr char ConfigFileName[] = "\\Quorbel.cfg";
inline constexpr char DefaultLogFileName[] = "\\Quorbel.log";

// Appends fileName (with its own backslash) to directory. False, and out left
// empty, when the whole path would not fit: a cut path would name another file.
bool JoinStartupPath(const char* directory, const char* fileName, char (&out)[PathBufferSize]);
