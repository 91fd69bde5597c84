// Drives a running program from outside, as Windows or a user would: finds
// its hidden window by class, posts and sends it messages, reads what the
// shell shows. One command per run; each prints its answer on stdout.
//
//   zarvilo-driver.exe [--window HWND] COMMAND [ARGUMENTS...]
//
// Add a command by writing one function and one row of the table below.
#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DialogCommandsWin32.h"
#include "icon/PictureBmp.h"
#include "icon/PictureRule.h"

static constexpr char ProgramClass[] = "Zarvilo";
static constexpr UINT TrayIconId = 1;

struct Target {
    HWND window; // the program's main window; empty when none was found
};

struct DriverCommand {
    const char* name;
    int argumentCount;
    const char* usage;
    int (*run)(Target& target, char** arguments);
};

static UINT_PTR ParseNumber(const char* text) {
    return static_cast<UINT_PTR>(strtoull(text, nullptr, 0));
}

static int RequireWindow(const Target& target) {
    if (target.window) return 0;
    fprintf(stderr, "no window of class %s\n", ProgramClass);
    return 2;
}

static DWORD WindowProcessId(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// "0xHWND PID", the form --window and wait-window read back.
static void PrintWindowLine(HWND window) {
    printf("0x%llx %lu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
           WindowProcessId(window));
}

static BOOL CALLBACK PrintProgramWindow(HWND window, LPARAM) {
    char className[32];
    if (GetClassNameA(window, className, sizeof className) && strcmp(className, ProgramClass) == 0)
        PrintWindowLine(window);
    return TRUE;
}

// "windows": every program window, with its process id, one a line.
static int ListWindows(Target&, char**) {
    EnumWindows(PrintProgramWindow, 0);
    return 0;
}

struct WindowSearch {
    char** excluded;
    int excludedCount;
    HWND found;
};

static BOOL CALLBACK FindNewProgramWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    char className[32];
    if (!GetClassNameA(window, className, sizeof className) || strcmp(className, ProgramClass) != 0)
        return TRUE;
    for (int i = 0; i < search->excludedCount; ++i)
        if (reinterpret_cast<HWND>(ParseNumber(search->excluded[i])) == window) return TRUE;
    search->found = window;
    return FALSE;
}

// "wait-window MS [HWND,...]": waits for a program window not in the list.
static int WaitWindow(Target&, char** arguments) {
    DWORD deadline = GetTickCount() + static_cast<DWORD>(ParseNumber(arguments[0]));
    WindowSearch search{arguments + 1, 0, nullptr};
    while (search.excluded[search.excludedCount])
        ++search.excludedCount;
    do {
        EnumWindows(FindNewProgramWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            PrintWindowLine(search.found);
            return 0;
        }
        Sleep(50);
    } while (static_cast<LONG>(deadline - GetTickCount()) > 0);
    return 1;
}

// "post MESSAGE WPARAM LPARAM [COUNT]": queues a message (COUNT times), as
// the shell or the timer would.
static int Post(Target& target, char** arguments) {
    if (int status = RequireWindow(target)) return status;
    UINT_PTR count = arguments[3] ? ParseNumber(arguments[3]) : 1;
    for (UINT_PTR i = 0; i < count; ++i) {
        if (!PostMessageA(target.window, static_cast<UINT>(ParseNumber(arguments[0])),
                          ParseNumber(arguments[1]),
                          static_cast<LPARAM>(ParseNumber(arguments[2]))))
            return 1;
    }
    return 0;
}

// "send MESSAGE WPARAM LPARAM": delivers a message and prints the answer.
static int Send(Target& target, char** arguments) {
    if (int status = RequireWindow(target)) return status;
    LRESULT result =
        SendMessageA(target.window, static_cast<UINT>(ParseNumber(arguments[0])),
                     ParseNumber(arguments[1]), static_cast<LPARAM>(ParseNumber(arguments[2])));
    printf("%lld\n", static_cast<long long>(result));
    return 0;
}

// "post-registered NAME [COUNT]": posts a registered message such as
// "TaskbarCreated" (COUNT times).
static int PostRegistered(Target& target, char** arguments) {
    if (int status = RequireWindow(target)) return status;
    UINT message = RegisterWindowMessageA(arguments[0]);
    UINT_PTR count = arguments[1] ? ParseNumber(arguments[1]) : 1;
    for (UINT_PTR i = 0; i < count; ++i)
        if (!message || !PostMessageA(target.window, message, 0, 0)) return 1;
    return 0;
}

