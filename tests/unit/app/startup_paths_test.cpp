#include <gtest/gtest.h>

#include <string>

#include "app/StartupPaths.h"

// A directory name of exactly length characters.
static std::string DirectoryOfLength(size_t length) {
    return "C:" + std::string(length - 2, 'd');
}

TEST(JoinStartupPath, AppendsTheFileNameWithItsOwnBackslash) {
    char path[PathBufferSize];
    ASSERT_TRUE(JoinStartupPath("C:\\Users\\me", ConfigFileName, path));
    EXPECT_STREQ(path, "C:\\Users\\me\\Quorbel.cfg");
    ASSERT_TRUE(JoinStartupPath("C:\\Users\\me", DefaultLogFileName, path));
    EXPECT_STREQ(path, "C:\\Users\\me\\Quorbel.log");
}

TEST(JoinStartupPath, DriveRootKeepsItsDoubledBackslash) {
    char path[PathBufferSize];
    ASSERT_TRUE(JoinStartupPath("C:\\", ConfigFileName, path));
    EXPECT_STREQ(path, "C:\\\\Quorbel.cfg");
}

TEST(JoinStartupPath, LongestDirectoryThatFitsWithTheTerminator) {
    char path[PathBufferSize];
    const size_t longest = PathBufferSize - 1 - (sizeof ConfigFileName - 1);
    std::string directory = DirectoryOfLength(longest);
    ASSERT_TRUE(JoinStartupPath(directory.c_str(), ConfigFileName, path));
    EXPECT_EQ(std::string(path), directory + ConfigFileName);
    EXPECT_EQ(strlen(path), static_cast<size_t>(PathBufferSize - 1));
}

TEST(JoinStartupPath, OneCharacterLongerIsRefusedNotCut) {
    char path[PathBufferSize];
    memset(path, 'x', sizeof path);
    const size_t tooLong = PathBufferSize - (sizeof ConfigFileName - 1);
    EXPECT_FALSE(JoinStartupPath(DirectoryOfLength(tooLong).c_str(), ConfigFileName, path));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(
        JoinStartupPath(DirectoryOfLength(PathBufferSize + 40).c_str(), DefaultLogFileName, path));
}
