// The settings dialog under Wine: its template, opening, spin steps, check
// boxes, OK against a real configuration file, Cancel, the file chooser and
// the refresh that OK starts, seen by a real listening socket.
// Sockets first: the dialog's header brings in windows.h.
#include <winsock2.h>

#include "settings/SettingsDialogWin32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindowWin32.h"
#include "res/ResourceIds.h"
#include "tests/support/DialogDriverWin32.h"
#include "tests/support/DialogTemplateWin32.h"
#include "tests/support/ImportPatchWin32.h"

namespace {

const char SettingsCaption[] =
    "\xC7\xE0\xF0\xE2\xE8\xEB\xEE :: \xF3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE8";

// ---- the template ---------------------------------------------------------

constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
constexpr DWORD Field = Child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD Label = Child | SS_LEFT | WS_GROUP;

const ExpectedControl SettingsControls[] = {
    {IDOK, "button", "OK", 145, 206, 50, 14, Child | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {IDCANCEL, "button", "Cancel", 90, 206, 50, 14, Child | BS_PUSHBUTTON | WS_TABSTOP, 0},
    {IDC_PROXY_HOST, "edit", "", 37, 107, 78, 12, Field, 0},
    {-1, "static", "\xE0\xE4\xF0\xE5\xF1", 11, 109, 21, 10, Label, 0},
    {-1, "static", ": \xEF\xEE\xF0\xF2", 121, 109, 21, 10, Label, 0},
    {IDC_PROXY_PORT, "edit", "", 144, 107, 42, 12, Field | ES_NUMBER, WS_EX_RIGHT},
    {-1, "button", "\xCF\xF0\xEE\xEA\xF1\xE8", 2, 73, 193, 54, Child | BS_GROUPBOX, 0},
    {IDC_USE_PROXY, "button",
     "\xE8\xF1\xEF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xFC \xEF\xF0\xEE\xEA\xF1\xE8 "
     "\xF1\xE5\xF0\xE2\xE5\xF0",
     13, 89, 115, 12, Child | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {-1, "button", "\xC8\xF1\xF2\xEE\xF7\xED\xE8\xEA", 2, 7, 193, 56, Child | BS_GROUPBOX, 0},
    {IDC_SOURCE_URL, "edit", "", 12, 23, 174, 13, Field, 0},
    {IDC_REFRESH_SPIN, "msctls_updown32", "", 177, 41, 7, 13,
     Child | UDS_ARROWKEYS | UDS_ALIGNRIGHT, 0},
    {IDC_REFRESH_MINUTES, "edit", "", 81, 42, 38, 12, Field | ES_NUMBER | ES_RIGHT, WS_EX_RIGHT},
    {-1, "static", "\xEE\xE1\xED\xEE\xE2\xEB\xFF\xF2\xFC \xEA\xE0\xE6\xE4\xFB\xE5", 11, 43, 68, 12,
     Label, 0},
    {-1, "static", "\xEC\xE8\xED\xF3\xF2", 123, 43, 23, 9, Label, 0},
    {-1, "button", "\xC6\xF3\xF0\xED\xE0\xEB", 2, 137, 193, 54, Child | BS_GROUPBOX, 0},
    {IDC_WRITE_LOG, "button",
     "\xE2\xE5\xF1\xF2\xE8 \xE6\xF3\xF0\xED\xE0\xEB \xE8\xE7\xEC\xE5\xED\xE5\xED\xE8\xE9 "
     "\xF2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xFB",
     13, 153, 148, 11, Child | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {-1, "static", "\xF4\xE0\xE9\xEB", 13, 172, 22, 10, Label, 0},
    {IDC_LOG_FILE, "edit", "", 37, 171, 132, 12, Field, 0},
    {IDC_BROWSE_LOG, "button", "...", 171, 171, 14, 13, Child | BS_PUSHBUTTON | WS_TABSTOP, 0},
};

TEST(SettingsTemplateTest, HasTheDialogStylesFontAndCaption) {
    ExpectModalFrameDialog(ReadDialogTemplate(IDD_SETTINGS), 198, 223, SettingsCaption);
}

TEST(SettingsTemplateTest, HoldsTheNineteenControlsInTabOrder) {
    ExpectControls(ReadDialogTemplate(IDD_SETTINGS), SettingsControls);
}

// ---- registration of the up-down class ------------------------------------

INITCOMMONCONTROLSEX seenRegistration;
int registrationCalls;

BOOL WINAPI RecordRegistration(const INITCOMMONCONTROLSEX* controls) {
    ++registrationCalls;
    seenRegistration = *controls;
    return TRUE;
}

// The library is loaded on first use; the call goes to its function.
TEST(PrepareSettingsDialogTest, RegistersTheUpDownClassFromItsLibrary) {
    {
        LookUpPatch lookUp("InitCommonControlsEx", reinterpret_cast<void*>(RecordRegistration));
        ASSERT_TRUE(lookUp.Active());
        registrationCalls = 0;
        PrepareSettingsDialog();
        ASSERT_NE(GetModuleHandleA("comctl32.dll"), nullptr);
        EXPECT_EQ(lookUp.AskedModule(), GetModuleHandleA("comctl32.dll"));
    }
    EXPECT_EQ(registrationCalls, 1);
    EXPECT_EQ(seenRegistration.dwSize, sizeof(INITCOMMONCONTROLSEX));
    EXPECT_TRUE(seenRegistration.dwICC & ICC_UPDOWN_CLASS);
    PrepareSettingsDialog();
    WNDCLASSEXA upDown{};
    upDown.cbSize = sizeof upDown;
    EXPECT_TRUE(GetClassInfoExA(nullptr, UPDOWN_CLASSA, &upDown));
}

TEST(PrepareSettingsDialogTest, WithoutItsLibraryCallsNothing) {
    LoadFailurePatch missing("comctl32.dll");
    LookUpPatch lookUp("InitCommonControlsEx", reinterpret_cast<void*>(RecordRegistration));
    ASSERT_TRUE(missing.Active() && lookUp.Active());
    registrationCalls = 0;
    PrepareSettingsDialog();
    EXPECT_EQ(registrationCalls, 0);
}

// ---- a refresh's peer: a listening socket on 127.0.0.1 --------------------

// Accepts connections on a loopback port and keeps the first request line.
class RequestRecorder {
  public:
    RequestRecorder() {
        listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        listen(listener, 4);
    }
    ~RequestRecorder() { closesocket(listener); }

    // The first line of the next request, or "" when none comes in time.
    std::string NextRequestLine(long seconds = 10) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait{seconds, 0};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) return "";
        SOCKET peer = accept(listener, nullptr, nullptr);
        char request[512] = {};
        recv(peer, request, sizeof request - 1, 0);
        closesocket(peer);
        std::string text = request;
        return text.substr(0, text.find("\r\n"));
    }

    int port = 0;

  private:
    SOCKET listener;
};

// A port on which nothing listens: refreshes started by OK fail at once.
int ClosedPort() {
    RequestRecorder vanishing;
    return vanishing.port;
}

// ---- the dialog, modeless, on a scratch configuration file ----------------

std::string ReadFile(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

void WriteFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

// The file's non-empty lines, in order.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class SettingsDialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(0x0101, &data);
        PrepareSettingsDialog();
    }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        directory = std::string(temp) + "zarvilo-settings-" +
                    std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        CreateDirectoryA(directory.c_str(), nullptr);
        configPath = directory + "\\Quorbel.cfg";
        lstrcpynA(appState.configPath, configPath.c_str(), sizeof appState.configPath);
        sourceUrl = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/files/weather.js";
        settings = AppSettings{};
        lstrcpynA(settings.SourceURL, sourceUrl.c_str(), sizeof settings.SourceURL);
        settings.RefreshTime = 25;
        settings.UseProxy = 1;
        lstrcpynA(settings.HostName, "proxy.example", sizeof settings.HostName);
        lstrcpynA(settings.RemotePort, "3128", sizeof settings.RemotePort);
        settings.WriteLog = 0;
        lstrcpynA(settings.LogFile, "C:\\logs\\zarvilo.log", sizeof settings.LogFile);
        appState.settingsDialogOpen = 0;
    }

