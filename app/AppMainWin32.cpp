// The program's entry point: start-up, then the message loop.
#include <windows.h>

#include "app/AppState.h"
#include "app/MainWindowWin32.h"
#include "app/ProgramHandlesWin32.h"
#include "app/StartupPaths.h"
#include "res/ResourceIds.h"

struct TrayMenuEntry {
    UINT flags;
    UINT command;
    const char* text;
};

static constexpr TrayMenuEntry TrayMenuEntries[] = {
    {MF_STRING, IDM_GRAPH, "График температуры"},
    {MF_STRING, IDM_REFRESH, "Обновить данные"},
    {MF_STRING, IDM_SETTINGS, "Установки"},
    {MF_SEPARATOR, 0, ""},
    {MF_STRING, IDM_ABOUT, "О программе"},
    {MF_SEPARATOR, 0, ""},
    {MF_STRING, IDM_EXIT, "Выход"},
};

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));     // IDI_ASTERISK
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    // Never painted: the window is never shown.
    windowClass.hbrBackground =
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INACTIVEBORDER + 1));
    windowClass.lpszClassName = MainWindowClassName;
    return RegisterClassA(&windowClass);
}

static HMENU BuildTrayMenu() {
    HMENU menu = CreatePopupMenu();
    for (const TrayMenuEntry& entry : TrayMenuEntries)
        AppendMenuA(menu, entry.flags, entry.command, entry.text);
    return menu;
}

static void LoadStartupSettings(const char* defaultLogPath) {
    static AppSettings settings; // 2.6 KB: kept off the stack
    LoadSettings(appState.configPath, defaultLogPath, settings);
    PublishSettings(settings);
}

static HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExA(0, MainWindowClassName, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                           nullptr, nullptr, instance, nullptr);
}

static int RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int AppMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int) {
    programHandles.instance = instance;
    if (!previousInstance && !RegisterMainWindowClass(instance)) return 0;
    programHandles.trayMenu = BuildTrayMenu();
    char defaultLogPath[PathBufferSize];
    if (!LocateStartupFiles(appState.configPath, defaultLogPath)) return 0;
    LoadStartupSettings(defaultLogPath);
    programHandles.mainWindow = CreateMainWindow(instance);
    if (!programHandles.mainWindow) return 0;
    return RunMessageLoop();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show) {
    // Ends at once, refresh threads included, without running static
    // destructors under a refresh that may still hold its locks.
    ExitProcess(static_cast<UINT>(AppMain(instance, previousInstance, commandLine, show)));
}
