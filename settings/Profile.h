#pragma once
// The three profile functions the settings rest on: the system's own on
// Windows, the portable INI reader and writer elsewhere.
#include <cstdint>

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file);

// Fills buffer with at most bufferSize - 1 characters and a terminator.
int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int bufferSize, const char* file);

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file);
