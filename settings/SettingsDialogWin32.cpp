#include "settings/SettingsDialogWin32.h"

#include <commctrl.h>
#include <commdlg.h>

#include "res/ResourceIds.h"
#include "settings/SettingsRules.h"

namespace {

// A check box and the two controls it enables.
struct CheckBoxGroup {
    int checkBox;
    int first;
    int second;
};

constexpr CheckBoxGroup ProxyGroup{IDC_USE_PROXY, IDC_PROXY_HOST, IDC_PROXY_PORT};
constexpr CheckBoxGroup LogGroup{IDC_WRITE_LOG, IDC_LOG_FILE, IDC_BROWSE_LOG};

// More than the platform's own integer reader looks at.
constexpr int MinutesTextSize = 64;

// One filter; the literal's own terminator ends the list with an empty pair.
constexpr char LogFileFilter[] = "Все файлы (*.*)\0*.*\0";
constexpr char LogFileChooserTitle[] = "Выбор файла журнала";
constexpr DWORD LogFileChooserFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT | OFN_LONGNAMES;
// A title size with no title buffer: the chooser ignores it.
constexpr DWORD UnusedFileTitleSize = 20;

// The dialog's own state while it runs; it opens on the main thread only.
const SettingsDialogHost* host;
int32_t workingMinutes;
bool dialogOpen;

// The up-down class and the file chooser live in libraries that take
// megabytes to map, so they are loaded only when the dialog needs them, and
// once: they are never freed, the registered class keeps calling into its
// library. Only the system folder is searched, never the program's own,
// where a downloaded file of the same name could lie.
HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(fileName) >= MAX_PATH) return nullptr;
    path[length] = '\\';
    lstrcpyA(path + length + 1, fileName);
    return LoadLibraryA(path);
}

