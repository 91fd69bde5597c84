// The system's profile functions, given and giving UTF-16: a file with no
// byte order mark is read and written in the code page for non-Unicode
// programs, as it always was.
#include <windows.h>

#include <cstring>

#include "base/Text.h"
#include "settings/Profile.h"

namespace {

using ValueText = Utf16Text<ProfileValueLimit + 1>;
using PathText = Utf16Text<MAX_PATH>;
// Section and key names are the program's own, a few ASCII letters.
using NameText = Utf16Text<32>;

NameText Name(const char* name) {
    return Utf16FromUtf8<32>(name);
}

// WideCharToMultiByte rejects both the question and the flag for UTF-8,
// which holds every character anyway.
bool CodePageHolds(const wchar_t* text) {
    if (GetACP() == CP_UTF8) return true;
    BOOL substituted = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr,
                                     &substituted);
    return length > 0 && !substituted;
}

// The short name of path, or of its folder with the file's own name after
// it when the file does not exist yet.
bool ShortPath(const wchar_t* path, wchar_t (&out)[MAX_PATH]) {
    DWORD length = GetShortPathNameW(path, out, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return true;
    const wchar_t* name = wcsrchr(path, L'\\');
    if (!name || name == path) return false;
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, path, static_cast<int>(name - path) + 1);
    length = GetShortPathNameW(folder, out, MAX_PATH);
    if (length == 0 || length + lstrlenW(name) >= MAX_PATH) return false;
    lstrcatW(out, name);
    return true;
}

} // namespace

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                      const char* file) {
    const PathText path = Utf16FromUtf8<MAX_PATH>(file);
    if (!path.whole) return defaultValue;
    return static_cast<int32_t>(
        GetPrivateProfileIntW(Name(section).text, Name(key).text, defaultValue, path.text));
}

int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int limit, const char* file) {
    if (limit > ProfileValueLimit) limit = ProfileValueLimit;
    const PathText path = Utf16FromUtf8<MAX_PATH>(file);
    const ValueText fallback = Utf16FromUtf8<ProfileValueLimit + 1>(defaultValue);
    wchar_t value[ProfileValueLimit + 1] = L"";
    // A path cut short would read some other file: the default stands instead.
    if (path.whole) {
        GetPrivateProfileStringW(Name(section).text, Name(key).text, fallback.text, value,
                                 static_cast<DWORD>(limit) + 1, path.text);
    } else {
        lstrcpynW(value, fallback.text, limit + 1);
    }
    Utf16ToUtf8(value, buffer, static_cast<size_t>(Utf8Size(limit)));
    return static_cast<int>(strlen(buffer));
}

bool ProfileCanHold(const char* value) {
    const ValueText text = Utf16FromUtf8<ProfileValueLimit + 1>(value);
    return text.whole && CodePageHolds(text.text);
}

bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    const PathText path = Utf16FromUtf8<MAX_PATH>(file);
    const ValueText text = Utf16FromUtf8<ProfileValueLimit + 1>(value);
    if (!path.whole || !text.whole || !CodePageHolds(text.text)) return false;
    return WritePrivateProfileStringW(Name(section).text, Name(key).text, text.text, path.text) !=
           0;
}

bool ProfileHoldablePath(const char* path, char* out, size_t outSize) {
    const PathText wide = Utf16FromUtf8<MAX_PATH>(path);
    wchar_t shortPath[MAX_PATH];
    if (!wide.whole || !ShortPath(wide.text, shortPath) || !CodePageHolds(shortPath)) return false;
    return Utf16ToUtf8(shortPath, out, outSize);
}