    void TearDown() override {
        if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
        // A refresh started by OK may still run; let it end before the next test.
        LockHolder wait(refreshLock);
        DeleteFileA(configPath.c_str());
        RemoveDirectoryA(directory.c_str());
    }

    void Open() {
        PublishSettings(settings);
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS),
                                    nullptr, SettingsDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }

    HWND Control(int id) const { return GetDlgItem(dialog, id); }

    std::string Text(int id) const {
        char text[4096] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }

    void Type(int id, const std::string& text) const {
        SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    void Click(int id) const { SendMessageA(Control(id), BM_CLICK, 0, 0); }
    bool Ticked(int id) const {
        return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool Enabled(int id) const { return IsWindowEnabled(Control(id)); }

    // The spin control's notification, as its arrows send it.
    void Spin(int delta) const {
        NMUPDOWN change{};
        change.hdr.hwndFrom = Control(IDC_REFRESH_SPIN);
        change.hdr.idFrom = IDC_REFRESH_SPIN;
        change.hdr.code = UDN_DELTAPOS;
        change.iDelta = delta;
        SendMessageA(dialog, WM_NOTIFY, IDC_REFRESH_SPIN, reinterpret_cast<LPARAM>(&change));
    }

    std::string Config() const { return ReadFile(configPath); }

    static inline int serial = 0;
    std::string directory;
    std::string configPath;
    std::string sourceUrl;
    AppSettings settings{};
    HWND dialog = nullptr;
};

// ---- opening --------------------------------------------------------------

TEST_F(SettingsDialogTest, OpensWithEverySettingShown) {
    Open();
    EXPECT_EQ(appState.settingsDialogOpen, 1);
    EXPECT_EQ(appState.workingMinutes, 25);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), "25");
    EXPECT_EQ(Text(IDC_SOURCE_URL), sourceUrl);
    EXPECT_EQ(Text(IDC_PROXY_HOST), "proxy.example");
    EXPECT_EQ(Text(IDC_PROXY_PORT), "3128");
    EXPECT_EQ(Text(IDC_LOG_FILE), "C:\\logs\\zarvilo.log");
    EXPECT_TRUE(Ticked(IDC_USE_PROXY));
    EXPECT_TRUE(Enabled(IDC_PROXY_HOST));
    EXPECT_TRUE(Enabled(IDC_PROXY_PORT));
    EXPECT_FALSE(Ticked(IDC_WRITE_LOG));
    EXPECT_FALSE(Enabled(IDC_LOG_FILE));
    EXPECT_FALSE(Enabled(IDC_BROWSE_LOG));
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, SettingsCaption);
}

