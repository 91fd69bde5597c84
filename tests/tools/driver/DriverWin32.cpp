// Drives a running program from outside, as the shell, Windows or a user
// would, for the end-to-end tests. One process serves a whole test run: it
// reads commands from stdin, one a line ("post 0x1234 273 32772 0"), and
// answers each with its output lines and a closing line ".end STATUS".
// Texts cross in hex of their Windows-1251 bytes, whatever the locales between.
// Its main thread also keeps a window on the desktop, so that Wine keeps the
// desktop up between the programs under test.
#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr UINT RunCommandMessage = WM_APP + 1;
HWND cover;

UINT_PTR Number(const char* text) {
    return static_cast<UINT_PTR>(strtoull(text, nullptr, 0));
}

HWND Window(const char* text) {
    return reinterpret_cast<HWND>(Number(text));
}

void PrintHex(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        printf("%02x", static_cast<unsigned char>(text[i]));
    printf("\n");
}

void PrintHandle(HWND window) {
    printf("0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

bool HasClass(HWND window, const char* name) {
    char className[32] = {};
    return GetClassNameA(window, className, sizeof className) && strcmp(className, name) == 0;
}

// Runs the desktop's messages for a while, so that windows get painted.
void Pump(DWORD milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
}

// Repeats a search every 50 ms until it finds something or time runs out.
template <typename Search> int WaitFor(const char* milliseconds, Search search) {
    DWORD deadline = GetTickCount() + static_cast<DWORD>(Number(milliseconds));
    do {
        if (search()) return 0;
        Sleep(50);
    } while (static_cast<LONG>(deadline - GetTickCount()) > 0);
    return 1;
}

BOOL CALLBACK PrintProgramWindow(HWND window, LPARAM) {
    if (HasClass(window, "Zarvilo")) {
        PrintHandle(window);
        printf(" %lu\n", ProcessOf(window));
    }
    return TRUE;
}

// "windows": every window of the program's class with its process, one a line.
int Windows(char**) {
    EnumWindows(PrintProgramWindow, 0);
    return 0;
}

// "post HWND MESSAGE WPARAM LPARAM [COUNT]": queues a message COUNT times.
int Post(char** a) {
    UINT_PTR count = a[4] ? Number(a[4]) : 1;
    for (UINT_PTR i = 0; i < count; ++i)
        if (!PostMessageA(Window(a[0]), static_cast<UINT>(Number(a[1])), Number(a[2]),
                          static_cast<LPARAM>(Number(a[3]))))
            return 1;
    return 0;
}

// "post-registered HWND NAME [COUNT]": posts a registered message such as
// "TaskbarCreated", which Wine's shell never broadcasts.
int PostRegistered(char** a) {
    UINT message = RegisterWindowMessageA(a[1]);
    UINT_PTR count = a[2] ? Number(a[2]) : 1;
    for (UINT_PTR i = 0; i < count; ++i)
        if (!message || !PostMessageA(Window(a[0]), message, 0, 0)) return 1;
    return 0;
}

// "tray-forget HWND": removes the program's icon 1 behind its back, as a
// shell that restarts loses it.
int TrayForget(char** a) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = Window(a[0]);
    data.uID = 1;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

BOOL CALLBACK PrintVisibleTooltip(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !HasClass(window, "tooltips_class32")) return TRUE;
    // GetWindowTextA would read the caption, not ask the other process.
    char text[256];
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &length) ||
        length == 0)
        return TRUE;
    PrintHex(text, length);
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// "tooltip MS": the text of the tooltip the shell shows (the pointer must be on the icon).
int Tooltip(char** a) {
    return WaitFor(a[0], [] {
        bool found = false;
        EnumWindows(PrintVisibleTooltip, reinterpret_cast<LPARAM>(&found));
        return found;
    });
}

