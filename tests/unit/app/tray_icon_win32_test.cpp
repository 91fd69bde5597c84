// The tray icon against Wine's notification area where the end-to-end suite cannot
// reach: a shell that refuses the icon at start, a shell call that hangs.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "app/TrayIconWin32.h"
#include "tests/support/ImportPatchWin32.h"

namespace {

HICON MakeIcon() {
    static const BYTE black[16 * 16 * 4] = {};
    return CreateIcon(nullptr, 16, 16, 1, 32, black, black);
}

bool IconAlive(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

class TrayIconTest : public testing::Test {
  protected:
    void SetUp() override {
        window = CreateWindowExA(0, "STATIC", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        ShellCall(NIM_DELETE);
        DestroyWindow(window);
    }

    // What the shell itself says about our icon, apart from the wrapper.
    bool ShellCall(DWORD operation) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V1_SIZE;
        data.hWnd = window;
        data.uID = 1;
        return Shell_NotifyIconW(operation, &data) != FALSE;
    }

    void Add(HICON icon) { tray.Add(window, 1, icon, "tip", WM_APP + 1); }

    HWND window = nullptr;
    TrayIcon tray{};
};

TEST_F(TrayIconTest, RefusedAddReleasesItsIconAndIsRestoredWithTheStandIn) {
    ASSERT_TRUE(ShellCall(NIM_ADD)); // the shell refuses a second icon of one window and id
    HICON added = MakeIcon();
    Add(added);
    EXPECT_FALSE(IconAlive(added)) << "added or not, the shell keeps its own copy";
    EXPECT_TRUE(tray.IsLost());
    HICON standIn = MakeIcon();
    tray.Restore(standIn);
    EXPECT_FALSE(tray.IsLost()) << "an icon already there is modified instead";
    EXPECT_TRUE(IconAlive(standIn));
}

// A shell call that does not come back until the test lets it.
HANDLE shellEntered, shellReleased;
BOOL WINAPI HungShell(DWORD, PNOTIFYICONDATAW) {
    SetEvent(shellEntered);
    WaitForSingleObject(shellReleased, INFINITE);
    return FALSE;
}

DWORD WINAPI RefreshThread(LPVOID tray) {
    static_cast<TrayIcon*>(tray)->Modify(MakeIcon(), "refresh");
    return 0;
}
DWORD WINAPI AskWhetherLost(LPVOID tray) {
    return static_cast<TrayIcon*>(tray)->IsLost();
}

// The main thread asks on every tick: a shell busy with a refresh must not freeze it.
TEST_F(TrayIconTest, AskingWhetherLostNeverWaitsForTheShell) {
    Add(MakeIcon());
    shellEntered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    shellReleased = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ImportPatch hung("shell32.dll", "Shell_NotifyIconW", reinterpret_cast<void*>(HungShell));
    HANDLE refresh = CreateThread(nullptr, 0, RefreshThread, &tray, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(shellEntered, 10000), WAIT_OBJECT_0);
    HANDLE asker = CreateThread(nullptr, 0, AskWhetherLost, &tray, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(asker, 10000), WAIT_OBJECT_0) << "IsLost waited for the shell";
    SetEvent(shellReleased);
    WaitForSingleObject(refresh, INFINITE);
    WaitForSingleObject(asker, INFINITE);
    for (HANDLE handle : {refresh, asker, shellEntered, shellReleased})
        CloseHandle(handle);
}

} // namespace
