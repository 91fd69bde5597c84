#include <winsock2.h>

#include "app/MainWindowWin32.h"

#include "about/AboutDialogWin32.h"
#include "app/AppState.h"
#include "app/DisplayScaleWin32.h"
#include "app/ProgramHandlesWin32.h"
#include "app/RefreshWin32.h"
#include "app/StartWithWindowsWin32.h"
#include "res/ResourceIds.h"
#include "settings/SettingsDialogWin32.h"

static constexpr UINT TrayIconId = 1;
static constexpr UINT_PTR RefreshTimerId = 1;
static constexpr UINT TimerPeriodMs = 1000;
static constexpr WORD WinSockVersion = 0x0101;
static constexpr wchar_t GraphPageAddress[] = L"http://" ZARVILO_FEED_HOST "/cgi/rrd.pl/to.html";

// Sent by the shell to every top-level window when the notification area is
// created anew; registered at window creation.
static UINT taskbarCreatedMessage;

// A sent message may arrive while the main thread waits inside a shell call
// that holds the tray icon's lock, and a refresh thread may then hold the
// view's lock and wait for the tray's. Whatever such a message asks that takes
// those locks, or opens a loop that dispatches work which does, is posted to
// the window's own queue under these messages, and done when they come out
// of it.
static constexpr UINT ResumedMessage = WM_APP + 2;
static constexpr UINT RestoreTrayMessage = WM_APP + 3;
static constexpr UINT RefreshNowMessage = WM_APP + 4;
static constexpr UINT TrayMouseMessage = WM_APP + 5;

// The tray icon as every refresh shows it; set up before the first refresh.
static TrayView trayView;

static void StartTrayRefresh() {
    StartRefresh(trayView);
}

static HICON ComposeNoReadingIcon() {
    return trayView.Compose(UnknownTemperature);
}

static void StartWinSock() {
    WSADATA data;
    if (WSAStartup(WinSockVersion, &data) == 0) return;
    MessageBoxW(nullptr, L"Невозможно инициализировать WinSock.", L"Ошибка", MB_OK | MB_TASKMODAL);
    WSACleanup();
    PostQuitMessage(0);
}

static HBITMAP LoadBitmapResource(int id) {
    return LoadBitmapW(programHandles.instance, MAKEINTRESOURCEW(id));
}

static void LoadBitmaps() {
    IconBitmaps& icon = programHandles.iconBitmaps;
    icon.unknownBackground = LoadBitmapResource(IDB_BG_UNKNOWN);
    icon.positiveBackground = LoadBitmapResource(IDB_BG_POSITIVE);
    icon.negativeBackground = LoadBitmapResource(IDB_BG_NEGATIVE);
    icon.zeroBackground = LoadBitmapResource(IDB_BG_ZERO);
    icon.digitStrip = LoadBitmapResource(IDB_DIGITS);
    programHandles.logoBitmap = LoadBitmapResource(IDB_LOGO);
}

// The size the notification area draws its icons at on this display.
static int DisplayIconSize() {
    return TrayIconSize(QueryDisplayDpi());
}

// The window is handed over here, not read back from programHandles: the
// first refresh starts before CreateWindowExA has returned it.
static void SetUpTrayView(HWND window) {
    trayView.trayIcon = &programHandles.trayIcon;
    trayView.bitmaps = &programHandles.iconBitmaps;
    trayView.window = window;
    trayView.SetIconSize(DisplayIconSize());
}

// A changed display scale shows within a second: the icon is composed anew
// at the notification area's new size.
static void FollowDisplayScale() {
    const int size = DisplayIconSize();
    if (size != trayView.CurrentIconSize()) trayView.Resize(size);
}

static void OnCreate(HWND window) {
    StartWinSock();
    SetTimer(window, RefreshTimerId, TimerPeriodMs, nullptr);
    LoadBitmaps();
    SetUpTrayView(window);
    programHandles.trayIcon.Add(window, TrayIconId, ComposeNoReadingIcon(), NoReadingTooltip,
                                WM_TRAYNOTIFY);
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    // refreshLock is ready before any code runs, so the first refresh may
    // start; at sign-in it may come before the network is up.
    appState.refreshRetries.Begin();
    StartTrayRefresh();
}