// The spin control takes the minutes field as buddy and sits on its right
// edge, inside the field's template width.
TEST_F(SettingsDialogTest, SpinSitsOnTheMinutesFieldsRightEdge) {
    Open();
    HWND minutes = Control(IDC_REFRESH_MINUTES);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(Control(IDC_REFRESH_SPIN), UDM_GETBUDDY, 0, 0)),
              minutes);
    RECT field{81, 42, 81 + 38, 42 + 12};
    MapDialogRect(dialog, &field);
    RECT spin, shown;
    GetWindowRect(Control(IDC_REFRESH_SPIN), &spin);
    GetWindowRect(minutes, &shown);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&spin), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&shown), 2);
    // The spin control overlaps the field's border by a pixel or two.
    EXPECT_NEAR(spin.right, field.right, 2);
    EXPECT_NEAR(shown.right, spin.left, 2);
    EXPECT_EQ(spin.top, field.top);
    EXPECT_LT(shown.right - shown.left, field.right - field.left);
}

struct FlagCase {
    int32_t value;
    bool ticked;
};

class SettingsFlagTest : public SettingsDialogTest,
                         public ::testing::WithParamInterface<FlagCase> {};

TEST_P(SettingsFlagTest, ChecksOnlyPositiveFlagsAndEnablesTheirFields) {
    settings.UseProxy = GetParam().value;
    settings.WriteLog = GetParam().value;
    Open();
    bool on = GetParam().ticked;
    EXPECT_EQ(Ticked(IDC_USE_PROXY), on);
    EXPECT_EQ(Enabled(IDC_PROXY_HOST), on);
    EXPECT_EQ(Enabled(IDC_PROXY_PORT), on);
    EXPECT_EQ(Ticked(IDC_WRITE_LOG), on);
    EXPECT_EQ(Enabled(IDC_LOG_FILE), on);
    EXPECT_EQ(Enabled(IDC_BROWSE_LOG), on);
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsFlagTest,
                         ::testing::Values(FlagCase{0, false}, FlagCase{1, true}, FlagCase{2, true},
                                           FlagCase{-1, false}, FlagCase{INT32_MIN, false}));