// "tray-forget": removes the program's icon from the notification area behind
// its back, as a shell that restarts loses it.
static int TrayForget(Target& target, char**) {
    if (int status = RequireWindow(target)) return status;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = target.window;
    data.uID = TrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

static BOOL CALLBACK PrintVisibleTooltip(HWND window, LPARAM found) {
    char className[32];
    if (!IsWindowVisible(window) || !GetClassNameA(window, className, sizeof className) ||
        strcmp(className, "tooltips_class32") != 0)
        return TRUE;
    // GetWindowTextA would read the caption, not ask the other process.
    char text[256];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &length))
        return TRUE;
    if (length == 0) return TRUE;
    fwrite(text, 1, length, stdout);
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// "tooltip MS": the text of the tooltip the shell shows (the pointer must be
// on the icon), as its bytes in the ANSI code page.
static int Tooltip(Target&, char** arguments) {
    DWORD deadline = GetTickCount() + static_cast<DWORD>(ParseNumber(arguments[0]));
    bool found = false;
    do {
        EnumWindows(PrintVisibleTooltip, reinterpret_cast<LPARAM>(&found));
        if (found) return 0;
        Sleep(50);
    } while (static_cast<LONG>(deadline - GetTickCount()) > 0);
    return 1;
}

// Live GDI objects of a process. Windows counts them for us; Wine answers 0,
// but keeps each process's GDI handle table where Windows did, at the PEB's
// GdiSharedHandleTable: 24-byte entries with the object type at byte 14.
static constexpr size_t PebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
static constexpr size_t GdiEntrySize = 24;
static constexpr size_t GdiTypeOffset = 14;
static constexpr size_t GdiTableEntries = 65536;

static long CountGdiTableEntries(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0)
        return -1;
    const BYTE* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    void* table = nullptr;
    if (!ReadProcessMemory(process, peb + PebGdiTableOffset, &table, sizeof table, nullptr) ||
        !table)
        return -1;
    size_t size = GdiEntrySize * GdiTableEntries;
    BYTE* entries = static_cast<BYTE*>(malloc(size));
    long used = -1;
    if (entries && ReadProcessMemory(process, table, entries, size, nullptr)) {
        used = 0;
        for (size_t i = 0; i < GdiTableEntries; ++i)
            used += entries[i * GdiEntrySize + GdiTypeOffset] != 0;
    }
    free(entries);
    return used;
}

static long CountGdiObjects(HANDLE process) {
    DWORD counted = GetGuiResources(process, GR_GDIOBJECTS);
    return counted ? static_cast<long>(counted) : CountGdiTableEntries(process);
}

// Kernel handles of a process, from the system's handle list, which Wine
// fills too (its GetProcessHandleCount answers 0).
struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
static constexpr ULONG SystemExtendedHandleInformation = 64;

static long CountKernelHandles(DWORD processId) {
    ULONG size = 1 << 20;
    for (int attempt = 0; attempt < 6; ++attempt, size *= 2) {
        auto* list = static_cast<HandleList*>(malloc(size));
        if (!list) return -1;
        NTSTATUS status = NtQuerySystemInformation(
            static_cast<SYSTEM_INFORMATION_CLASS>(SystemExtendedHandleInformation), list, size,
            nullptr);
        long count = -1;
        if (status == 0) {
            count = 0;
            for (ULONG_PTR i = 0; i < list->count; ++i)
                count += list->entries[i].processId == processId;
        }
        free(list);
        if (status == 0) return count;
    }
    return -1;
}

// "resources": "gdi=N handles=M" of the program's process.
static BOOL CALLBACK FindVisibleMenu(HWND window, LPARAM found) {
    char className[32];
    if (!IsWindowVisible(window) || !GetClassNameA(window, className, sizeof className) ||
        strcmp(className, "#32768") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// "popup-menu MS": the open popup menu window and its screen rectangle,
// "0xHWND LEFT TOP RIGHT BOTTOM".
static int PopupMenu(Target&, char** arguments) {
    DWORD deadline = GetTickCount() + static_cast<DWORD>(ParseNumber(arguments[0]));
    do {
        HWND menu = nullptr;
        EnumWindows(FindVisibleMenu, reinterpret_cast<LPARAM>(&menu));
        RECT bounds;
        if (menu && GetWindowRect(menu, &bounds)) {
            printf("0x%llx %ld %ld %ld %ld\n",
                   static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(menu)), bounds.left,
                   bounds.top, bounds.right, bounds.bottom);
            return 0;
        }
        Sleep(50);
    } while (static_cast<LONG>(deadline - GetTickCount()) > 0);
    return 1;
}

static int Resources(Target& target, char**) {
    if (int status = RequireWindow(target)) return status;
    DWORD processId = WindowProcessId(target.window);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    long gdi = CountGdiObjects(process);
    CloseHandle(process);
    long handles = CountKernelHandles(processId);
    printf("gdi=%ld handles=%ld\n", gdi, handles);
    return gdi < 0 || handles < 0 ? 1 : 0;
}

static unsigned Widen(unsigned field) {
    return (field << 3) | (field >> 2);
}

static bool ReadSource(const char* directory, const char* name, Picture& picture) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", directory, name);
    if (ReadPictureBmp(path, picture)) return true;
    fprintf(stderr, "cannot read %s\n", path);
    return false;
}

