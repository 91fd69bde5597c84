#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/U8.h"

namespace {

template <typename In, typename Out>
std::basic_string<Out> Convert(bool (*convert)(const In*, Out*, size_t), const In* text,
                               size_t size, bool& whole) {
    Out out[64];
    whole = convert(text, out, size);
    return out;
}

// UTF-16 units are wchar_t on Windows, char16_t elsewhere.
std::u16string Units(const std::basic_string<Utf16Unit>& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

// Each byte is its character, and each character of the code page its byte.
TEST(Text, Cp1251RoundTripsThroughUtf8AndUtf16) {
    const std::tuple<const char*, const char*, std::u16string> cases[] = {
        {"", "", u""},
        {"[-12.5] ~\x7F", "[-12.5] ~\x7F", u"[-12.5] ~\x7F"},
        {"\xC0\xFF\xA8\xB8\x80\x88\x96\xB9", U8(u8"АяЁёЂ€–№"), u"АяЁёЂ€–№"},
        {"\x98\xA0", U8(u8"\u0098\u00A0"), u"\x0098\x00A0"}}; // 0x98: as Windows maps it
    for (const auto& [cp1251, utf8, utf16] : cases) {
        bool whole = false;
        EXPECT_EQ(Convert(Cp1251ToUtf8, cp1251, 64, whole), utf8);
        EXPECT_EQ(Units(Convert(Cp1251ToUtf16, cp1251, 64, whole)), utf16);
        EXPECT_EQ(Convert(Utf8ToCp1251, utf8, 64, whole), cp1251);
        EXPECT_TRUE(whole);
    }
}

// Cut before the character that does not fit, and said so; malformed input reads as U+FFFD;
// Windows-1251 refuses what it lacks rather than writing '?'.
TEST(Text, CutsAtCharacterBoundariesAndReplacesWhatIsMalformed) {
    // clang-format off
    const std::tuple<const char*, size_t, std::u16string, bool> toUtf16[] = {
        {"abc", 4, u"abc", true}, {"abc", 3, u"ab", false}, {U8(u8"天気x"), 3, u"天気", false},
        {U8(u8"a😀"), 3, u"a", false}, {U8(u8"a😀"), 4, u"a😀", true},
        {"a\x80z\xC0\xAF", 64, u"a\xFFFDz\xFFFD\xFFFD", true},
        {"\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80\xF8", 64, u"\xFFFD\xFFFD\xFFFD\xFFFD", true},
        {"\xE2\x82z\xE2\x82", 64, u"\xFFFDz\xFFFD", true}};
    const std::tuple<std::u16string, size_t, const char*, bool> toUtf8[] = {
        {u"Дарья", 10, U8(u8"Дарь"), false}, {u"a😀", 5, "a", false}, {u"a😀", 6, U8(u8"a😀"), true},
        {u"a\xD800z\xDC00", 64, U8(u8"a\uFFFDz\uFFFD"), true}, {u"\xD83D", 64, U8(u8"\uFFFD"), true}};
    // clang-format on
    for (const auto& [utf8, size, utf16, whole] : toUtf16) {
        bool said = !whole;
        EXPECT_EQ(Units(Convert(Utf8ToUtf16, utf8, size, said)), utf16) << utf8;
        EXPECT_EQ(said, whole) << utf8;
    }
    for (const auto& [utf16, size, utf8, whole] : toUtf8) {
        bool said = !whole;
        const std::basic_string<Utf16Unit> units(utf16.begin(), utf16.end());
        EXPECT_EQ(Convert(Utf16ToUtf8, units.c_str(), size, said), utf8);
        EXPECT_EQ(said, whole);
    }
    for (const char* foreign :
         {U8(u8"Ёж"), U8(u8"天気"), U8(u8"C:\\Дарья\\é.log"), "\xEF\xBF\xBD"}) {
        bool whole = true;
        Convert(Utf8ToCp1251, foreign, foreign[0] == '\xD0' ? 2 : 64, whole);
        EXPECT_FALSE(whole) << foreign;
    }
}
