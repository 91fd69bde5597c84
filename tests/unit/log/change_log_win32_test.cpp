#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <tuple>

#include "log/ChangeLog.h"
#include "tests/support/ScratchDir.h"

// Another program holds the log open: only writers that share writing are admitted.
TEST(AppendLogLineWin32, OtherHoldersOfTheFile) {
    const std::tuple<DWORD, DWORD, AppendLogResult> cases[] = {
        {GENERIC_WRITE, 0, LogOpenFailed},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, LogOpenFailed},
        {GENERIC_WRITE, FILE_SHARE_WRITE, LogWritten}};
    for (const auto& [access, share, expected] : cases) {
        SCOPED_TRACE(testing::Message() << access << " shared " << share);
        ScratchDir dir;
        dir.Write("held.log", "kept");
        const std::string path = dir.Path("held.log");
        HANDLE other = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(AppendLogLine(path.c_str(), "+y", false), expected);
        CloseHandle(other);
        EXPECT_EQ(dir.Read("held.log"), expected == LogWritten ? "kept+y" : "kept");
    }
}