// ---- the spin --------------------------------------------------------------

struct StepCase {
    int32_t from;
    int delta;
    int32_t to;
};

class SpinStepTest : public SettingsDialogTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SpinStepTest, StepsByTenWithinItsBounds) {
    settings.RefreshTime = GetParam().from;
    Open();
    Spin(GetParam().delta);
    EXPECT_EQ(appState.workingMinutes, GetParam().to);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), std::to_string(GetParam().to));
}

INSTANTIATE_TEST_SUITE_P(Steps, SpinStepTest,
                         ::testing::Values(StepCase{10, -1, 20}, StepCase{10, 1, 10},
                                           StepCase{20, 1, 10}, StepCase{1430, -1, 1440},
                                           StepCase{1440, -1, 1440}, StepCase{1435, -1, 1445},
                                           StepCase{1445, -1, 1445}, StepCase{15, 1, 5},
                                           StepCase{5, 1, 5}, StepCase{11, 1, 1},
                                           StepCase{-50, -1, -40}, StepCase{-50, 1, -50},
                                           StepCase{10, 0, 20}, StepCase{30, 5, 20}));

TEST_F(SettingsDialogTest, StepAfterTypingReplacesTheTypedNumber) {
    settings.RefreshTime = 10;
    Open();
    Type(IDC_REFRESH_MINUTES, "100");
    Spin(-1);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), "20");
}

// UDS_ARROWKEYS: the Up and Down keys in the minutes field step like the
// arrows, through the spin control's own notification.
TEST_F(SettingsDialogTest, ArrowKeysInTheMinutesFieldStep) {
    settings.RefreshTime = 30;
    Open();
    HWND minutes = Control(IDC_REFRESH_MINUTES);
    SendMessageA(minutes, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(minutes, WM_KEYUP, VK_UP, 0);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), "40");
    SendMessageA(minutes, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(minutes, WM_KEYUP, VK_DOWN, 0);
    SendMessageA(minutes, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(minutes, WM_KEYUP, VK_DOWN, 0);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), "20");
}

TEST_F(SettingsDialogTest, OtherNotificationsChangeNothing) {
    Open();
    NMHDR other{Control(IDC_REFRESH_SPIN), IDC_REFRESH_SPIN, static_cast<UINT>(NM_CLICK)};
    SendMessageA(dialog, WM_NOTIFY, IDC_REFRESH_SPIN, reinterpret_cast<LPARAM>(&other));
    NMUPDOWN fromElsewhere{};
    fromElsewhere.hdr = {Control(IDC_REFRESH_MINUTES), IDC_REFRESH_MINUTES,
                         static_cast<UINT>(UDN_DELTAPOS)};
    fromElsewhere.iDelta = -1;
    SendMessageA(dialog, WM_NOTIFY, IDC_REFRESH_MINUTES, reinterpret_cast<LPARAM>(&fromElsewhere));
    EXPECT_EQ(appState.workingMinutes, 25);
    EXPECT_EQ(Text(IDC_REFRESH_MINUTES), "25");
}

// ---- check boxes -----------------------------------------------------------

TEST_F(SettingsDialogTest, CheckBoxesSwitchTheirFieldsAndKeepTheTexts) {
    Open();
    Click(IDC_USE_PROXY);
    EXPECT_FALSE(Ticked(IDC_USE_PROXY));
    EXPECT_FALSE(Enabled(IDC_PROXY_HOST));
    EXPECT_FALSE(Enabled(IDC_PROXY_PORT));
    EXPECT_EQ(Text(IDC_PROXY_HOST), "proxy.example");
    EXPECT_EQ(Text(IDC_PROXY_PORT), "3128");
    Click(IDC_WRITE_LOG);
    EXPECT_TRUE(Enabled(IDC_LOG_FILE));
    EXPECT_TRUE(Enabled(IDC_BROWSE_LOG));
    Click(IDC_WRITE_LOG);
    EXPECT_FALSE(Enabled(IDC_LOG_FILE));
    EXPECT_EQ(Text(IDC_LOG_FILE), "C:\\logs\\zarvilo.log");
    EXPECT_EQ(settings.UseProxy, appState.settings.UseProxy) << "a click changes no setting";
}

