#include "probe/Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251Test, AsciiPassesUnchanged) {
    EXPECT_EQ(Cp1251ToUtf8("outcome: [-12.5] ~\x7F"), "outcome: [-12.5] ~\x7F");
    EXPECT_EQ(Cp1251ToUtf8(""), "");
}

TEST(Cp1251Test, RussianAlphabetEnds) {
    // А (0xC0), я (0xFF), Ё (0xA8), ё (0xB8)
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8"), "\xD0\x90\xD1\x8F\xD0\x81\xD1\x91");
    EXPECT_EQ(Cp1251ToUtf8("\xDF\xE0"), "\xD0\xAF\xD0\xB0"); // Я а
}

TEST(Cp1251Test, ProgramTexts) {
    EXPECT_EQ(Cp1251ToUtf8("\xCD\xE5\xF2 \xE4\xE0\xED\xED\xFB\xF5"),
              "\xD0\x9D\xD0\xB5\xD1\x82 \xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD1\x85");
}

TEST(Cp1251Test, PunctuationAndTheUnassignedByte) {
    EXPECT_EQ(Cp1251ToUtf8("\x80"), "\xD0\x82");                     // Ђ, first of the upper half
    EXPECT_EQ(Cp1251ToUtf8("\x88"), "\xE2\x82\xAC");                 // €
    EXPECT_EQ(Cp1251ToUtf8("\x96\xB9"), "\xE2\x80\x93\xE2\x84\x96"); // – №
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");                 // no character: U+FFFD
    EXPECT_EQ(Cp1251ToUtf8("\xA0\xBF"), "\xC2\xA0\xD1\x97");         // no-break space, ї
}
