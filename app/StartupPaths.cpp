#include "app/StartupPaths.h"

#include <cstring>

bool JoinStartupPath(const char* directory, const char* fileName, char (&out)[PathUtf8Size]) {
    size_t directoryLength = strlen(directory);
    size_t nameLength = strlen(fileName);
    out[0] = '\0';
    if (directoryLength + nameLength >= sizeof out) return false;
    memcpy(out, directory, directoryLength);
    memcpy(out + directoryLength, fileName, nameLength + 1);
    return true;
}
