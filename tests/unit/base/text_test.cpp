#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Narrow literals here are Windows-1251; UTF-8 is spelt u8.
const char* U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

std::u16string Utf16(const char* text, bool (*convert)(const char*, Utf16Unit*, size_t),
                     size_t size, bool& whole) {
    Utf16Unit out[64];
    whole = convert(text, out, size);
    return std::u16string(out, out + std::char_traits<Utf16Unit>::length(out));
}

std::string Bytes(const char* text, bool (*convert)(const char*, char*, size_t), size_t size,
                  bool& whole) {
    char out[64];
    whole = convert(text, out, size);
    return out;
}

// UTF-16 units are wchar_t on Windows, char16_t elsewhere.
std::string FromUtf16(const std::u16string& text, size_t size, bool& whole) {
    const std::basic_string<Utf16Unit> units(text.begin(), text.end());
    char out[64];
    whole = Utf16ToUtf8(units.c_str(), out, size);
    return out;
}

} // namespace

TEST(Cp1251Text, EachByteIsItsCharacterInUtf8AndUtf16AndBack) {
    const struct {
        const char* cp1251;
        const char* utf8;
        std::u16string utf16;
    } cases[] = {// clang-format off
        {"", "", u""},
        {"outcome: [-12.5] ~\x7F", "outcome: [-12.5] ~\x7F", u"outcome: [-12.5] ~\x7F"},
        {"\xC0\xFF\xA8\xB8\xDF\xE0", U8(u8"АяЁёЯа"), u"АяЁёЯа"},
        {"\x80\x88\x96\xB9", U8(u8"Ђ€–№"), u"Ђ€–№"},
        {"\x98", "\xC2\x98", u"\x0098"}, // no character: the control code, as on Windows
        {"\xA0\xBF", U8(u8"\u00A0ї"), u"\x00A0ї"}};
    // clang-format on
    for (const auto& c : cases) {
        bool whole = false;
        EXPECT_EQ(Bytes(c.cp1251, Cp1251ToUtf8, 64, whole), c.utf8);
        EXPECT_TRUE(whole);
        EXPECT_EQ(Utf16(c.cp1251, Cp1251ToUtf16, 64, whole), c.utf16);
        EXPECT_EQ(Bytes(c.utf8, Utf8ToCp1251, 64, whole), c.cp1251);
        EXPECT_TRUE(whole) << c.utf8;
    }
}

// Every conversion cuts before a character that would not fit, never inside it.
TEST(Text, CutsAtCharacterBoundariesAndSaysSo) {
    const struct {
        const char* utf8;
        size_t size;
        std::u16string utf16;
        bool whole;
    } cases[] = {{"abc", 4, u"abc", true},
                 {"abc", 3, u"ab", false},
                 {"", 1, u"", true},
                 {U8(u8"Дарья"), 6, u"Дарья", true},
                 {U8(u8"天気x"), 3, u"天気", false},
                 {U8(u8"a😀"), 3, u"a", false},
                 {U8(u8"a😀"), 4, u"a😀", true}};
    for (const auto& c : cases) {
        bool whole = false;
        const std::u16string converted = Utf16(c.utf8, Utf8ToUtf16, c.size, whole);
        EXPECT_EQ(converted, c.utf16) << c.utf8;
        EXPECT_EQ(whole, c.whole) << c.utf8;
    }
    bool whole = true;
    EXPECT_EQ(FromUtf16(u"Дарья", 10, whole), U8(u8"Дарь"));
    EXPECT_FALSE(whole);
    const char16_t* beyondThePlane = u"a😀"; // gtest spells its arguments in Windows-1251
    EXPECT_EQ(FromUtf16(beyondThePlane, 5, whole), "a");
    EXPECT_FALSE(whole);
    EXPECT_EQ(Bytes(U8(u8"Ёж"), Utf8ToCp1251, 2, whole), "\xA8");
    EXPECT_FALSE(whole);
}

// What no encoding can carry becomes U+FFFD; Windows-1251 refuses what it lacks.
TEST(Text, MalformedInputBecomesTheReplacementCharacter) {
    const std::pair<const char*, std::u16string> utf8Cases[] = {
        {"a\x80z", u"a\xFFFDz"},     {"\xC0\xAF", u"\xFFFD\xFFFD"},   {"\xE0\x80\xAF", u"\xFFFD"},
        {"\xED\xA0\x80", u"\xFFFD"}, {"\xF4\x90\x80\x80", u"\xFFFD"}, {"\xF8z", u"\xFFFDz"},
        {"\xE2\x82", u"\xFFFD"},     {"\xE2\x82z", u"\xFFFDz"}};
    for (const auto& [utf8, utf16] : utf8Cases) {
        bool whole = false;
        EXPECT_EQ(Utf16(utf8, Utf8ToUtf16, 64, whole), utf16);
        EXPECT_TRUE(whole);
    }
    const std::pair<std::u16string, const char*> utf16Cases[] = {
        {u"a\xD800z", "a\xEF\xBF\xBDz"}, {u"\xDC00", "\xEF\xBF\xBD"}, {u"\xD83D", "\xEF\xBF\xBD"}};
    for (const auto& [utf16, utf8] : utf16Cases) {
        bool whole = false;
        EXPECT_EQ(FromUtf16(utf16, 64, whole), utf8);
    }
    for (const char* foreign : {U8(u8"天気"), U8(u8"C:\\Дарья\\é.log"), "\xEF\xBF\xBD"}) {
        bool whole = true;
        Bytes(foreign, Utf8ToCp1251, 64, whole);
        EXPECT_FALSE(whole) << foreign;
    }
}