BOOL CALLBACK FindVisibleMenu(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !HasClass(window, "#32768")) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// "popup-menu MS": the open popup menu, "0xHWND LEFT TOP RIGHT BOTTOM".
int PopupMenu(char** a) {
    return WaitFor(a[0], [] {
        HWND menu = nullptr;
        EnumWindows(FindVisibleMenu, reinterpret_cast<LPARAM>(&menu));
        RECT r;
        if (!menu || !GetWindowRect(menu, &r)) return false;
        PrintHandle(menu);
        printf(" %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return true;
    });
}

// Live GDI objects of a process. Windows counts them; Wine answers 0, but
// keeps each process's GDI handle table where 64-bit Windows did, at the
// 64-bit PEB's GdiSharedHandleTable: 24-byte entries, the object type at
// byte 14. Of a 32-bit process Wine reports its 32-bit PEB, whose table
// pointer stays empty; the 64-bit PEB is the page before it.
long CountGdiObjects(HANDLE process) {
    if (DWORD counted = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<long>(counted);
    constexpr size_t entrySize = 24, entries = 65536;
    PROCESS_BASIC_INFORMATION basic{};
    UINT64 table = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0 ||
        !ReadProcessMemory(process,
                           reinterpret_cast<BYTE*>(basic.PebBaseAddress) + 0xF8 -
                               (sizeof(void*) == 4 ? 0x1000 : 0),
                           &table, sizeof table, nullptr) ||
        !table)
        return -1;
    BYTE* copy = static_cast<BYTE*>(malloc(entrySize * entries));
    long used = -1;
    if (copy && ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<UINT_PTR>(table)),
                                  copy, entrySize * entries, nullptr)) {
        used = 0;
        for (size_t i = 0; i < entries; ++i)
            used += copy[i * entrySize + 14] != 0;
    }
    free(copy);
    return used;
}

// Kernel handles of a process, from the system's handle list, which Wine
// fills too (its GetProcessHandleCount answers 0).
long CountKernelHandles(DWORD processId) {
    struct Entry {
        PVOID object;
        ULONG_PTR processId, handle;
        ULONG access;
        USHORT creatorBackTrace, objectType;
        ULONG attributes, reserved;
    };
    struct List {
        ULONG_PTR count, reserved;
        Entry entries[1];
    };
    for (ULONG size = 1 << 20; size <= 1 << 26; size *= 2) {
        auto* list = static_cast<List*>(malloc(size));
        if (!list) return -1;
        long count = -1;
        if (NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(64), list, size,
                                     nullptr) == 0) {
            count = 0;
            for (ULONG_PTR i = 0; i < list->count; ++i)
                count += list->entries[i].processId == processId;
        }
        free(list);
        if (count >= 0) return count;
    }
    return -1;
}

// "resources HWND": "GDI HANDLES" of the window's process.
int Resources(char** a) {
    DWORD processId = ProcessOf(Window(a[0]));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    long gdi = CountGdiObjects(process);
    CloseHandle(process);
    long handles = CountKernelHandles(processId);
    printf("%ld %ld\n", gdi, handles);
    return gdi <= 0 || handles <= 0;
}

BOOL CALLBACK PrintDialogOfProcess(HWND window, LPARAM process) {
    if (!HasClass(window, "#32770") || ProcessOf(window) != static_cast<DWORD>(process)) return TRUE;
    POINT client{0, 0};
    ClientToScreen(window, &client);
    PrintHandle(window);
    printf(" %d %ld %ld ", IsWindowVisible(window), client.x, client.y);
    char caption[256] = {};
    PrintHex(caption, GetWindowTextA(window, caption, sizeof caption));
    return TRUE;
}

// "dialogs HWND": the dialog boxes of the window's process, one a line:
// "0xHWND VISIBLE CLIENT-X CLIENT-Y CAPTION". A dialog that has ended is
// hidden at once and gone once its procedure has returned.
int Dialogs(char** a) {
    EnumWindows(PrintDialogOfProcess, static_cast<LPARAM>(ProcessOf(Window(a[0]))));
    return 0;
}

// The control ID of a dialog (0: the dialog itself); for typing, the edit
// field inside it (the file chooser's name field is two combo boxes deep).
HWND Control(char** a, bool edit = false) {
    HWND control = Number(a[1]) ? GetDlgItem(Window(a[0]), static_cast<int>(Number(a[1])))
                                : Window(a[0]);
    while (edit && control && !HasClass(control, "Edit"))
        control = GetWindow(control, GW_CHILD);
    return control;
}

// "text HWND ID": the control's text.
int Text(char** a) {
    static char text[8192];
    HWND control = Control(a);
    if (!control) return 2;
    PrintHex(text, SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)));
    return 0;
}

