// What the portable INI code does beyond the system's functions: a write
// changes one line and keeps every other byte of the file as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "settings/IniFile.h"
#include "tests/support/ScratchDir.h"

TEST(SetIniValue, KeepsOtherLinesByteForByte) {
    const std::string text = "; header\r\n\r\n[A]\r\n  x = 1 \r\n\r\n[B]\ny=2\n";
    EXPECT_EQ(SetIniValue(text, "A", "z", "3"),
              "; header\r\n\r\n[A]\r\n  x = 1 \r\nz=3\r\n\r\n[B]\ny=2\n");
    EXPECT_EQ(SetIniValue(text, "b", "Y", "5"),
              "; header\r\n\r\n[A]\r\n  x = 1 \r\n\r\n[B]\ny=5\n");
    EXPECT_EQ(SetIniValue(text, "C", "w", "4"), text + "[C]\r\nw=4\r\n");
}

TEST(SetIniValue, SameValueLeavesTheTextAsItIs) {
    const std::string text = "[A]\r\n  X = 1 \r\n";
    EXPECT_EQ(SetIniValue(text, "A", "x", "1"), text);
}

TEST(SetIniValue, AValueNeverSpansLines) {
    EXPECT_EQ(SetIniValue("", "A", "x", "1\r\n[Evil]\r\ny=2"), "[A]\r\nx=1\r\n");
    EXPECT_EQ(SetIniValue("[A]\r\nx=0\r\n", "A", "x", "2\nz=3"), "[A]\r\nx=2\r\n");
}

TEST(SetIniValue, LastLineWithoutLineEnd) {
    EXPECT_EQ(SetIniValue("[A]", "A", "x", "1"), "[A]\r\nx=1\r\n");
    EXPECT_EQ(SetIniValue("k=v", "A", "x", "1"), "k=v\r\n[A]\r\nx=1\r\n");
    EXPECT_EQ(SetIniValue("[A]\r\nx=0", "A", "x", "1"), "[A]\r\nx=1");
}

TEST(SetIniValue, Utf8MarkAndNulBytesAreKept) {
    EXPECT_EQ(SetIniValue("\xEF\xBB\xBF[A]\r\nx=1\r\n", "A", "y", "2"),
              "\xEF\xBB\xBF[A]\r\nx=1\r\ny=2\r\n");
    const std::string withNul("[A]\r\nn=a\0b\r\n", 12);
    EXPECT_EQ(SetIniValue(withNul, "A", "y", "2"), withNul + "y=2\r\n");
}

TEST(CopyProfileValue, QuotesComeOffBeforeTheCut) {
    char buffer[4];
    EXPECT_EQ(CopyProfileValue("\"abc\"", buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyProfileValue("\"abcd\"", buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(CopyProfileValue("x", nullptr, 0), 0);
}

TEST(IniWriteString, UnchangedValueDoesNotRewriteTheFile) {
    ScratchDir dir;
    dir.Write("a.ini", "[A]\r\nx = 1\r\n");
    auto stamp = std::filesystem::last_write_time(dir.Path("a.ini"));
    std::filesystem::last_write_time(dir.Path("a.ini"), stamp - std::chrono::hours(1));
    EXPECT_TRUE(IniWriteString("A", "x", "1", dir.Path("a.ini").c_str()));
    EXPECT_EQ(std::filesystem::last_write_time(dir.Path("a.ini")), stamp - std::chrono::hours(1));
    EXPECT_EQ(dir.Read("a.ini"), "[A]\r\nx = 1\r\n");
}

TEST(IniFunctions, FolderInsteadOfAFile) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("folder.ini"));
    const std::string folder = dir.Path("folder.ini");
    char buffer[8];
    EXPECT_EQ(IniGetString("A", "x", "dflt", buffer, sizeof buffer, folder.c_str()), 4);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(IniGetInt("A", "x", 5, folder.c_str()), 5);
    EXPECT_FALSE(IniWriteString("A", "x", "1", folder.c_str()));
}

TEST(IniFunctions, MissingNamesOrPathGiveTheDefault) {
    ScratchDir dir;
    dir.Write("a.ini", "[A]\r\nx=1\r\n");
    const std::string file = dir.Path("a.ini");
    char buffer[8];
    EXPECT_EQ(IniGetString(nullptr, "x", "d", buffer, sizeof buffer, file.c_str()), 1);
    EXPECT_STREQ(buffer, "d");
    EXPECT_EQ(IniGetInt("A", nullptr, 5, file.c_str()), 5);
    EXPECT_EQ(IniGetInt("A", "x", 5, nullptr), 5);
    EXPECT_FALSE(IniWriteString("A", "x", "2", nullptr));
    EXPECT_FALSE(IniWriteString(nullptr, "x", "2", file.c_str()));
    EXPECT_EQ(dir.Read("a.ini"), "[A]\r\nx=1\r\n");
}
