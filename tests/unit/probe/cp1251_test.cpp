#include "probe/Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251Test, EachByteBecomesItsCharacterInUtf8) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"outcome: [-12.5] ~\x7F", "outcome: [-12.5] ~\x7F"},
        {"\xC0\xFF\xA8\xB8\xDF\xE0", "\xD0\x90\xD1\x8F\xD0\x81\xD1\x91\xD0\xAF\xD0\xB0"}, // АяЁёЯа
        {"\x80\x88\x96\xB9", "\xD0\x82\xE2\x82\xAC\xE2\x80\x93\xE2\x84\x96"}, // Ђ€–№
        {"\x98", "\xEF\xBF\xBD"},          // no character: U+FFFD
        {"\xA0\xBF", "\xC2\xA0\xD1\x97"}}; // no-break space, ї
    for (const auto& [text, utf8] : cases)
        EXPECT_EQ(Cp1251ToUtf8(text), utf8) << utf8;
}
