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
    const wchar_t* text;
};

static constexpr TrayMenuEntry TrayMenuEntries[] = {
    {MF_STRING, IDM_GRAPH, L"График температуры"},
    {MF_STRING, IDM_REFRESH, L"Обновить данные"},
    {MF_STRING, IDM_SETTINGS, L"Установки"},
    {MF_SEPARATOR, 0, L""},
    {MF_STRING, IDM_ABOUT, L"О программе"},
    {MF_SEPARATOR, 0, L""},
    // Its check mark is set each time the menu opens. The exit stays apart,
    // so that a slip off the item never ends the program.
    {MF_STRING, IDM_START_WITH_WINDOWS, L"Запускать вместе с Windows"},
    {MF_SEPARATOR, 0, L""},
    {MF_STRING, IDM_EXIT, L"Выход"},
};

// A Unicode window: every text it is sent or sends arrives as UTF-16.
ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32516));     // IDI_ASTERISK
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    // Never painted: the window is never shown.
    windowClass.hbrBackground =
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INACTIVEBORDER + 1));
    windowClass.lpszClassName = MainWindowClassName;
    return RegisterClassW(&windowClass);
}

static HMENU BuildTrayMenu() {
    HMENU menu = CreatePopupMenu();
    for (const TrayMenuEntry& entry : TrayMenuEntries)
        AppendMenuW(menu, entry.flags, entry.command, entry.text);
    return menu;
}

static void LoadStartupSettings(const char* defaultLogPath) {
    static AppSettings settings; // 2.6 KB: kept off the stack
    LoadSettings(appState.configPath, defaultLogPath, settings);
    PublishSettings(settings);
}

static HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExW(0, MainWindowClassName, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                           nullptr, nullptr, instance, nullptr);
}

static int RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int AppMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int) {
    programHandles.instance = instance;
    if (!previousInstance && !RegisterMainWindowClass(instance)) return 0;
    programHandles.trayMenu = BuildTrayMenu();
    char defaultLogPath[PathUtf8Size];
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