// A third state, possible once the box is made a three-state one, is no tick.
TEST_F(SettingsDialogTest, OnlyAPlainTickEnables) {
    Open();
    HWND box = Control(IDC_USE_PROXY);
    SetWindowLongPtrA(box, GWL_STYLE, (GetWindowLongPtrA(box, GWL_STYLE) & ~0xF) | BS_AUTO3STATE);
    SendMessageA(box, BM_SETCHECK, BST_INDETERMINATE, 0);
    ASSERT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_USE_PROXY, BN_CLICKED),
                 reinterpret_cast<LPARAM>(box));
    EXPECT_FALSE(Enabled(IDC_PROXY_HOST));
    EXPECT_FALSE(Enabled(IDC_PROXY_PORT));
}

// ---- OK --------------------------------------------------------------------

TEST_F(SettingsDialogTest, OkWritesTheSevenEntriesInTheirSectionsAndOrder) {
    Open();
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    std::vector<std::string> expected = {
        "[Settings]", "SourceURL=" + sourceUrl,       "RefreshTime=25",  "[Proxy]",
        "UseProxy=1", "HostName=proxy.example",       "RemotePort=3128", "[LogOptions]",
        "WriteLog=0", "LogFile=C:\\logs\\zarvilo.log"};
    EXPECT_EQ(Lines(Config()), expected);
    EXPECT_EQ(appState.settingsDialogOpen, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(SettingsDialogTest, OkKeepsWhatElseTheFileHolds) {
    std::string before = "; hand-written\r\n[Other]\r\nKey=Value with  spaces\r\n"
                         "[Settings]\r\nExtra=\xE4\xE0\r\nRefreshTime=7\r\n";
    WriteFile(configPath, before);
    Open();
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    std::vector<std::string> lines = Lines(Config());
    std::vector<std::string> start(lines.begin(), lines.begin() + 6);
    std::vector<std::string> kept = {"; hand-written", "[Other]",        "Key=Value with  spaces",
                                     "[Settings]",     "Extra=\xE4\xE0", "RefreshTime=25"};
    EXPECT_EQ(start, kept);
    EXPECT_NE(Config().find("SourceURL=" + sourceUrl), std::string::npos);
}

TEST_F(SettingsDialogTest, OkStoresEditedFieldsAndDerivesTheTarget) {
    Open();
    Type(IDC_SOURCE_URL, "http://example.test:8081/data/t.js");
    Type(IDC_PROXY_HOST, "10.0.0.1");
    Type(IDC_PROXY_PORT, "8080");
    Click(IDC_USE_PROXY);
    Click(IDC_WRITE_LOG);
    Type(IDC_LOG_FILE, "D:\\t.log");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    FetchConfig now = SnapshotFetchConfig();
    EXPECT_STREQ(now.settings.SourceURL, "http://example.test:8081/data/t.js");
    EXPECT_STREQ(now.settings.HostName, "10.0.0.1");
    EXPECT_STREQ(now.settings.RemotePort, "8080");
    EXPECT_EQ(now.settings.UseProxy, 0);
    EXPECT_EQ(now.settings.WriteLog, 1);
    EXPECT_STREQ(now.settings.LogFile, "D:\\t.log");
    EXPECT_TRUE(now.target.valid);
    EXPECT_STREQ(now.target.host, "example.test");
    EXPECT_STREQ(now.target.path, "/data/t.js");
    EXPECT_EQ(now.target.port, 8081);
    // The proxy fields were disabled but are still saved.
    EXPECT_NE(Config().find("HostName=10.0.0.1"), std::string::npos);
}

TEST_F(SettingsDialogTest, OkCutsTextsToTheirLimitsButKeepsALongSource) {
    std::string longSource = "http://127.0.0.1:9/" + std::string(SourceUrlLimit - 19, 's');
    lstrcpynA(settings.SourceURL, longSource.c_str(), sizeof settings.SourceURL);
    Open();
    EXPECT_EQ(Text(IDC_SOURCE_URL), longSource) << "shown whole";
    Type(IDC_PROXY_HOST, std::string(300, 'h'));
    Type(IDC_PROXY_PORT, "123456789");
    Type(IDC_LOG_FILE, std::string(300, 'f'));
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::string(appState.settings.SourceURL), longSource);
    EXPECT_EQ(std::string(appState.settings.HostName), std::string(HostNameLimit, 'h'));
    EXPECT_STREQ(appState.settings.RemotePort, "1234567");
    EXPECT_EQ(std::string(appState.settings.LogFile), std::string(LogFileLimit, 'f'));
    EXPECT_NE(Config().find("SourceURL=" + longSource + "\r\n"), std::string::npos);
}

TEST_F(SettingsDialogTest, NegativeProxyFlagIsSavedAsZero) {
    settings.UseProxy = -1;
    Open();
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(appState.settings.UseProxy, 0);
    EXPECT_NE(Config().find("UseProxy=0"), std::string::npos);
}

struct MinutesCase {
    const char* typed;
    int32_t stored;
};

class TypedMinutesTest : public SettingsDialogTest,
                         public ::testing::WithParamInterface<MinutesCase> {};

// A typed number counts, not the spin's working value.
TEST_P(TypedMinutesTest, OkStoresTheTypedNumber) {
    Open();
    Spin(-1);
    Type(IDC_REFRESH_MINUTES, GetParam().typed);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(appState.settings.RefreshTime, GetParam().stored);
    EXPECT_NE(Config().find("RefreshTime=" + std::to_string(GetParam().stored) + "\r\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, TypedMinutesTest,
    ::testing::Values(MinutesCase{"100", 100}, MinutesCase{"", 10}, MinutesCase{"0", 10},
                      MinutesCase{"5", 5}, MinutesCase{"99999", 99999}, MinutesCase{"  42x", 42},
                      MinutesCase{"2147483647", 2147483647}, MinutesCase{"2147483648", 2147483647},
                      MinutesCase{"3000000000", 2147483647}, MinutesCase{"4294967295", 2147483647},
                      MinutesCase{"4294967296", 10}));

// ---- OK starts a refresh from the new target ------------------------------

TEST_F(SettingsDialogTest, OkRefreshesFromTheNewTarget) {
    RequestRecorder feed;
    Open();
    Click(IDC_USE_PROXY);
    Type(IDC_SOURCE_URL, "http://127.0.0.1:" + std::to_string(feed.port) + "/new/feed.js");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(feed.NextRequestLine(), "GET /new/feed.js HTTP/1.0");
}

// A refresh holding refreshLock (a slow fetch) neither delays OK nor sees a
// change in its middle: OK returns at once and the waiting refresh starts
// from the new settings.
DWORD WINAPI HoldRefreshLock(LPVOID release) {
    LockHolder hold(refreshLock);
    WaitForSingleObject(static_cast<HANDLE>(release), INFINITE);
    return 0;
}

TEST_F(SettingsDialogTest, OkNeverWaitsForARunningRefresh) {
    RequestRecorder feed;
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE refresh = CreateThread(nullptr, 0, HoldRefreshLock, release, 0, nullptr);
    Sleep(100);
    Open();
    Click(IDC_USE_PROXY);
    Type(IDC_SOURCE_URL, "http://127.0.0.1:" + std::to_string(feed.port) + "/after.js");
    DWORD start = GetTickCount();
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_LT(GetTickCount() - start, 2000u) << "OK waited for the refresh";
    EXPECT_EQ(feed.NextRequestLine(1), "") << "a refresh ran while another held the lock";
    SetEvent(release);
    EXPECT_EQ(feed.NextRequestLine(), "GET /after.js HTTP/1.0");
    WaitForSingleObject(refresh, INFINITE);
    CloseHandle(refresh);
    CloseHandle(release);
}

// ---- Cancel and destruction -----------------------------------------------

TEST_F(SettingsDialogTest, CancelWritesAndChangesNothing) {
    Open();
    Type(IDC_SOURCE_URL, "http://changed.test/");
    Type(IDC_REFRESH_MINUTES, "77");
    Click(IDC_USE_PROXY);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(GetFileAttributesA(configPath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(std::string(appState.settings.SourceURL), sourceUrl);
    EXPECT_EQ(appState.settings.RefreshTime, 25);
    EXPECT_EQ(appState.settings.UseProxy, 1);
    EXPECT_EQ(appState.settingsDialogOpen, 0);
    EXPECT_FALSE(IsWindowVisible(dialog));
}

TEST_F(SettingsDialogTest, DestructionClearsTheFlag) {
    Open();
    ASSERT_EQ(appState.settingsDialogOpen, 1);
    DestroyWindow(dialog);
    EXPECT_EQ(appState.settingsDialogOpen, 0);
}

struct Closing {
    const char* how;
    UINT message;
    WPARAM wParam;
    INT_PTR result;
    bool saves;
};

class SettingsClosingTest : public SettingsDialogTest,
                            public ::testing::WithParamInterface<Closing> {};

// Modal, as the program runs it: the focus starts on OK, and each way out
// ends the dialog with its command and clears the flag.
TEST_P(SettingsClosingTest, EndsTheModalDialog) {
    PublishSettings(settings);
    const Closing closing = GetParam();
    uint8_t flagWhileOpen = 0;
    HWND focus = nullptr, okButton = nullptr;
    DWORD owner = GetCurrentThreadId();
    INT_PTR result = RunModalDialog(IDD_SETTINGS, SettingsDialogProc, [&](HWND shown) {
        flagWhileOpen = appState.settingsDialogOpen;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(owner, &info);
        focus = info.hwndFocus;
        okButton = GetDlgItem(shown, IDOK);
        PostMessageA(shown, closing.message, closing.wParam, 0);
    });
    EXPECT_EQ(flagWhileOpen, 1);
    EXPECT_EQ(focus, okButton);
    EXPECT_EQ(result, closing.result);
    EXPECT_EQ(appState.settingsDialogOpen, 0);
    EXPECT_EQ(GetFileAttributesA(configPath.c_str()) != INVALID_FILE_ATTRIBUTES, closing.saves);
}

INSTANTIATE_TEST_SUITE_P(Ways, SettingsClosingTest,
                         ::testing::Values(Closing{"Enter", WM_KEYDOWN, VK_RETURN, IDOK, true},
                                           Closing{"Esc", WM_KEYDOWN, VK_ESCAPE, IDCANCEL, false},
                                           Closing{"CloseBox", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL,
                                                   false},
                                           Closing{"OkWithCode", WM_COMMAND, MAKEWPARAM(IDOK, 9),
                                                   MAKEWPARAM(IDOK, 9), true}),
                         [](const auto& info) { return std::string(info.param.how); });

// ---- the log file chooser --------------------------------------------------

struct SeenChooser {
    int calls;
    OPENFILENAMEA record;
    std::string filter; // with its inner terminators
    std::string fileName;
    std::string title;
};

SeenChooser seenChooser;

BOOL WINAPI RecordChooser(OPENFILENAMEA* chooser) {
    ++seenChooser.calls;
    seenChooser.record = *chooser;
    const char* filter = chooser->lpstrFilter;
    size_t length = 0;
    while (filter[length] || filter[length + 1])
        ++length;
    seenChooser.filter.assign(filter, length + 2);
    seenChooser.fileName = chooser->lpstrFile;
    seenChooser.title = chooser->lpstrTitle;
    return FALSE; // as if cancelled
}

TEST_F(SettingsDialogTest, ChooserIsAskedForOneFilterAndTheFiveFlags) {
    settings.WriteLog = 1;
    Open();
    seenChooser = SeenChooser{};
    {
        LookUpPatch lookUp("GetOpenFileNameA", reinterpret_cast<void*>(RecordChooser));
        ASSERT_TRUE(lookUp.Active());
        Click(IDC_BROWSE_LOG);
        ASSERT_NE(GetModuleHandleA("comdlg32.dll"), nullptr);
        EXPECT_EQ(lookUp.AskedModule(), GetModuleHandleA("comdlg32.dll"));
    }
    ASSERT_EQ(seenChooser.calls, 1);
    const OPENFILENAMEA& record = seenChooser.record;
    EXPECT_EQ(record.lStructSize, OPENFILENAME_SIZE_VERSION_400A);
    EXPECT_EQ(record.hwndOwner, dialog);
    EXPECT_EQ(seenChooser.filter,
              std::string("\xC2\xF1\xE5 \xF4\xE0\xE9\xEB\xFB (*.*)\0*.*\0\0", 21));
    EXPECT_EQ(record.nFilterIndex, 1u);
    EXPECT_EQ(record.lpstrCustomFilter, nullptr);
    EXPECT_EQ(seenChooser.fileName, "") << "starts empty, not from LogFile";
    EXPECT_EQ(record.nMaxFile, 260u);
    EXPECT_EQ(record.lpstrFileTitle, nullptr);
    EXPECT_EQ(record.nMaxFileTitle, 20u);
    EXPECT_EQ(record.lpstrInitialDir, nullptr);
    EXPECT_EQ(seenChooser.title,
              "\xC2\xFB\xE1\xEE\xF0 \xF4\xE0\xE9\xEB\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0");
    EXPECT_EQ(record.Flags,
              static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                 OFN_CREATEPROMPT | OFN_LONGNAMES));
    // Cancelled: nothing changes.
    EXPECT_STREQ(appState.settings.LogFile, "C:\\logs\\zarvilo.log");
    EXPECT_EQ(Text(IDC_LOG_FILE), "C:\\logs\\zarvilo.log");
}

// Without the chooser's library the button does nothing, as a cancelled
// chooser would.
TEST_F(SettingsDialogTest, ChooserLibraryMissingChangesNothing) {
    settings.WriteLog = 1;
    Open();
    seenChooser = SeenChooser{};
    {
        LoadFailurePatch missing("comdlg32.dll");
        LookUpPatch lookUp("GetOpenFileNameA", reinterpret_cast<void*>(RecordChooser));
        ASSERT_TRUE(missing.Active() && lookUp.Active());
        Click(IDC_BROWSE_LOG);
    }
    EXPECT_EQ(seenChooser.calls, 0);
    EXPECT_STREQ(SnapshotFetchConfig().settings.LogFile, "C:\\logs\\zarvilo.log");
    EXPECT_EQ(Text(IDC_LOG_FILE), "C:\\logs\\zarvilo.log");
}

const char ChooserTitle[] =
    "\xC2\xFB\xE1\xEE\xF0 \xF4\xE0\xE9\xEB\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0";

// Ids of the system's file chooser: file types, file name, read-only box.
constexpr int ChooserTypes = 0x470;
constexpr int ChooserName = 0x47C;
constexpr int ChooserReadOnly = 0x410;

// What a user sees and does in the real chooser, seen from a driver thread.
struct ChooserVisit {
    std::string types;
    bool readOnlyShown = true;
    bool askedToCreate = false;
};

// Types path as the file name, presses the chooser's OK and agrees to the
// creation of a file that does not exist yet.
void PickInChooser(const std::string& path, ChooserVisit& visit) {
    HWND chooser = WaitForWindow([] { return FindWindowA("#32770", ChooserTitle); });
    if (!chooser) return;
    char types[64] = {};
    GetDlgItemTextA(chooser, ChooserTypes, types, sizeof types);
    visit.types = types;
    visit.readOnlyShown = IsWindowVisible(GetDlgItem(chooser, ChooserReadOnly));
    HWND nameBox = FindWindowExA(GetDlgItem(chooser, ChooserName), nullptr, "ComboBox", nullptr);
    HWND name = FindWindowExA(nameBox, nullptr, "Edit", nullptr);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
    HWND question = WaitForWindow([&] {
        HWND box = FindWindowExA(nullptr, nullptr, "#32770", ChooserTitle);
        return box == chooser ? FindWindowExA(nullptr, box, "#32770", ChooserTitle) : box;
    });
    visit.askedToCreate = question != nullptr;
    if (question) PostMessageA(question, WM_COMMAND, IDYES, 0);
}

TEST_F(SettingsDialogTest, PickedLogFileIsInForceAtOnceAndAfterCancel) {
    settings.WriteLog = 1;
    Open();
    std::string picked = directory + "\\picked.log";
    ChooserVisit visit;
    {
        DriverThread user([&] { PickInChooser(picked, visit); });
        Click(IDC_BROWSE_LOG);
    }
    EXPECT_EQ(visit.types, "\xC2\xF1\xE5 \xF4\xE0\xE9\xEB\xFB (*.*)");
    EXPECT_FALSE(visit.readOnlyShown);
    EXPECT_TRUE(visit.askedToCreate);
    EXPECT_EQ(Text(IDC_LOG_FILE), picked);
    EXPECT_EQ(std::string(SnapshotFetchConfig().settings.LogFile), picked);
    EXPECT_EQ(GetFileAttributesA(picked.c_str()), INVALID_FILE_ATTRIBUTES) << "chooser created it";

    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(GetFileAttributesA(configPath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(std::string(appState.settings.LogFile), picked);
    // The next refresh logs its (failed) outcome to the picked file.
    StartRefresh();
    EXPECT_TRUE(PumpUntil([&] { return !ReadFile(picked).empty(); }));
    LockHolder wait(refreshLock);
    DeleteFileA(picked.c_str());
}

} // namespace
