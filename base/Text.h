#pragma once
// The program's three encodings and the conversions between them. Its own
// Russian texts (tooltips, log sentences) are Windows-1251 bytes; settings
// values and paths are UTF-8, so that any character of a folder or file name
// survives; Windows takes both as UTF-16, converted here just before a call.
#include <cstddef>

// A UTF-16 code unit: wchar_t where Windows calls take it, char16_t elsewhere.
#ifdef _WIN32
using Utf16Unit = wchar_t;
#else
using Utf16Unit = char16_t;
#endif

// The bytes a UTF-8 buffer needs for `characters` UTF-16 units and its
// terminator: a unit takes at most three bytes (a surrogate pair, four).
inline constexpr int Utf8Size(int characters) {
    return 3 * characters + 1;
}

// Each conversion writes at most outSize - 1 units and a terminator, never
// splitting a character, and returns false when the text had to be cut (a
// cut path would name another file). Bytes that are no UTF-8 and lone
// surrogates become U+FFFD.
bool Utf8ToUtf16(const char* text, Utf16Unit* out, size_t outSize);
bool Utf16ToUtf8(const Utf16Unit* text, char* out, size_t outSize);
bool Cp1251ToUtf16(const char* text, Utf16Unit* out, size_t outSize);
bool Cp1251ToUtf8(const char* text, char* out, size_t outSize);

// False also when a character has no Windows-1251 byte: no '?' stands in.
bool Utf8ToCp1251(const char* text, char* out, size_t outSize);

// A converted text on the stack, for handing straight to a Windows call.
template <size_t Size> struct Utf16Text {
    Utf16Unit text[Size];
    bool whole;
};

template <size_t Size> Utf16Text<Size> Utf16FromUtf8(const char* text) {
    Utf16Text<Size> converted;
    converted.whole = Utf8ToUtf16(text, converted.text, Size);
    return converted;
}

template <size_t Size> Utf16Text<Size> Utf16FromCp1251(const char* text) {
    Utf16Text<Size> converted;
    converted.whole = Cp1251ToUtf16(text, converted.text, Size);
    return converted;
}
