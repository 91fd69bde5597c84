// The main window with stand-ins for system calls whose failures or arguments are unseen outside.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindowWin32.h"
#include "app/ProgramHandlesWin32.h"
#include "res/ResourceIds.h"
#include "tests/support/ImportPatchWin32.h"

namespace {

std::vector<std::wstring> calls; // what the stand-ins were asked, in order

int WINAPI FailingStartup(WORD, LPWSADATA) {
    return WSASYSNOTREADY;
}
int WINAPI RecordCleanup() {
    calls.push_back(L"cleanup");
    return 0;
}
int WINAPI RecordMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT flags) {
    calls.push_back(std::wstring(caption) + L": " + text +
                    (flags == (MB_OK | MB_TASKMODAL) ? L"" : L"?"));
    return IDOK;
}
HMODULE WINAPI RecordLoadEx(LPCWSTR library, HANDLE, DWORD flags) {
    calls.push_back(std::wstring(library) + L" " + std::to_wstring(flags));
    return LoadLibraryW(library);
}
INT_PTR WINAPI CancelDialog(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM) {
    return IDCANCEL;
}
// A display at 300%, told through the screen's device context alone.
HWND WINAPI NoTaskbar(LPCWSTR, LPCWSTR) {
    return nullptr;
}
int WINAPI TripleScaleCaps(HDC, int index) {
    return index == LOGPIXELSX || index == LOGPIXELSY ? 288 : 0;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = MainWindowProc;
        windowClass.lpszClassName = L"MainWindowTest";
        RegisterClassW(&windowClass);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        // The first refresh ends quickly (nothing to fetch); let it finish.
        Sleep(200);
        LockHolder wait(refreshLock);
        TakeQuit();
    }

    void Create() {
        window = CreateWindowExW(0, L"MainWindowTest", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }

    // The exit code of the quit request waiting in this thread's queue, or -1.
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
    ImportPatch cleanup("ws2_32.dll", "WSACleanup", reinterpret_cast<void*>(RecordCleanup));
    ImportPatch box("user32.dll", "MessageBoxW", reinterpret_cast<void*>(RecordMessageBox));
    Create();
    EXPECT_EQ(calls, std::vector<std::wstring>(
                         {L"Ошибка: Невозможно инициализировать WinSock.", L"cleanup"}));
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_TRUE(KillTimer(window, 1)) << "the timer came all the same";
}

TEST_F(MainWindowTest, StartedWinSockShowsNoBoxCommandsAreTheWholeWParamDestroyCleansUp) {
    ImportPatch box("user32.dll", "MessageBoxW", reinterpret_cast<void*>(RecordMessageBox));
    ImportPatch cleanup("ws2_32.dll", "WSACleanup", reinterpret_cast<void*>(RecordCleanup));
    Create();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0);
    EXPECT_EQ(TakeQuit(), -1) << "a notification code matches no command";
    DestroyWindow(window);
    EXPECT_EQ(calls, std::vector<std::wstring>{L"cleanup"});
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_FALSE(KillTimer(window, 1));
    window = nullptr;
}

TEST_F(MainWindowTest, TrayIconFollowsAChangedDisplayScaleOnTheTimer) {
    Create();
    {
        ImportPatch find("user32.dll", "FindWindowW", reinterpret_cast<void*>(NoTaskbar));
        ImportPatch caps("gdi32.dll", "GetDeviceCaps", reinterpret_cast<void*>(TripleScaleCaps));
        SendMessageW(window, WM_TIMER, 1, 0);
    }
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(programHandles.trayIcon.notifyData.hIcon, &info));
    BITMAP colour{};
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(colour.bmWidth, 48) << "the notification area's size at 288 dots per inch";
}

