#include "app/StartWithWindowsWin32.h"

#include <windows.h>
#include <shlobj.h>

#include "app/AppState.h"
#include "app/StartWithWindows.h"
#include "app/StartupPaths.h"
#include "base/SystemLibraryWin32.h"

namespace {

// Task Manager's Startup tab keeps its enabled mark of each shortcut in the
// Startup folder here, in a value named after the shortcut's file.
constexpr wchar_t ApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
// Its values are 12 bytes; a longer one counts as no value.
constexpr DWORD ApprovedValueSize = 64;

struct Shortcut {
    wchar_t name[ShortcutNameSize];
    wchar_t path[MAX_PATH];
};

// The folder the program was started in, where its Quorbel.cfg is: the
// current directory may have moved since (the file chooser moves it). Not
// whole before the configuration's path is known.
Utf16Text<PathBufferSize> StartupFolder() {
    Utf16Text<PathBufferSize> folder = Utf16FromUtf8<PathBufferSize>(appState.configPath);
    const int end = lstrlenW(folder.text) - static_cast<int>(sizeof ConfigFileName - 1);
    folder.whole = folder.whole && end > 0;
    folder.text[folder.whole ? end : 0] = L'\0';
    return folder;
}

bool LocateShortcut(const wchar_t* folder, Shortcut& shortcut) {
    StartupShortcutName(folder, shortcut.name);
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_STARTUP | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, shortcut.path)))
        return false;
    const int length = lstrlenW(shortcut.path);
    if (length + 1 + lstrlenW(shortcut.name) >= MAX_PATH) return false;
    shortcut.path[length] = L'\\';
    lstrcpyW(shortcut.path + length + 1, shortcut.name);
    return true;
}

bool ThisProgram(wchar_t (&path)[MAX_PATH]) {
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

bool IsApproved(const wchar_t* name) {
    BYTE value[ApprovedValueSize];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, ApprovedKey, name, RRF_RT_REG_BINARY, nullptr, value,
                     &size) != ERROR_SUCCESS)
        size = 0;
    return StartupApprovedAllows(value, size);
}

// ole32 and COM cost memory in every run: they wait until the item is first
// shown or used, and start on the main thread.
decltype(&CoInitializeEx) initializeCom;
decltype(&CoCreateInstance) createComObject;

bool StartCom() {
    static bool started;
    if (!started && LoadSystemFunctionOnce(initializeCom, L"ole32.dll", "CoInitializeEx") &&
        LoadSystemFunctionOnce(createComObject, L"ole32.dll", "CoCreateInstance"))
        started = SUCCEEDED(initializeCom(nullptr, COINIT_APARTMENTTHREADED));
    return started;
}

// A shell link object with its file interface; file is null when either is
// missing.
struct LinkObject {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;

    LinkObject() {
        if (StartCom() &&
            SUCCEEDED(createComObject(__uuidof(::ShellLink), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IShellLinkW), reinterpret_cast<void**>(&link))))
            link->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file));
    }
    ~LinkObject() {
        if (file) file->Release();
        if (link) link->Release();
    }
};

bool StartsHere(const Shortcut& shortcut, const wchar_t* folder) {
    wchar_t exe[MAX_PATH], target[MAX_PATH], directory[MAX_PATH];
    LinkObject shortcutFile;
    return ThisProgram(exe) && shortcutFile.file &&
           SUCCEEDED(shortcutFile.file->Load(shortcut.path, STGM_READ)) &&
           shortcutFile.link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK &&
           lstrcmpiW(target, exe) == 0 &&
           SUCCEEDED(shortcutFile.link->GetWorkingDirectory(directory, MAX_PATH)) &&
           lstrcmpiW(directory, folder) == 0;
}

void MakeShortcut(const Shortcut& shortcut, const wchar_t* folder) {
    wchar_t exe[MAX_PATH];
    LinkObject shortcutFile;
    if (ThisProgram(exe) && shortcutFile.file && SUCCEEDED(shortcutFile.link->SetPath(exe)) &&
        SUCCEEDED(shortcutFile.link->SetWorkingDirectory(folder)))
        shortcutFile.file->Save(shortcut.path, TRUE);
}

} // namespace

bool StartsWithWindows() {
    const Utf16Text<PathBufferSize> folder = StartupFolder();
    Shortcut shortcut;
    return folder.whole && LocateShortcut(folder.text, shortcut) &&
           StartsHere(shortcut, folder.text) && IsApproved(shortcut.name);
}

void SetStartWithWindows(bool on) {
    const Utf16Text<PathBufferSize> folder = StartupFolder();
    Shortcut shortcut;
    if (!folder.whole || !LocateShortcut(folder.text, shortcut)) return;
    // Task Manager's mark goes with the shortcut: a new one starts enabled.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ApprovedKey, shortcut.name);
    if (on)
        MakeShortcut(shortcut, folder.text);
    else
        DeleteFileW(shortcut.path);
}
