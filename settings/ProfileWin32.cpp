#include <windows.h>

#include "settings/Profile.h"

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int bufferSize, const char* file) {
    return static_cast<int>(GetPrivateProfileStringA(section, key, defaultValue, buffer,
                                                     static_cast<DWORD>(bufferSize), file));
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}
