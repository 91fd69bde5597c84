#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "log/ChangeLog.h"
#include "tests/support/ScratchDir.h"

// Another program holds the log open: writers that share writing are admitted,
// readers and writers that do not share are refused.
TEST(AppendLogLineWin32, OtherHoldersOfTheFile) {
    const struct {
        DWORD access, share;
        AppendLogResult expected;
    } cases[] = {{GENERIC_WRITE, 0, LogOpenFailed},
                 {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, LogOpenFailed},
                 {GENERIC_WRITE, FILE_SHARE_WRITE, LogWritten}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.access << " shared " << c.share);
        ScratchDir dir;
        dir.Write("held.log", "kept");
        const std::string path = dir.Path("held.log");
        HANDLE other = CreateFileA(path.c_str(), c.access, c.share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(AppendLogLine(path.c_str(), "+y", false), c.expected);
        CloseHandle(other);
        EXPECT_EQ(dir.Read("held.log"), c.expected == LogWritten ? "kept+y" : "kept");
    }
}
