#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "log/ChangeLog.h"
#include "tests/support/ScratchDir.h"

namespace {

// Another handle on the log file, as another program would hold it.
class HeldOpen {
  public:
    HeldOpen(const std::string& path, DWORD access, DWORD share)
        : handle(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle;
};

} // namespace

TEST(AppendLogLineWin32, FileHeldWithoutWriteSharingCannotBeOpened) {
    ScratchDir dir;
    dir.Write("held.log", "kept");
    std::string path = dir.Path("held.log");
    {
        HeldOpen other(path, GENERIC_WRITE, 0);
        ASSERT_TRUE(other.IsOpen());
        EXPECT_EQ(AppendLogLine(path.c_str(), "x", true), LogOpenFailed);
    }
    EXPECT_EQ(dir.Read("held.log"), "kept");
}

TEST(AppendLogLineWin32, ReadersAreRefusedWhileWritersShare) {
    ScratchDir dir;
    dir.Write("shared.log", "");
    std::string path = dir.Path("shared.log");
    {
        HeldOpen reader(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(reader.IsOpen());
        EXPECT_EQ(AppendLogLine(path.c_str(), "x", false), LogOpenFailed);
    }
    {
        HeldOpen writer(path, GENERIC_WRITE, FILE_SHARE_WRITE);
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_EQ(AppendLogLine(path.c_str(), "y", false), LogWritten);
    }
    EXPECT_EQ(dir.Read("shared.log"), "y");
}