// "type HWND ID HEX": replaces the text of the control's edit field.
int Type(char** a) {
    static char text[8192];
    HWND edit = Control(a, true);
    size_t length = strlen(a[2]) / 2;
    if (!edit || length >= sizeof text) return 2;
    for (size_t i = 0; i < length; ++i) {
        char pair[3] = {a[2][2 * i], a[2][2 * i + 1], 0};
        text[i] = static_cast<char>(strtoul(pair, nullptr, 16));
    }
    text[length] = 0;
    return SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? 0 : 1;
}

// "click HWND ID": a button click, queued so that a modal window it opens
// does not hold the driver.
int Click(char** a) {
    HWND control = Control(a);
    return control && PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 2;
}

// "state HWND ID": "CHECKED ENABLED LEFT TOP RIGHT BOTTOM" (screen).
int State(char** a) {
    HWND control = Control(a);
    RECT r;
    if (!control || !GetWindowRect(control, &r)) return 2;
    printf("%d %d %ld %ld %ld %ld\n", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)),
           IsWindowEnabled(control), r.left, r.top, r.right, r.bottom);
    return 0;
}

// "key HWND ID VK": a key pressed and released in the control.
int Key(char** a) {
    HWND target = Control(a);
    WPARAM key = Number(a[2]);
    return target && PostMessageA(target, WM_KEYDOWN, key, 1) && PostMessageA(target, WM_KEYUP, key, 1)
               ? 0
               : 2;
}

// "colours": button face, shadow, highlight and text as RRGGBB.
int Colours(char**) {
    for (int index : {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNTEXT}) {
        COLORREF c = GetSysColor(index);
        printf("%02x%02x%02x ", GetRValue(c), GetGValue(c), GetBValue(c));
    }
    printf("\n");
    return 0;
}

// "cover LEFT TOP RIGHT BOTTOM": a black topmost window over that part of
// the screen, showing the hand cursor; "uncover" takes it away.
int Cover(char** a) {
    int left = static_cast<int>(Number(a[0])), top = static_cast<int>(Number(a[1]));
    cover = CreateWindowExA(WS_EX_TOPMOST, "ZarviloDriverCover", "", WS_POPUP | WS_VISIBLE, left, top,
                            static_cast<int>(Number(a[2])) - left,
                            static_cast<int>(Number(a[3])) - top, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    Pump(300);
    return cover ? 0 : 1;
}

int Uncover(char**) {
    bool gone = DestroyWindow(cover);
    Pump(300);
    return gone ? 0 : 1;
}

struct Command {
    const char* name;
    int argumentCount;
    int (*run)(char** arguments);
};

const Command Commands[] = {
    {"windows", 0, Windows},     {"post", 4, Post},         {"post-registered", 2, PostRegistered},
    {"tray-forget", 1, TrayForget}, {"tooltip", 1, Tooltip}, {"popup-menu", 1, PopupMenu},
    {"resources", 1, Resources}, {"dialogs", 1, Dialogs},   {"text", 2, Text},
    {"type", 3, Type},           {"click", 2, Click},       {"state", 2, State},
    {"key", 3, Key},             {"colours", 0, Colours},   {"cover", 4, Cover},
    {"uncover", 0, Uncover},
};

void RunCommand(char* line) {
    char* words[16] = {};
    int count = 0;
    for (char* word = strtok(line, " \r\n"); word && count < 15; word = strtok(nullptr, " \r\n"))
        words[count++] = word;
    int status = 2;
    for (const Command& command : Commands)
        if (count > 0 && strcmp(words[0], command.name) == 0 && count > command.argumentCount)
            status = command.run(words + 1);
    printf(".end %d\n", status);
    fflush(stdout);
}

// Reads the commands and hands each to the main thread, which runs them
// between the desktop's messages; at the end of the input the driver ends.
DWORD WINAPI ReadCommands(LPVOID mainThread) {
    static char line[65536];
    while (fgets(line, sizeof line, stdin))
        PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(mainThread)),
                           RunCommandMessage, 0, reinterpret_cast<LPARAM>(_strdup(line)));
    PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(mainThread)), WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int main() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_HAND);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ZarviloDriverCover";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the reader posts
    UINT_PTR self = GetCurrentThreadId();
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, reinterpret_cast<LPVOID>(self), 0, nullptr));
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd || message.message != RunCommandMessage) {
            DispatchMessageA(&message);
            continue;
        }
        char* line = reinterpret_cast<char*>(message.lParam);
        RunCommand(line);
        free(line);
    }
    return 0;
}