// The bare name finds the manifest's common controls 6 (a full path would not), never the exe's.
TEST_F(MainWindowTest, SettingsLoadTheCommonControlsThroughTheManifestOrSystemFolderOnce) {
    Create();
    ImportPatch load("kernel32.dll", "LoadLibraryExW", reinterpret_cast<void*>(RecordLoadEx));
    ImportPatch dialog("user32.dll", "DialogBoxParamW", reinterpret_cast<void*>(CancelDialog));
    SendMessageW(window, WM_COMMAND, IDM_SETTINGS, 0);
    SendMessageW(window, WM_COMMAND, IDM_SETTINGS, 0);
    EXPECT_EQ(calls, std::vector<std::wstring>{L"comctl32.dll " +
                                               std::to_wstring(LOAD_LIBRARY_SEARCH_SYSTEM32)});
}

// Sent inside a shell call under the tray's lock while a refresh waits for it: work must be queued.
struct NestedMessage {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

DWORD mainThread;
HWND nestedWindow;
const NestedMessage* nestedMessage;
HANDLE refreshComposing;

HICON WINAPI NoteComposing(PICONINFO info) {
    static const auto create = reinterpret_cast<HICON(WINAPI*)(PICONINFO)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "CreateIconIndirect")));
    if (GetCurrentThreadId() != mainThread) SetEvent(refreshComposing);
    return create(info);
}

BOOL WINAPI SendInsideTheShell(DWORD, PNOTIFYICONDATAW) {
    if (GetCurrentThreadId() != mainThread || !nestedWindow) return TRUE;
    refreshLock.Leave(); // the window's first refresh may show its outcome now
    EXPECT_EQ(WaitForSingleObject(refreshComposing, 10000), WAIT_OBJECT_0);
    Sleep(200); // from composing under the view's lock to waiting for the tray's
    SendMessageW(std::exchange(nestedWindow, nullptr), nestedMessage->message,
                 nestedMessage->wParam, nestedMessage->lParam);
    return TRUE;
}

// Two threads waiting for each other cannot be freed: the run ends as failed.
DWORD WINAPI EndTheRunIfStuck(LPVOID done) {
    if (WaitForSingleObject(done, 20000) == WAIT_OBJECT_0) return 0;
    std::printf("FAILED: %s inside a shell call hung on a lock of the tray\n", nestedMessage->name);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 1);
    return 1;
}

class NestedInAShellCall : public MainWindowTest,
                           public testing::WithParamInterface<NestedMessage> {};

TEST_P(NestedInAShellCall, IsPostedNotDoneThere) {
    ImportPatch shell("shell32.dll", "Shell_NotifyIconW",
                      reinterpret_cast<void*>(SendInsideTheShell));
    ImportPatch compose("user32.dll", "CreateIconIndirect", reinterpret_cast<void*>(NoteComposing));
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, IDM_REFRESH, L"refresh");
    programHandles.trayMenu = menu;
    mainThread = GetCurrentThreadId();
    nestedMessage = &GetParam();
    refreshComposing = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watchdog = CreateThread(nullptr, 0, EndTheRunIfStuck, done, 0, nullptr);
    refreshLock.Enter(); // held until the shell call below
    Create();
    // A menu opened inside the shell call would run this refresh there, waiting for the tray.
    PostMessageW(window, WM_COMMAND, IDM_REFRESH, 0);
    nestedWindow = window;
    programHandles.trayIcon.Restore(nullptr);
    SetEvent(done);
    WaitForSingleObject(watchdog, INFINITE);
    for (HANDLE handle : {watchdog, done, refreshComposing})
        CloseHandle(handle);
    programHandles.trayMenu = nullptr;
    DestroyMenu(menu);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, NestedInAShellCall,
    testing::Values(NestedMessage{"ResumeNotice", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0},
                    NestedMessage{"TaskbarCreated", RegisterWindowMessageW(L"TaskbarCreated"), 0,
                                  0},
                    NestedMessage{"RefreshCommand", WM_COMMAND, IDM_REFRESH, 0},
                    NestedMessage{"TrayRightButton", WM_TRAYNOTIFY, 1, WM_RBUTTONDOWN}),
    [](const testing::TestParamInfo<NestedMessage>& info) { return info.param.name; });

} // namespace
