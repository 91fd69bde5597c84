#pragma once
// What the probe needs from the platform: sockets, the console and the words
// for a socket error.
#include <string>

// Starts sockets as the program's main window does.
bool StartProbePlatform();

// Writes UTF-8 text through the console's wide-character output, so that it
// reads right whatever the console's code page. False when stdout is not a
// console (a file or a pipe), which takes bytes instead.
bool WriteToConsole(const char* text);

// The platform's words for a socket error code, e.g. "connection refused".
std::string SocketErrorText(int error);
