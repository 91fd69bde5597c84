#pragma once
// INI text read and written the way the system's profile functions treat
// hand-edited files: sections and keys match without regard to letter case,
// blanks around names and values are ignored, the first of repeated sections
// and keys counts. A write changes or adds one line and keeps every other
// byte of the file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value of key in section with the blanks around it removed; nothing when
// the section or the key is missing or the key's line has no '='.
std::optional<std::string_view> FindIniValue(std::string_view text, std::string_view section,
                                             std::string_view key);

// text with key in section set to value: its entry rewritten, or a new entry
// after the section's last line, or a new section at the end.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// What a string read hands out: surrounding quotes removed, cut to
// bufferSize - 1 characters and terminated. Returns the length.
int CopyProfileValue(std::string_view value, char* buffer, int bufferSize);

// The integer a value begins with: optional sign, 0x/0o/0b prefixes, digits
// up to the first other character, wrapping at 32 bits.
int32_t ParseProfileInt(std::string_view value);

// The three profile functions over a file in Windows-1251, with the
// arguments and the UTF-8 values of settings/Profile.h. Section and key are
// required: the system's listings of names are not kept.
int32_t IniGetInt(const char* section, const char* key, int32_t defaultValue, const char* file);
int IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                 int limit, const char* file);
bool IniWriteString(const char* section, const char* key, const char* value, const char* file);
