// Drives the program from outside for the end-to-end tests, as the shell, Windows or a user
// would: one command a line on stdin ("post 0x1234 273 32772 0"), answered by its lines and
// ".end STATUS"; texts as hex of UTF-8, whatever the code page. Its window keeps Wine's desktop up.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT RunCommandMessage = WM_APP + 1;
HWND cover;
DWORD mainThread;

UINT_PTR Number(const char* text) {
    return static_cast<UINT_PTR>(strtoull(text, nullptr, 0));
}

// "0xHWND", or "0xHWND:ID" for the control ID of that dialog.
HWND Window(const char* text) {
    char* end = nullptr;
    auto window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(text, &end, 0)));
    return *end == ':' ? GetDlgItem(window, atoi(end + 1)) : window;
}

void PrintHex(const wchar_t* text, size_t length) {
    static char utf8[3 * 8192 + 1];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8, sizeof utf8,
                                    nullptr, nullptr);
    for (int i = 0; i < bytes; ++i)
        printf("%02x", static_cast<unsigned char>(utf8[i]));
    printf("\n");
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

BOOL CALLBACK PrintWindowOfClass(HWND window, LPARAM name) {
    if (!HasClass(window, reinterpret_cast<const char*>(name))) return TRUE;
    RECT frame{};
    GetWindowRect(window, &frame);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    // A shown window is asked for its text, a tooltip for the tip it shows;
    // a hidden one may be ending, and only its caption is read.
    wchar_t text[256] = {};
    DWORD_PTR length = 0;
    bool visible = IsWindowVisible(window);
    if (!visible || !SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                                         SMTO_ABORTIFHUNG, 1000, &length))
        length = GetWindowTextW(window, text, 256);
    printf("0x%llx %lu %d %ld %ld %ld %ld %ld %ld ",
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), ProcessOf(window),
           visible, frame.left, frame.top, frame.right, frame.bottom, client.x, client.y);
    PrintHex(text, length);
    return TRUE;
}

// "windows CLASS": every top-level window of the class, one a line: "0xHWND
// PROCESS VISIBLE LEFT TOP RIGHT BOTTOM CLIENT-X CLIENT-Y TEXT" (screen).
int Windows(char** a) {
    EnumWindows(PrintWindowOfClass, reinterpret_cast<LPARAM>(a[0]));
    return 0;
}

// "CHECKED ENABLED LEFT TOP RIGHT BOTTOM TEXT" of a window (on the screen).
bool PrintState(HWND window) {
    static wchar_t text[8192];
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    printf("%d %d %ld %ld %ld %ld ", static_cast<int>(SendMessageA(window, BM_GETCHECK, 0, 0)),
           IsWindowEnabled(window), r.left, r.top, r.right, r.bottom);
    PrintHex(text, SendMessageW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text)));
    return true;
}

// "state WINDOW": its state, as above.
int State(char** a) {
    return PrintState(Window(a[0])) ? 0 : 2;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    printf("%d ", GetDlgCtrlID(control));
    return PrintState(control);
}

// "controls WINDOW": every control of a dialog, one a line: "ID" and its state.
int Controls(char** a) {
    EnumChildWindows(Window(a[0]), PrintControl, 0);
    return 0;
}

// "post WINDOW MESSAGE WPARAM LPARAM [COUNT]": queues a message COUNT times (a
// click too: a modal window it opens holds nobody). A MESSAGE that is a name
// is registered first ("TaskbarCreated", which Wine's shell never broadcasts).
int Post(char** a) {
    UINT message =
        isdigit(a[1][0]) ? static_cast<UINT>(Number(a[1])) : RegisterWindowMessageA(a[1]);
    for (UINT_PTR i = 0, count = a[4] ? Number(a[4]) : 1; i < count; ++i)
        if (!message ||
            !PostMessageA(Window(a[0]), message, Number(a[2]), static_cast<LPARAM>(Number(a[3]))))
            return 1;
    return 0;
}

// "tray-forget HWND": removes the program's icon 1 behind its back, as a
// shell that restarts loses it.
int TrayForget(char** a) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE, data.hWnd = Window(a[0]), data.uID = 1;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
}

