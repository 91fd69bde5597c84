#include <winsock2.h>

#include "app/MainWindowWin32.h"

#include "about/AboutDialogWin32.h"
#include "app/AppState.h"
#include "app/RefreshSchedule.h"
#include "app/ShellState.h"
#include "fetch/RefreshWorkerWin32.h"
#include "icon/IconComposerWin32.h"
#include "res/ResourceIds.h"
#include "settings/SettingsDialogWin32.h"

static constexpr UINT TrayIconId = 1;
static constexpr UINT_PTR RefreshTimerId = 1;
static constexpr UINT TimerPeriodMs = 1000;
static constexpr WORD WinSockVersion = 0x0101;
static constexpr char NoReadingTip[] = "Нет данных";
static constexpr char GraphPageAddress[] = "http://" ZARVILO_FEED_HOST "/cgi/rrd.pl/to.html";

// Sent by the shell to every top-level window when the notification area is
// created anew; registered at window creation.
static UINT taskbarCreatedMessage;

void StartRefresh() {
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RefreshWorker, &trayRefreshView, 0, &threadId);
    appState.lastThreadId = threadId;
    if (thread) CloseHandle(thread);
}

static void StartWinSock() {
    WSADATA data;
    if (WSAStartup(WinSockVersion, &data) == 0) return;
    MessageBoxA(nullptr, "Невозможно инициализировать WinSock.", "Ошибка", MB_OK | MB_TASKMODAL);
    WSACleanup();
    PostQuitMessage(0);
}

static HBITMAP LoadBitmapResource(int id) {
    return LoadBitmapA(shellState.instance, MAKEINTRESOURCEA(id));
}

static void LoadBitmaps() {
    shellState.unknownBackground = LoadBitmapResource(IDB_BG_UNKNOWN);
    shellState.positiveBackground = LoadBitmapResource(IDB_BG_POSITIVE);
    shellState.negativeBackground = LoadBitmapResource(IDB_BG_NEGATIVE);
    shellState.zeroBackground = LoadBitmapResource(IDB_BG_ZERO);
    shellState.digitStrip = LoadBitmapResource(IDB_DIGITS);
    shellState.logoBitmap = LoadBitmapResource(IDB_LOGO);
}

static void OnCreate(HWND window) {
    StartWinSock();
    SetTimer(window, RefreshTimerId, TimerPeriodMs, nullptr);
    LoadBitmaps();
    shellState.trayIcon.Add(window, TrayIconId, ComposeTemperatureIcon(UnknownTemperature),
                            NoReadingTip, WM_TRAYNOTIFY);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    // refreshLock is ready before any code runs, so the first refresh may start.
    StartRefresh();
}

static void OnDestroy(HWND window) {
    shellState.trayIcon.Delete();
    WSACleanup();
    KillTimer(window, RefreshTimerId);
    PostQuitMessage(0);
}

// Shows at once that the reading is being renewed, then renews it.
static void RefreshNow() {
    shellState.trayIcon.Modify(ComposeTemperatureIcon(UnknownTemperature), NoReadingTip);
    StartRefresh();
}

static void RestoreTrayIcon() {
    shellState.trayIcon.Restore(ComposeTemperatureIcon(UnknownTemperature));
}

static void OnTimer() {
    if (CountTimerTick(appState.timerTicks, appState.settings.RefreshTime)) StartRefresh();
    // The notification area was missing at start or lost our icon: try again.
    if (shellState.trayIcon.IsLost()) RestoreTrayIcon();
}

static void OpenGraphPage() {
    ShellExecuteA(nullptr, "open", GraphPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

static void ShowTrayMenu(HWND window) {
    POINT pointer{};
    GetCursorPos(&pointer);
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(shellState.trayMenu, TPM_BOTTOMALIGN | TPM_RIGHTALIGN, pointer.x, pointer.y, 0,
                   window, nullptr);
    PostMessageA(window, WM_NULL, 0, 0);
}

static void OnTrayNotify(HWND window, LPARAM mouseMessage) {
    if (mouseMessage == WM_RBUTTONDOWN) ShowTrayMenu(window);
    if (mouseMessage == WM_LBUTTONDBLCLK) OpenGraphPage();
}

static void OpenDialog(HWND window, int templateId, DLGPROC procedure) {
    DialogBoxParamA(shellState.instance, MAKEINTRESOURCEA(templateId), window, procedure, 0);
}

// The whole wParam is the command: a non-zero notification code matches nothing.
static void OnCommand(HWND window, WPARAM command) {
    switch (command) {
    case IDM_GRAPH:
        OpenGraphPage();
        break;
    case IDM_REFRESH:
        RefreshNow();
        break;
    case IDM_EXIT:
        shellState.trayIcon.Delete();
        PostQuitMessage(0);
        break;
    case IDM_ABOUT:
        if (!appState.aboutDialogOpen) OpenDialog(window, IDD_ABOUT, AboutDialogProc);
        break;
    case IDM_SETTINGS:
        if (appState.settingsDialogOpen) break;
        PrepareSettingsDialog();
        OpenDialog(window, IDD_SETTINGS, SettingsDialogProc);
        break;
    }
}

// The tick count stood still while the computer slept: the reading shown is
// as old as the sleep was long.
static bool OnPowerBroadcast(WPARAM event) {
    if (event != PBT_APMRESUMEAUTOMATIC) return false;
    RefreshNow();
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
        OnTrayNotify(window, lParam);
        return 0;
    case WM_POWERBROADCAST:
        if (OnPowerBroadcast(wParam)) return TRUE;
        break;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            RestoreTrayIcon();
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
