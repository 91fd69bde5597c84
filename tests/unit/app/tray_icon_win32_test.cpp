// The tray icon wrapper against the real notification area of Wine's desktop.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/TrayIconWin32.h"
#include "res/ResourceIds.h"

namespace {

HICON MakeIcon() {
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
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
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TrayIconTest";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        ShellCall(NIM_DELETE);
        DestroyWindow(window);
    }

    // What the shell itself says about our icon, apart from the wrapper.
    bool ShellCall(DWORD operation) {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = window;
        data.uID = 1;
        return Shell_NotifyIconA(operation, &data) != FALSE;
    }

    void AddIcon(const char* tip = "Нет данных") {
        tray.Add(window, 1, MakeIcon(), tip, WM_TRAYNOTIFY);
    }

    HWND window = nullptr;
    TrayIcon tray{};
};

TEST_F(TrayIconTest, AddFillsTheFirstRecordFormAndReleasesItsIcon) {
    HICON icon = MakeIcon();
    tray.Add(window, 1, icon, "Нет данных", WM_TRAYNOTIFY);
    EXPECT_FALSE(IconAlive(icon));
    EXPECT_EQ(tray.notifyData.hIcon, nullptr);
    EXPECT_EQ(tray.notifyData.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(tray.notifyData.hWnd, window);
    EXPECT_EQ(tray.notifyData.uID, 1u);
    EXPECT_EQ(tray.notifyData.uFlags, 7u);
    EXPECT_EQ(tray.notifyData.uCallbackMessage, 32769u);
    EXPECT_STREQ(tray.notifyData.szTip, "\xcd\xe5\xf2 \xe4\xe0\xed\xed\xfb\xf5");
    EXPECT_FALSE(tray.IsLost());
    EXPECT_TRUE(ShellCall(NIM_MODIFY)) << "the shell should know the icon";
}

TEST_F(TrayIconTest, ModifyHoldsItsIconUntilTheNextModifyReleasesIt) {
    AddIcon();
    HICON first = MakeIcon();
    tray.Modify(first, "first");
    EXPECT_TRUE(IconAlive(first));
    EXPECT_EQ(tray.notifyData.hIcon, first);
    HICON second = MakeIcon();
    tray.Modify(second, "second");
    EXPECT_FALSE(IconAlive(first));
    EXPECT_TRUE(IconAlive(second));
    tray.Delete();
    EXPECT_TRUE(IconAlive(second)) << "the last icon is left to the end of the process";
    EXPECT_FALSE(ShellCall(NIM_MODIFY)) << "deleted from the notification area";
    DestroyIcon(second);
}

TEST_F(TrayIconTest, TooltipKeepsAtMost63CharactersAndNullEmptiesIt) {
    AddIcon();
    const std::string longest(63, 'a');
    tray.Modify(MakeIcon(), longest.c_str());
    EXPECT_EQ(std::string(tray.notifyData.szTip), longest);
    tray.Modify(MakeIcon(), (longest + "bc").c_str());
    EXPECT_EQ(std::string(tray.notifyData.szTip), longest);
    tray.Modify(MakeIcon(), nullptr);
    EXPECT_STREQ(tray.notifyData.szTip, "");
    tray.Modify(MakeIcon(), "");
    EXPECT_STREQ(tray.notifyData.szTip, "");
}

TEST_F(TrayIconTest, IconTheShellForgotIsLostThenRestoredWithItsPicture) {
    AddIcon();
    HICON shown = MakeIcon();
    tray.Modify(shown, "shown");
    ASSERT_TRUE(ShellCall(NIM_DELETE));
    EXPECT_FALSE(tray.IsLost()) << "nothing has told us yet";
    HICON next = MakeIcon();
    tray.Modify(next, "next");
    EXPECT_TRUE(tray.IsLost());
    HICON standIn = MakeIcon();
    tray.Restore(standIn);
    EXPECT_FALSE(tray.IsLost());
    EXPECT_FALSE(IconAlive(standIn)) << "a held picture needs no stand-in";
    EXPECT_EQ(tray.notifyData.hIcon, next);
    EXPECT_STREQ(tray.notifyData.szTip, "next");
    EXPECT_TRUE(ShellCall(NIM_MODIFY));
}

TEST_F(TrayIconTest, FailedAddIsLostAndRestoreUsesTheStandInWhenNoPictureIsHeld) {
    // The shell refuses a second icon with the same window and id.
    NOTIFYICONDATAA other{};
    other.cbSize = NOTIFYICONDATAA_V1_SIZE;
    other.hWnd = window;
    other.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &other));
    AddIcon();
    EXPECT_TRUE(tray.IsLost());
    HICON standIn = MakeIcon();
    tray.Restore(standIn);
    EXPECT_FALSE(tray.IsLost()) << "an icon already there is modified instead";
    EXPECT_EQ(tray.notifyData.hIcon, standIn);
    EXPECT_TRUE(IconAlive(standIn));
}

TEST_F(TrayIconTest, RestoreNeverBringsBackADeletedOrUnaddedIcon) {
    HICON beforeAdd = MakeIcon();
    tray.Restore(beforeAdd);
    EXPECT_FALSE(IconAlive(beforeAdd));
    EXPECT_FALSE(ShellCall(NIM_MODIFY));
    AddIcon();
    tray.Delete();
    EXPECT_FALSE(tray.IsLost());
    HICON afterDelete = MakeIcon();
    tray.Restore(afterDelete);
    EXPECT_FALSE(IconAlive(afterDelete));
    EXPECT_FALSE(ShellCall(NIM_MODIFY));
}

} // namespace
