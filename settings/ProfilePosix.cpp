// Away from Windows the profile functions are the portable INI reader and
// writer, over a file in Windows-1251, and no file has a second name.
#include <string>
#include <cstring>

#include "base/Text.h"
#include "settings/IniFile.h"
#include "settings/Profile.h"

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    return IniGetInt(section, key, defaultValue, file);
}

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int limit, const char* file) {
    return IniGetString(section, key, defaultValue, buffer, limit, file);
}

bool ProfileCanHold(const char* value) {
    std::string bytes(std::strlen(value) + 1, '\0');
    return Utf8ToCp1251(value, bytes.data(), bytes.size());
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    return IniWriteString(section, key, value, file);
}

bool ProfileHoldablePath(const char*, char*, size_t) {
    return false;
}