// "picture TEMPERATURE BMP-DIRECTORY": the icon the picture rule gives for the
// temperature, as 16 rows of 16 RRGGBB colours widened to 8 bits as a
// 24-bit screen shows them.
static int ExpectedPicture(Target&, char** arguments) {
    PictureSources sources;
    const char* directory = arguments[1];
    if (!ReadSource(directory, "digits.bmp", sources.digitStrip) ||
        !ReadSource(directory, "bg_unknown.bmp", sources.unknownBackground) ||
        !ReadSource(directory, "bg_positive.bmp", sources.positiveBackground) ||
        !ReadSource(directory, "bg_negative.bmp", sources.negativeBackground) ||
        !ReadSource(directory, "bg_zero.bmp", sources.zeroBackground))
        return 1;
    Picture picture = ComposePicture(strtod(arguments[0], nullptr), sources);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Pixel555 pixel = picture.At(x, y);
            printf("%s%02x%02x%02x", x ? " " : "", Widen((pixel >> 10) & 31),
                   Widen((pixel >> 5) & 31), Widen(pixel & 31));
        }
        printf("\n");
    }
    return 0;
}

static LRESULT CALLBACK HoldWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

// "hold": stays on the desktop until killed or closed, so that Wine keeps the
// desktop up between the programs under test.
static int Hold(Target&, char**) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HoldWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZarviloDriverHold";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

static const DriverCommand Commands[] = {
    {"windows", 0, "", ListWindows},
    {"wait-window", 1, "MS [HWND...]", WaitWindow},
    {"post", 3, "MESSAGE WPARAM LPARAM [COUNT]", Post},
    {"send", 3, "MESSAGE WPARAM LPARAM", Send},
    {"post-registered", 1, "NAME [COUNT]", PostRegistered},
    {"tray-forget", 0, "", TrayForget},
    {"tooltip", 1, "MS", Tooltip},
    {"popup-menu", 1, "MS", PopupMenu},
    {"resources", 0, "", Resources},
    {"picture", 2, "TEMPERATURE BMP-DIRECTORY", ExpectedPicture},
    {"hold", 0, "", Hold},
    // The dialogs' commands act on the window given with --window.
    {"dialogs", 0, "", [](Target& t, char** a) { return ListDialogs(t.window, a); }},
    {"control-text", 1, "ID", [](Target& t, char** a) { return ReadControlText(t.window, a); }},
    {"type", 2, "ID HEX", [](Target& t, char** a) { return TypeIntoControl(t.window, a); }},
    {"click", 1, "ID", [](Target& t, char** a) { return ClickControl(t.window, a); }},
    {"control-state", 1, "ID", [](Target& t, char** a) { return ReadControlState(t.window, a); }},
    {"key", 2, "ID VK", [](Target& t, char** a) { return PressKey(t.window, a); }},
    {"sys-colours", 0, "", [](Target& t, char** a) { return PrintSystemColours(t.window, a); }},
};

static int Usage() {
    fprintf(stderr, "usage: zarvilo-driver [--window HWND] COMMAND [ARGUMENTS...]\n");
    for (const DriverCommand& command : Commands)
        fprintf(stderr, "  %s %s\n", command.name, command.usage);
    return 2;
}

int main(int argc, char** argv) {
    Target target{FindWindowA(ProgramClass, nullptr)};
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--window") == 0) {
        target.window = reinterpret_cast<HWND>(ParseNumber(argv[2]));
        first = 3;
    }
    if (first >= argc) return Usage();
    for (const DriverCommand& command : Commands) {
        if (strcmp(argv[first], command.name) != 0) continue;
        if (argc - first - 1 < command.argumentCount) return Usage();
        int status = command.run(target, argv + first + 1);
        fflush(stdout);
        return status;
    }
    return Usage();
}
