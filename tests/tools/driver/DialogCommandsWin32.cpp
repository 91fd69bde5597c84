#include "DialogCommandsWin32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// Texts cross the command line and stdout as hex of their Windows-1251
// bytes, whatever the locales between.
void PrintHex(const char* text) {
    for (const char* c = text; *c; ++c)
        printf("%02x", static_cast<unsigned char>(*c));
}

bool ParseHex(const char* hex, char* text, size_t size) {
    size_t length = strlen(hex);
    if (length % 2 || length / 2 >= size) return false;
    for (size_t i = 0; i < length / 2; ++i) {
        char pair[3] = {hex[2 * i], hex[2 * i + 1], 0};
        text[i] = static_cast<char>(strtoul(pair, nullptr, 16));
    }
    text[length / 2] = 0;
    return true;
}

int ControlId(const char* text) {
    return static_cast<int>(strtol(text, nullptr, 0));
}

HWND RequireControl(HWND dialog, const char* id) {
    HWND control = GetDlgItem(dialog, ControlId(id));
    if (!control) fprintf(stderr, "no control %s in window %p\n", id, static_cast<void*>(dialog));
    return control;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

BOOL CALLBACK PrintDialogOfProcess(HWND window, LPARAM process) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    if (ProcessOf(window) != static_cast<DWORD>(process)) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    RECT frame;
    GetWindowRect(window, &frame);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    printf("0x%llx %ld,%ld,%ld,%ld %ld,%ld ",
           static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), frame.left,
           frame.top, frame.right, frame.bottom, client.x, client.y);
    PrintHex(caption);
    printf("\n");
    return TRUE;
}

// The edit field that takes typing: the control itself, or the one inside
// a combo box (the file chooser's name field is two combo boxes deep).
HWND EditFieldOf(HWND control) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    if (_stricmp(className, "Edit") == 0) return control;
    for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HWND edit = EditFieldOf(child)) return edit;
    return nullptr;
}

} // namespace

// "dialogs": every visible dialog box of the program's process, one a line:
// "0xHWND FRAME-L,T,R,B CLIENT-X,Y CAPTION-HEX", all on the screen.
int ListDialogs(HWND program, char**) {
    if (!program) return 2;
    EnumWindows(PrintDialogOfProcess, static_cast<LPARAM>(ProcessOf(program)));
    return 0;
}

// "control-text ID": the control's text as hex.
int ReadControlText(HWND dialog, char** arguments) {
    HWND control = RequireControl(dialog, arguments[0]);
    if (!control) return 2;
    char text[4096] = {};
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    PrintHex(text);
    printf("\n");
    return 0;
}

// "type ID HEX": replaces the text of the control's edit field.
int TypeIntoControl(HWND dialog, char** arguments) {
    static char text[4096];
    HWND control = RequireControl(dialog, arguments[0]);
    HWND edit = control ? EditFieldOf(control) : nullptr;
    if (!edit || !ParseHex(arguments[1], text, sizeof text)) return 2;
    return SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? 0 : 1;
}

// "click ID": a button click, queued so that a modal window it opens does
// not hold the driver.
int ClickControl(HWND dialog, char** arguments) {
    HWND control = RequireControl(dialog, arguments[0]);
    return control && PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 2;
}

// "control-state ID": "checked=N enabled=N visible=N rect=L,T,R,B" (screen).
int ReadControlState(HWND dialog, char** arguments) {
    HWND control = RequireControl(dialog, arguments[0]);
    if (!control) return 2;
    RECT rect;
    GetWindowRect(control, &rect);
    printf("checked=%d enabled=%d visible=%d rect=%ld,%ld,%ld,%ld\n",
           static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)), IsWindowEnabled(control),
           IsWindowVisible(control), rect.left, rect.top, rect.right, rect.bottom);
    return 0;
}

// "key ID VK": a key pressed and released in the control (ID 0: the dialog).
int PressKey(HWND dialog, char** arguments) {
    HWND target = ControlId(arguments[0]) ? RequireControl(dialog, arguments[0]) : dialog;
    if (!target) return 2;
    WPARAM key = strtoul(arguments[1], nullptr, 0);
    return PostMessageA(target, WM_KEYDOWN, key, 1) && PostMessageA(target, WM_KEYUP, key, 1) ? 0
                                                                                              : 1;
}

// "sys-colours": button face, shadow, highlight and text as RRGGBB.
int PrintSystemColours(HWND, char**) {
    for (int index : {COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNTEXT}) {
        COLORREF colour = GetSysColor(index);
        printf("%02x%02x%02x ", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    }
    printf("\n");
    return 0;
}
