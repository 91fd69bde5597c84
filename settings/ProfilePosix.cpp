// Away from Windows the profile functions are the portable INI reader and writer.
#include "settings/IniFile.h"
#include "settings/Profile.h"

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    return IniGetInt(section, key, defaultValue, file);
}

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int bufferSize, const char* file) {
    return IniGetString(section, key, defaultValue, buffer, bufferSize, file);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    return IniWriteString(section, key, value, file);
}