static void OnDestroy(HWND window) {
    programHandles.trayIcon.Delete();
    WSACleanup();
    KillTimer(window, RefreshTimerId);
    PostQuitMessage(0);
}

// Shows at once that the reading is being renewed, then renews it.
static void RefreshNow() {
    trayView.Show(UnknownTemperature, NoReadingTooltip);
    StartTrayRefresh();
}

static void RestoreTrayIcon() {
    programHandles.trayIcon.Restore(ComposeNoReadingIcon());
}

static void OnResumed() {
    appState.refreshRetries.Begin();
    RefreshNow();
}

static void OnTimer() {
    if (CountTimerTick(appState.timerTicks, appState.settings.RefreshTime)) StartTrayRefresh();
    if (appState.refreshRetries.CountTick()) StartTrayRefresh();
    // The notification area was missing at start or lost our icon: try again.
    if (programHandles.trayIcon.IsLost()) RestoreTrayIcon();
    FollowDisplayScale();
}

static void OpenGraphPage() {
    ShellExecuteW(nullptr, L"open", GraphPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

static void ShowTrayMenu(HWND window) {
    CheckMenuItem(programHandles.trayMenu, IDM_START_WITH_WINDOWS,
                  StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED);
    POINT pointer{};
    GetCursorPos(&pointer);
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(programHandles.trayMenu, TPM_BOTTOMALIGN | TPM_RIGHTALIGN, pointer.x, pointer.y,
                   0, window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
}

// The menu's modal loop and the shell's opening of the page both dispatch
// queued messages, so they run from the queue, never inside a shell call.
static void OnTrayMouse(HWND window, LPARAM mouseMessage) {
    if (mouseMessage == WM_RBUTTONDOWN) ShowTrayMenu(window);
    if (mouseMessage == WM_LBUTTONDBLCLK) OpenGraphPage();
}

// The main thread is the only writer of the settings, so the dialog reads
// them without the lock.
static void OpenSettings(HWND window) {
    const SettingsDialogHost host{&appState.settings, appState.configPath, PublishSettings,
                                  StartTrayRefresh};
    OpenSettingsDialog(programHandles.instance, window, host);
}

// The whole wParam is the command: a non-zero notification code matches nothing.
static void OnCommand(HWND window, WPARAM command) {
    switch (command) {
    case IDM_GRAPH:
        OpenGraphPage();
        break;
    case IDM_REFRESH:
        PostMessageW(window, RefreshNowMessage, 0, 0);
        break;
    case IDM_EXIT:
        programHandles.trayIcon.Delete();
        PostQuitMessage(0);
        break;
    case IDM_ABOUT:
        OpenAboutBox(programHandles.instance, window, programHandles.logoBitmap);
        break;
    case IDM_SETTINGS:
        OpenSettings(window);
        break;
    case IDM_START_WITH_WINDOWS:
        SetStartWithWindows(!StartsWithWindows());
        break;
    }
}

// The tick count stood still while the computer slept: the reading shown is
// as old as the sleep was long.
static bool OnPowerBroadcast(HWND window, WPARAM event) {
    if (event != PBT_APMRESUMEAUTOMATIC) return false;
    PostMessageW(window, ResumedMessage, 0, 0);
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_COMMAND:
        OnCommand(window, wParam);
        return 0;
    case WM_TIMER:
        OnTimer();
        return 0;
    case WM_TRAYNOTIFY:
        PostMessageW(window, TrayMouseMessage, 0, lParam);
        return 0;
    case WM_POWERBROADCAST:
        if (OnPowerBroadcast(window, wParam)) return TRUE;
        break;
    case ResumedMessage:
        OnResumed();
        return 0;
    case RestoreTrayMessage:
        RestoreTrayIcon();
        return 0;
    case RefreshNowMessage:
        RefreshNow();
        return 0;
    case TrayMouseMessage:
        OnTrayMouse(window, lParam);
        return 0;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            PostMessageW(window, RestoreTrayMessage, 0, 0);
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
