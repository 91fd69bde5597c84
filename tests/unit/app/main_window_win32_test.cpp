// The main window procedure in a window of its own, with the system calls
// whose failures Wine cannot produce replaced by stand-ins.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <commctrl.h>

#include <string>

#include "app/AppState.h"
#include "app/MainWindowWin32.h"
#include "app/ShellState.h"
#include "res/ResourceIds.h"
#include "tests/support/ImportPatchWin32.h"

namespace {

struct MessageBoxCall {
    int count = 0;
    HWND owner = nullptr;
    std::string text, caption;
    UINT flags = 0;
};
MessageBoxCall messageBox;
int cleanups = 0;

int WINAPI FailingStartup(WORD, LPWSADATA) {
    return WSASYSNOTREADY;
}
int WINAPI CountCleanup() {
    return ++cleanups, 0;
}
int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    messageBox = {messageBox.count + 1, owner, text, caption, flags};
    return IDOK;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        messageBox = {};
        cleanups = 0;
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = MainWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "MainWindowTest";
        RegisterClassA(&windowClass);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        // The first refresh ends quickly (nothing to fetch); let it finish.
        Sleep(200);
        LockHolder wait(refreshLock);
        TakeQuit();
    }

    void Create() {
        window = CreateWindowExA(0, "MainWindowTest", nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                                 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }

    // The quit request waiting in this thread's queue, if any: its exit code.
    static int TakeQuit() {
        MSG message;
        return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)
                   ? static_cast<int>(message.wParam)
                   : -1;
    }

    HWND window = nullptr;
};

TEST_F(MainWindowTest, WinSockFailureShowsItsBoxQuitsAndCreationCarriesOn) {
    ImportPatch startup("ws2_32.dll", "WSAStartup", reinterpret_cast<void*>(FailingStartup));
    ImportPatch cleanup("ws2_32.dll", "WSACleanup", reinterpret_cast<void*>(CountCleanup));
    ImportPatch box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(RecordMessageBox));
    ASSERT_TRUE(startup.Active() && cleanup.Active() && box.Active());
    Create();
    EXPECT_EQ(messageBox.count, 1);
    EXPECT_EQ(messageBox.owner, nullptr);
    EXPECT_EQ(messageBox.text,
              "\xcd\xe5\xe2\xee\xe7\xec\xee\xe6\xed\xee \xe8\xed\xe8\xf6\xe8\xe0\xeb\xe8"
              "\xe7\xe8\xf0\xee\xe2\xe0\xf2\xfc WinSock.");
    EXPECT_EQ(messageBox.caption, "\xce\xf8\xe8\xe1\xea\xe0");
    EXPECT_EQ(messageBox.flags, static_cast<UINT>(MB_OK | MB_TASKMODAL));
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(TakeQuit(), 0);
    // The timer and the tray icon came all the same.
    EXPECT_EQ(shellState.trayIcon.notifyData.hWnd, window);
    EXPECT_TRUE(KillTimer(window, 1));
}

TEST_F(MainWindowTest, StartedWinSockShowsNoBoxAndDestroyCleansUpAndQuits) {
    ImportPatch box("user32.dll", "MessageBoxA", reinterpret_cast<void*>(RecordMessageBox));
    Create();
    EXPECT_EQ(messageBox.count, 0);
    EXPECT_EQ(TakeQuit(), -1);
    ImportPatch cleanup("ws2_32.dll", "WSACleanup", reinterpret_cast<void*>(CountCleanup));
    DestroyWindow(window);
    EXPECT_EQ(cleanups, 1);
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_FALSE(KillTimer(window, 1));
    window = nullptr;
}

TEST_F(MainWindowTest, CommandIsTheWholeWParam) {
    Create();
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0);
    EXPECT_EQ(TakeQuit(), -1) << "a notification code matches no command";
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(TakeQuit(), 0);
}

// The settings template holds an up-down control: its class must be
// registered before the dialog is created. Wine would create it regardless,
// so the order of the calls is watched instead.
int registrations = 0;
struct DialogCall {
    int count = 0;
    LPCSTR templateName = nullptr;
    int registrationsBefore = -1;
};
DialogCall dialogCall;

BOOL WINAPI CountRegistration(const INITCOMMONCONTROLSEX*) {
    return ++registrations, TRUE;
}
INT_PTR WINAPI RecordDialog(HINSTANCE, LPCSTR templateName, HWND, DLGPROC, LPARAM) {
    dialogCall = {dialogCall.count + 1, templateName, registrations};
    return IDCANCEL;
}

TEST_F(MainWindowTest, SettingsCommandRegistersTheUpDownClassBeforeTheDialog) {
    Create();
    registrations = 0;
    dialogCall = {};
    LookUpPatch lookUp("InitCommonControlsEx", reinterpret_cast<void*>(CountRegistration));
    ImportPatch dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void*>(RecordDialog));
    ASSERT_TRUE(lookUp.Active() && dialog.Active());
    SendMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    EXPECT_EQ(dialogCall.count, 1);
    EXPECT_EQ(dialogCall.templateName, MAKEINTRESOURCEA(IDD_SETTINGS));
    EXPECT_EQ(dialogCall.registrationsBefore, 1);
    // A dialog already open is neither prepared nor opened again.
    appState.settingsDialogOpen = 1;
    SendMessageA(window, WM_COMMAND, IDM_SETTINGS, 0);
    appState.settingsDialogOpen = 0;
    EXPECT_EQ(dialogCall.count, 1);
    EXPECT_EQ(registrations, 1);
}

} // namespace
