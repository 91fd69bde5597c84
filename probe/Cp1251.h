#pragma once
// Windows-1251 to UTF-8 for the probe's terminal output.
#include <string>

// The program's texts are Windows-1251 bytes; a terminal wants UTF-8.
std::string Cp1251ToUtf8(const char* text);

// The same characters as wide characters, for a console's wide output.
std::wstring Cp1251ToWide(const char* text);