// Live GDI objects of a process. Wine counts none, but keeps the GDI handle
// table at the 64-bit PEB's GdiSharedHandleTable, 24-byte entries with the
// type at byte 14. Of a 32-bit process Wine reports the 32-bit PEB, whose
// table pointer stays empty; the 64-bit PEB is the page before it.
long CountGdiObjects(HANDLE process) {
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

// "resources HWND": "GDI HANDLES" of the window's process, the kernel handles
// from the system's handle list, which Wine fills (it counts none per process).
int Resources(char** a) {
    DWORD processId = ProcessOf(Window(a[0]));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    long gdi = process ? CountGdiObjects(process) : -1;
    CloseHandle(process);
    struct List {
        ULONG_PTR count, reserved;
        struct {
            PVOID object;
            ULONG_PTR processId, handle;
            ULONG access, types, attributes, reserved;
        } entries[1];
    };
    constexpr ULONG size = 64 << 20;
    auto* list = static_cast<List*>(malloc(size));
    long handles = -1;
    if (list && NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(64), list, size,
                                         nullptr) == 0)
        for (ULONG_PTR i = handles = 0; i < list->count; ++i)
            handles += list->entries[i].processId == processId;
    free(list);
    printf("%ld %ld\n", gdi, handles);
    return gdi <= 0 || handles <= 0;
}

// "module WINDOW NAME": the full path of the library NAME ("comctl32.dll") as
// loaded in the window's process; status 1 when it is not loaded.
int Module(char** a) {
    wchar_t name[MAX_PATH];
    MultiByteToWideChar(CP_UTF8, 0, a[1], -1, name, MAX_PATH);
    HANDLE snapshot =
        CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, ProcessOf(Window(a[0])));
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    int status = 1;
    for (BOOL more = Module32FirstW(snapshot, &module); more && status;
         more = Module32NextW(snapshot, &module))
        if (lstrcmpiW(module.szModule, name) == 0) {
            PrintHex(module.szExePath, static_cast<size_t>(lstrlenW(module.szExePath)));
            status = 0;
        }
    CloseHandle(snapshot);
    return status;
}

// "type WINDOW HEX": replaces the text of the window's edit field (the file
// chooser's name field is two combo boxes deep).
int Type(char** a) {
    static char utf8[3 * 8192];
    static wchar_t text[8192];
    HWND edit = Window(a[0]);
    while (edit && !HasClass(edit, "Edit"))
        edit = GetWindow(edit, GW_CHILD);
    size_t length = strlen(a[1]) / 2;
    if (!edit || length >= sizeof utf8) return 2;
    for (unsigned i = 0, byte = 0; i < length && sscanf(a[1] + 2 * i, "%2x", &byte) == 1; ++i)
        utf8[i] = static_cast<char>(byte);
    utf8[length] = 0;
    if (!MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 8192)) return 2;
    return SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? 0 : 1;
}

// "cover LEFT TOP RIGHT BOTTOM": the driver's window, black and topmost, over
// that part of the screen, showing the hand cursor; "cover" alone hides it.
int Cover(char** a) {
    if (!a[0]) return ShowWindow(cover, SW_HIDE) ? 0 : 1;
    int left = static_cast<int>(Number(a[0])), top = static_cast<int>(Number(a[1]));
    SetWindowPos(cover, HWND_TOPMOST, left, top, static_cast<int>(Number(a[2])) - left,
                 static_cast<int>(Number(a[3])) - top, SWP_SHOWWINDOW);
    return UpdateWindow(cover) ? 0 : 1;
}

struct Command {
    const char* name;
    int argumentCount;
    int (*run)(char** arguments);
};

const Command Commands[] = {
    {"windows", 1, Windows},     {"post", 4, Post},         {"tray-forget", 1, TrayForget},
    {"resources", 1, Resources}, {"type", 2, Type},         {"state", 1, State},
    {"cover", 0, Cover},         {"controls", 1, Controls}, {"module", 2, Module},
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

// Hands each command to the main thread, which runs them between its messages.
DWORD WINAPI ReadCommands(LPVOID) {
    static char line[65536];
    while (fgets(line, sizeof line, stdin))
        PostThreadMessageA(mainThread, RunCommandMessage, 0,
                           reinterpret_cast<LPARAM>(_strdup(line)));
    PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
    return 0;
}

} // namespace

int main() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_HAND);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "ZarviloDriver";
    cover = CreateWindowExA(WS_EX_TOPMOST, MAKEINTATOM(RegisterClassA(&windowClass)), nullptr,
                            WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the reader posts
    mainThread = GetCurrentThreadId();
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd || message.message != RunCommandMessage) {
            DispatchMessageA(&message);
        } else {
            RunCommand(reinterpret_cast<char*>(message.lParam));
            free(reinterpret_cast<char*>(message.lParam));
        }
    }
    return 0;
}
