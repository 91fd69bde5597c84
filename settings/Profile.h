#pragma once
// The profile functions the settings rest on: the system's own on Windows,
// the portable INI reader and writer elsewhere. The file is text in the
// system's code page for non-Unicode programs (Windows-1251 away from
// Windows), as it always was; values reach the program as UTF-8.
#include <cstddef>
#include <cstdint>

// The longest value read or written, in characters.
inline constexpr int ProfileValueLimit = 2083;

int32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue, const char* file);

// The value, or defaultValue when the file or the key is missing, cut to
// limit characters (at most ProfileValueLimit), as UTF-8 into buffer, which
// holds Utf8Size(limit) bytes. Returns its length in bytes.
int ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                     int limit, const char* file);

// Whether the file's code page has every character of value, so that it
// reads back as written.
bool ProfileCanHold(const char* value);

// Writes one value. A value the file's code page cannot hold is refused, so
// that no '?' ever stands in for a character.
bool ProfileWriteString(const char* section, const char* key, const char* value, const char* file);

// Another name of the file at path that the file's code page can hold: its
// short name (or its folder's, for a file still to be made) where the volume
// keeps short names. False when there is none.
bool ProfileHoldablePath(const char* path, char* out, size_t outSize);
