// The program's own Windows-1251 table against the system's code page 1251.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/Text.h"

namespace {

constexpr UINT Cp1251 = 1251;

// The system's byte for a character, or -1 where 1251 has none (a look-alike does not count).
int SystemByte(wchar_t character) {
    char byte = 0;
    BOOL substituted = FALSE;
    const int written = WideCharToMultiByte(Cp1251, WC_NO_BEST_FIT_CHARS, &character, 1, &byte, 1,
                                            nullptr, &substituted);
    return written == 1 && !substituted ? static_cast<unsigned char>(byte) : -1;
}

// Ours, through the UTF-8 the settings hold.
int OwnByte(wchar_t character) {
    const wchar_t text[] = {character, 0};
    char utf8[8], byte[2];
    Utf16ToUtf8(text, utf8, sizeof utf8);
    return Utf8ToCp1251(utf8, byte, sizeof byte) ? static_cast<unsigned char>(byte[0]) : -1;
}

} // namespace

// Every byte its character; every character outside the surrogates the same byte, or none on
// both sides.
TEST(Text, TheWholeTableBothWaysAsTheSystemHasIt) {
    for (int byte = 1; byte < 256; ++byte) {
        const char text[] = {static_cast<char>(byte), 0};
        wchar_t system = 0, own[2];
        ASSERT_EQ(MultiByteToWideChar(Cp1251, 0, text, 1, &system, 1), 1);
        EXPECT_TRUE(Cp1251ToUtf16(text, own, 2));
        EXPECT_EQ(own[0], system) << "byte " << byte;
    }
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const auto character = static_cast<wchar_t>(code);
        ASSERT_EQ(OwnByte(character), SystemByte(character)) << "U+" << std::hex << code;
    }
}
