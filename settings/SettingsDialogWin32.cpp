#include "settings/SettingsDialogWin32.h"

#include <commctrl.h>
#include <commdlg.h>

#include "base/SystemLibraryWin32.h"
#include "base/Text.h"
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
constexpr wchar_t LogFileFilter[] = L"Все файлы (*.*)\0*.*\0";
constexpr wchar_t LogFileChooserTitle[] = L"Выбор файла журнала";
constexpr wchar_t SettingsCaption[] = L"Зарвило :: установки";
constexpr DWORD LogFileChooserFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT | OFN_LONGNAMES;
// A title size with no title buffer: the chooser ignores it.
constexpr DWORD UnusedFileTitleSize = 20;

// The dialog's own state while it runs; it opens on the main thread only.
const SettingsDialogHost* host;
int32_t workingMinutes;
bool dialogOpen;
unsigned unsavedSettings; // what the last OK could not write

// The names of the texts a save may leave unwritten, in UnsavedSettings' order.
constexpr const wchar_t* UnsavedSettingNames[] = {L"источник данных", L"адрес прокси",
                                                  L"порт прокси", L"файл журнала"};
constexpr wchar_t UnsavedMessageStart[] =
    L"В кодовой странице системы нет некоторых символов, поэтому в файле Quorbel.cfg "
    L"оставлены прежние значения: ";
constexpr wchar_t RefusedMessageStart[] = L"Не удалось сохранить установки в файл ";
constexpr wchar_t UnsavedMessageEnd[] = L".\n\nНовые значения действуют до выхода из программы.";

// The up-down class and the file chooser live in libraries that take
// megabytes to map, so they are loaded only when the dialog needs them.

decltype(&InitCommonControlsEx) registerControls;
decltype(&GetOpenFileNameW) chooseFile;

bool IsTicked(HWND dialog, int checkBox) {
    return SendDlgItemMessageW(dialog, checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
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
    SendDlgItemMessageW(dialog, group.checkBox, BM_SETCHECK, state, 0);
    FollowCheckBox(dialog, group);
}

void ShowWorkingMinutes(HWND dialog) {
    SetDlgItemInt(dialog, IDC_REFRESH_MINUTES, static_cast<UINT>(workingMinutes), TRUE);
}

// The settings' UTF-8 as the control's text; the longest text is the source's.
void ShowText(HWND dialog, int controlId, const char* text) {
    SetDlgItemTextW(dialog, controlId, Utf16FromUtf8<SourceUrlLimit + 1>(text).text);
}

void ShowTextFields(HWND dialog, AppSettings settings) {
    SettingsTextField fields[SettingsTextFieldCount];
    ListSettingsTextFields(settings, fields);
    for (const SettingsTextField& field : fields)
        ShowText(dialog, field.controlId, field.text);
}

// At most limit characters of the control's text, as UTF-8 into text, which
// holds Utf8Size(limit) bytes.
void ReadText(HWND dialog, int controlId, char* text, int limit) {
    wchar_t wide[SourceUrlLimit + 1];
    GetDlgItemTextW(dialog, controlId, wide, limit + 1);
    Utf16ToUtf8(wide, text, static_cast<size_t>(Utf8Size(limit)));
}

void ReadTextFields(HWND dialog, AppSettings& settings) {
    SettingsTextField fields[SettingsTextFieldCount];
    ListSettingsTextFields(settings, fields);
    for (const SettingsTextField& field : fields)
        ReadText(dialog, field.controlId, field.text, field.limit);
}

int32_t ReadMinutesField(HWND dialog) {
    char text[Utf8Size(MinutesTextSize - 1)];
    ReadText(dialog, IDC_REFRESH_MINUTES, text, MinutesTextSize - 1);
    return ReadRefreshMinutes(text);
}

void ShowSettings(HWND dialog) {
    const AppSettings& settings = *host->settings;
    workingMinutes = settings.RefreshTime;
    ShowWorkingMinutes(dialog);
    SendDlgItemMessageW(dialog, IDC_REFRESH_SPIN, UDM_SETBUDDY,
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
    unsavedSettings = SaveSettings(host->configPath, settings);
    host->publish(settings);
    host->refresh();
}

// Names the texts the file kept as they were.
void ListUnsavedSettings(wchar_t* message, unsigned unsaved) {
    lstrcpyW(message, UnsavedMessageStart);
    const wchar_t* separator = L"";
    for (unsigned i = 0; i < sizeof UnsavedSettingNames / sizeof *UnsavedSettingNames; ++i) {
        if ((unsaved & (1u << i)) == 0) continue;
        lstrcatW(message, separator);
        lstrcatW(message, UnsavedSettingNames[i]);
        separator = L", ";
    }
}

// Says what the file did not take: the whole save when the system refused
// it, else the texts its code page lacks; and that the new values hold until
// the program ends.
void ReportUnsavedSettings(HWND owner, unsigned unsaved, const char* configPath) {
    wchar_t message[512];
    if (unsaved & FileRefusedWrite) {
        lstrcpyW(message, RefusedMessageStart);
        lstrcatW(message, Utf16FromUtf8<MAX_PATH>(configPath).text);
    } else {
        ListUnsavedSettings(message, unsaved);
    }
    lstrcatW(message, UnsavedMessageEnd);
    MessageBoxW(owner, message, SettingsCaption, MB_OK | MB_ICONWARNING);
}

// A picked file is the log from now on, even if the dialog is then
// cancelled; only OK writes it to the configuration file.
void ChooseLogFile(HWND dialog) {
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW chooser{};
    chooser.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    chooser.hwndOwner = dialog;
    chooser.lpstrFilter = LogFileFilter;
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = path;
    chooser.nMaxFile = MAX_PATH;
    chooser.nMaxFileTitle = UnusedFileTitleSize;
    chooser.lpstrTitle = LogFileChooserTitle;
    chooser.Flags = LogFileChooserFlags;
    if (!LoadSystemFunctionOnce(chooseFile, L"comdlg32.dll", "GetOpenFileNameW") ||
        !chooseFile(&chooser))
        return;
    AppSettings settings = *host->settings;
    Utf16ToUtf8(path, settings.LogFile, sizeof settings.LogFile);
    host->publish(settings);
    ShowText(dialog, IDC_LOG_FILE, settings.LogFile);
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
    if (!LoadSystemFunctionOnce(registerControls, L"comctl32.dll", "InitCommonControlsEx")) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_UPDOWN_CLASS};
    registerControls(&controls);
}

} // namespace

void OpenSettingsDialog(HINSTANCE instance, HWND owner, const SettingsDialogHost& dialogHost) {
    if (dialogOpen) return;
    host = &dialogHost;
    unsavedSettings = AllSaved;
    RegisterUpDownClass();
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner, SettingsDialogProc, 0);
    if (unsavedSettings != AllSaved)
        ReportUnsavedSettings(owner, unsavedSettings, dialogHost.configPath);
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