template <typename Function>
Function LoadSystemFunctionOnce(Function& cached, const char* library, const char* name) {
    if (cached) return cached;
    HMODULE module = LoadSystemLibrary(library);
    FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return cached = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

decltype(&InitCommonControlsEx) registerControls;
decltype(&GetOpenFileNameA) chooseFile;

bool IsTicked(HWND dialog, int checkBox) {
    return SendDlgItemMessageA(dialog, checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Only a plain tick enables; any other state disables. Texts stay.
void FollowCheckBox(HWND dialog, const CheckBoxGroup& group) {
    BOOL enabled = IsTicked(dialog, group.checkBox);
    EnableWindow(GetDlgItem(dialog, group.first), enabled);
    EnableWindow(GetDlgItem(dialog, group.second), enabled);
}

// A flag counts as on only when positive, as the check box shows it.
void ShowFlag(HWND dialog, const CheckBoxGroup& group, int32_t flag) {
    WPARAM state = flag > 0 ? BST_CHECKED : BST_UNCHECKED;
    SendDlgItemMessageA(dialog, group.checkBox, BM_SETCHECK, state, 0);
    FollowCheckBox(dialog, group);
}

void ShowWorkingMinutes(HWND dialog) {
    SetDlgItemInt(dialog, IDC_REFRESH_MINUTES, static_cast<UINT>(workingMinutes), TRUE);
}

void ShowTextFields(HWND dialog, AppSettings settings) {
    SettingsTextField fields[SettingsTextFieldCount];
    ListSettingsTextFields(settings, fields);
    for (const SettingsTextField& field : fields)
        SetDlgItemTextA(dialog, field.controlId, field.text);
}

void ReadTextFields(HWND dialog, AppSettings& settings) {
    SettingsTextField fields[SettingsTextFieldCount];
    ListSettingsTextFields(settings, fields);
    for (const SettingsTextField& field : fields)
        GetDlgItemTextA(dialog, field.controlId, field.text, field.limit + 1);
}

int32_t ReadMinutesField(HWND dialog) {
    char text[MinutesTextSize];
    GetDlgItemTextA(dialog, IDC_REFRESH_MINUTES, text, sizeof text);
    return ReadRefreshMinutes(text);
}

void ShowSettings(HWND dialog) {
    const AppSettings& settings = *host->settings;
    workingMinutes = settings.RefreshTime;
    ShowWorkingMinutes(dialog);
    SendDlgItemMessageA(dialog, IDC_REFRESH_SPIN, UDM_SETBUDDY,
                        reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_REFRESH_MINUTES)), 0);
    ShowTextFields(dialog, settings);
    ShowFlag(dialog, ProxyGroup, settings.UseProxy);
    ShowFlag(dialog, LogGroup, settings.WriteLog);
    dialogOpen = true;
}

void StepMinutes(HWND dialog, const NMUPDOWN& change) {
    workingMinutes = StepRefreshMinutes(workingMinutes, change.iDelta);
    ShowWorkingMinutes(dialog);
}

void CloseSettingsDialog(HWND dialog, WPARAM command) {
    EndDialog(dialog, static_cast<INT_PTR>(command));
    dialogOpen = false;
}

// The host's publish puts the new settings in force without waiting for a
// running refresh, which keeps its own copy.
void ConfirmSettings(HWND dialog, WPARAM command) {
    AppSettings settings = *host->settings;
    ReadTextFields(dialog, settings);
    CloseSettingsDialog(dialog, command);
    settings.RefreshTime = ReadMinutesField(dialog);
    settings.UseProxy = IsTicked(dialog, IDC_USE_PROXY) ? 1 : 0;
    settings.WriteLog = IsTicked(dialog, IDC_WRITE_LOG) ? 1 : 0;
    SaveSettings(host->configPath, settings);
    host->publish(settings);
    host->refresh();
}

// A picked file is the log from now on, even if the dialog is then
// cancelled; only OK writes it to the configuration file.
void ChooseLogFile(HWND dialog) {
    char path[MAX_PATH] = "";
    OPENFILENAMEA chooser{};
    chooser.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    chooser.hwndOwner = dialog;
    chooser.lpstrFilter = LogFileFilter;
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = path;
    chooser.nMaxFile = sizeof path;
    chooser.nMaxFileTitle = UnusedFileTitleSize;
    chooser.lpstrTitle = LogFileChooserTitle;
    chooser.Flags = LogFileChooserFlags;
    if (!LoadSystemFunctionOnce(chooseFile, "comdlg32.dll", "GetOpenFileNameA") ||
        !chooseFile(&chooser))
        return;
    AppSettings settings = *host->settings;
    lstrcpynA(settings.LogFile, path, sizeof settings.LogFile);
    host->publish(settings);
    SetDlgItemTextA(dialog, IDC_LOG_FILE, settings.LogFile);
}

// Only the control id counts, whatever the notification code.
void OnSettingsCommand(HWND dialog, WPARAM command) {
    switch (LOWORD(command)) {
    case IDOK:
        ConfirmSettings(dialog, command);
        break;
    case IDCANCEL:
        CloseSettingsDialog(dialog, command);
        break;
    case IDC_USE_PROXY:
        FollowCheckBox(dialog, ProxyGroup);
        break;
    case IDC_WRITE_LOG:
        FollowCheckBox(dialog, LogGroup);
        break;
    case IDC_BROWSE_LOG:
        ChooseLogFile(dialog);
        break;
    }
}

void OnSettingsNotify(HWND dialog, const NMHDR& header) {
    if (header.idFrom == IDC_REFRESH_SPIN && header.code == static_cast<UINT>(UDN_DELTAPOS))
        StepMinutes(dialog, reinterpret_cast<const NMUPDOWN&>(header));
}

void RegisterUpDownClass() {
    if (!LoadSystemFunctionOnce(registerControls, "comctl32.dll", "InitCommonControlsEx")) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    registerControls(&controls);
}

} // namespace

void OpenSettingsDialog(HINSTANCE instance, HWND owner, const SettingsDialogHost& dialogHost) {
    if (dialogOpen) return;
    host = &dialogHost;
    RegisterUpDownClass();
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc, 0);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        ShowSettings(dialog);
        return TRUE;
    case WM_NOTIFY:
        OnSettingsNotify(dialog, *reinterpret_cast<const NMHDR*>(lParam));
        break;
    case WM_COMMAND:
        OnSettingsCommand(dialog, wParam);
        break;
    case WM_DESTROY:
        dialogOpen = false;
        break;
    }
    return 0;
}
