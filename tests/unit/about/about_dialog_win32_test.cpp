// The about box, shown for real under Wine: its template, flag, labels,
// painting read back from the screen, links and ways of closing.
#include "about/AboutDialogWin32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/AppState.h"
#include "app/ShellState.h"
#include "res/ResourceIds.h"
#include "tests/support/DialogDriverWin32.h"
#include "tests/support/DialogTemplateWin32.h"

namespace {

const char AboutCaption[] =
    "\xC7\xE0\xF0\xE2\xE8\xEB\xEE :: \xEE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5";

constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
constexpr DWORD Text = Child | SS_LEFT | WS_GROUP;

TEST(AboutTemplateTest, HasTheBoxStylesFontAndCaption) {
    DialogTemplate box = ReadDialogTemplate(IDD_ABOUT);
    ExpectModalFrameDialog(box, 186, 210, AboutCaption);
    EXPECT_EQ(box.weight, FW_NORMAL);
    EXPECT_EQ(box.italic, 0);
    EXPECT_EQ(box.charset, DEFAULT_CHARSET);
}

// The copyright, organisation and thanks texts are free wording.
TEST(AboutTemplateTest, HoldsTheSevenControlsInOrder) {
    const ExpectedControl expected[] = {
        {IDOK, "button", "OK", 68, 189, 50, 14, Child | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
        {-1, "static", nullptr, 41, 58, 116, 9, Text, 0},
        {IDC_MAIL_LINK, "static", "mail", 42, 68, 60, 9, Text | SS_NOTIFY, 0},
        {IDC_WEB_LINK, "static", "link", 42, 92, 66, 9, Text | SS_NOTIFY, 0},
        {-1, "static", nullptr, 41, 81, 110, 11, Text, 0},
        {-1, "static", "\xC7\xE0\xF0\xE2\xE8\xEB\xEE\nVersion 3.13\n\nBuild:  18.01.2005", 84, 18,
         83, 34, Text, 0},
        {-1, "static", nullptr, 42, 113, 94, 67, Text, 0},
    };
    DialogTemplate box = ReadDialogTemplate(IDD_ABOUT);
    ExpectControls(box, expected);
    ASSERT_EQ(box.items.size(), std::size(expected));
    EXPECT_EQ(box.items[1].text.substr(0, 1), "\xA9");
    EXPECT_GT(std::count(box.items[6].text.begin(), box.items[6].text.end(), '\n'), 1);
}

// A 48 x 48 picture whose every pixel differs, so a shifted, cut or missing
// logo shows in the read-back.
COLORREF LogoPixel(int x, int y) {
    return RGB(x * 5, y * 5, 90 + (x + y) % 2 * 60);
}

HBITMAP MakeTestLogo() {
    HDC screen = GetDC(nullptr);
    HBITMAP logo = CreateCompatibleBitmap(screen, 48, 48);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, logo);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            SetPixel(memory, x, y, LogoPixel(x, y));
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return logo;
}

RECT ScreenRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

POINT ClientOrigin(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

// What a label must show: its address in blue on the button face.
std::vector<uint32_t> ExpectedLabelPixels(HWND label, const char* address) {
    RECT client;
    GetClientRect(label, &client);
    return PaintedPixels(client.right, client.bottom, [&](HDC dc) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        TextOutA(dc, 0, 0, address, lstrlenA(address));
    });
}

int CountPixels(const ScreenPixels& pixels, COLORREF colour) {
    int count = 0;
    for (int y = pixels.area.top; y < pixels.area.bottom; ++y)
        for (int x = pixels.area.left; x < pixels.area.right; ++x)
            count += pixels.At(x, y) == colour;
    return count;
}

std::string ReadTextFile(const char* path) {
    std::string text;
    if (FILE* file = std::fopen(path, "rb")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

// Mouse input goes to the label as messages: under Wine a synthesised
// pointer move can be undone by the late echo of an earlier one.
void ClickOn(HWND label) {
    PostMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

class AboutBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        appState.aboutDialogOpen = 0;
        shellState.logoBitmap = logo = MakeTestLogo();
        box = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                 AboutDialogProc, 0);
        ASSERT_NE(box, nullptr);
        ShowWindow(box, SW_SHOW);
        SetForegroundWindow(box);
        UpdateWindow(box);
        PumpMessagesFor(300);
    }

    void TearDown() override {
        if (IsWindow(box)) DestroyWindow(box);
        shellState.logoBitmap = nullptr;
        DeleteObject(logo);
    }

    HWND Label(int id) const { return GetDlgItem(box, id); }

    void ExpectLogoShown() const {
        POINT origin = ClientOrigin(box);
        RECT area{origin.x + 62, origin.y + 32, origin.x + 110, origin.y + 80};
        ScreenPixels shown = ReadScreen(area);
        int wrong = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x)
                wrong += shown.At(area.left + x, area.top + y) != LogoPixel(x, y);
        EXPECT_EQ(wrong, 0) << "logo pixels differ";
    }

    // Each groove: dark row from x 60 through 224, light row below it, and
    // neither reaching past its ends.
    void ExpectGroovesShown() const {
        POINT origin = ClientOrigin(box);
        COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        for (int row : {85, 175, 295}) {
            SCOPED_TRACE(row);
            RECT area{origin.x + 59, origin.y + row, origin.x + 226, origin.y + row + 2};
            ScreenPixels shown = ReadScreen(area);
            for (int x = 60; x <= 224; ++x) {
                ASSERT_EQ(shown.At(origin.x + x, area.top), shadow) << "x " << x;
                ASSERT_EQ(shown.At(origin.x + x, area.top + 1), highlight) << "x " << x;
            }
            for (int x : {59, 225}) {
                EXPECT_NE(shown.At(origin.x + x, area.top), shadow) << "x " << x;
                EXPECT_NE(shown.At(origin.x + x, area.top + 1), highlight) << "x " << x;
            }
        }
    }

    void ExpectAddressShown(int id, const char* address) const {
        SCOPED_TRACE(address);
        HWND label = Label(id);
        ScreenPixels shown = ReadScreen(ScreenRect(label));
        EXPECT_GT(CountPixels(shown, RGB(0, 0, 255)), 20);
        EXPECT_EQ(CountPixels(shown, GetSysColor(COLOR_BTNTEXT)), 0)
            << "the label's own word shows";
        EXPECT_TRUE(shown.bgrx == ExpectedLabelPixels(label, address));
    }

    void ExpectWholePicture() const {
        ExpectLogoShown();
        ExpectGroovesShown();
        ExpectAddressShown(IDC_MAIL_LINK, ContactMailAddress);
        ExpectAddressShown(IDC_WEB_LINK, ContactWebAddress);
    }

    HBITMAP logo = nullptr;
    HWND box = nullptr;
};

TEST_F(AboutBoxTest, OpensWithFlagSetAndBothLabelsSubclassed) {
    EXPECT_EQ(appState.aboutDialogOpen, 1);
    auto linkProc = reinterpret_cast<LONG_PTR>(LinkStaticProc);
    EXPECT_EQ(GetWindowLongPtrA(Label(IDC_MAIL_LINK), GWLP_WNDPROC), linkProc);
    EXPECT_EQ(GetWindowLongPtrA(Label(IDC_WEB_LINK), GWLP_WNDPROC), linkProc);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(shellState.linkLabelBaseProc),
              GetClassLongPtrA(Label(IDC_WEB_LINK), GCLP_WNDPROC));
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, AboutCaption);
    RECT frame = ScreenRect(box);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
}

TEST_F(AboutBoxTest, ShowsTheProgramsOwnLogo) {
    HBITMAP programLogo = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO));
    ASSERT_NE(programLogo, nullptr);
    BITMAP shape{};
    GetObjectA(programLogo, sizeof shape, &shape);
    EXPECT_EQ(shape.bmWidth, 48);
    EXPECT_EQ(shape.bmHeight, 48);
    shellState.logoBitmap = programLogo;
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessagesFor(200);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, programLogo);
    std::vector<uint32_t> expected = ReadPixels(memory, RECT{0, 0, 48, 48});
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    POINT origin = ClientOrigin(box);
    ScreenPixels shown =
        ReadScreen(RECT{origin.x + 62, origin.y + 32, origin.x + 110, origin.y + 80});
    EXPECT_TRUE(shown.bgrx == expected);
    shellState.logoBitmap = logo;
    DeleteObject(programLogo);
}

TEST_F(AboutBoxTest, EachAddressFitsItsLabel) {
    for (int id : {IDC_MAIL_LINK, IDC_WEB_LINK}) {
        HWND label = Label(id);
        const char* address = id == IDC_MAIL_LINK ? ContactMailAddress : ContactWebAddress;
        HDC dc = GetDC(label);
        HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE extent;
        GetTextExtentPoint32A(dc, address, lstrlenA(address), &extent);
        SelectObject(dc, previous);
        ReleaseDC(label, dc);
        RECT client;
        GetClientRect(label, &client);
        EXPECT_LE(extent.cx, client.right) << address;
    }
}

TEST_F(AboutBoxTest, ShowsLogoGroovesAndBlueAddresses) {
    ExpectWholePicture();
}

HWND CreateBlackCover(const RECT& area) {
    WNDCLASSA cover{};
    cover.lpfnWndProc = DefWindowProcA;
    cover.hInstance = GetModuleHandleA(nullptr);
    cover.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    cover.lpszClassName = "ZarviloTestCover";
    RegisterClassA(&cover);
    return CreateWindowExA(WS_EX_TOPMOST, cover.lpszClassName, "", WS_POPUP | WS_VISIBLE, area.left,
                           area.top, area.right - area.left, area.bottom - area.top, nullptr,
                           nullptr, cover.hInstance, nullptr);
}

TEST_F(AboutBoxTest, RepaintsAfterBeingCoveredAndUncovered) {
    HWND cover = CreateBlackCover(ScreenRect(box));
    ASSERT_NE(cover, nullptr);
    PumpMessagesFor(300);
    POINT origin = ClientOrigin(box);
    RECT groove{origin.x + 100, origin.y + 85, origin.x + 101, origin.y + 86};
    EXPECT_EQ(ReadScreen(groove).At(groove.left, groove.top), RGB(0, 0, 0));
    DestroyWindow(cover);
    PumpMessagesFor(300);
    ExpectWholePicture();
}

TEST_F(AboutBoxTest, RepeatedRepaintsEnd) {
    for (int i = 0; i < 5; ++i)
        RedrawWindow(box, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(200);
    ExpectWholePicture();
}

TEST_F(AboutBoxTest, PrintedLabelShowsTheAddressToo) {
    HWND label = Label(IDC_WEB_LINK);
    RECT client;
    GetClientRect(label, &client);
    std::vector<uint32_t> printed = PaintedPixels(client.right, client.bottom, [&](HDC dc) {
        SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
    EXPECT_TRUE(printed == ExpectedLabelPixels(label, ContactWebAddress));
}

TEST_F(AboutBoxTest, PointerTurnsIntoAHandOverTheLabelsOnly) {
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    for (int id : {IDC_MAIL_LINK, IDC_WEB_LINK}) {
        SendMessageA(box, WM_SETCURSOR, reinterpret_cast<WPARAM>(box),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), arrow);
        SendMessageA(Label(id), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(GetCursor(), hand) << id;
    }
}

// The stand-in browser, a Unix script, appends each address it is given to
// $ZARVILO_BROWSER_LOG (Wine hands it the Unix environment the test started
// with); the test reads what this run appended, through drive Z:.
class AboutLinkTest : public AboutBoxTest {
  protected:
    void SetUp() override {
        AboutBoxTest::SetUp();
        const char* unixPath = std::getenv("ZARVILO_BROWSER_LOG");
        std::snprintf(windowsPath, sizeof windowsPath, "Z:%s",
                      unixPath ? unixPath : "/tmp/zarvilo-browser.log");
        for (char* c = windowsPath; *c; ++c)
            if (*c == '/') *c = '\\';
        alreadyThere = ReadTextFile(windowsPath).size();
    }

    std::string Received() { return ReadTextFile(windowsPath).substr(alreadyThere); }

    bool BrowserReceived(const std::string& lines) {
        return PumpUntil([&] { return Received() == lines; });
    }

    char windowsPath[MAX_PATH] = {};
    size_t alreadyThere = 0;
};

TEST_F(AboutLinkTest, ClicksOpenMailThenWebAndTheBoxStaysOpen) {
    ClickOn(Label(IDC_MAIL_LINK));
    EXPECT_TRUE(BrowserReceived("mailto:" + std::string(ContactMailAddress) + "\n")) << Received();
    ClickOn(Label(IDC_WEB_LINK));
    std::string both =
        "mailto:" + std::string(ContactMailAddress) + "\n" + ContactWebAddress + "\n";
    EXPECT_TRUE(BrowserReceived(both)) << Received();
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(appState.aboutDialogOpen, 1);
}

TEST_F(AboutBoxTest, DestructionClearsTheFlag) {
    ASSERT_EQ(appState.aboutDialogOpen, 1);
    DestroyWindow(box);
    EXPECT_EQ(appState.aboutDialogOpen, 0);
}

struct Closing {
    const char* how;
    UINT message;
    WPARAM wParam;
    INT_PTR result;
};

class AboutClosingTest : public ::testing::TestWithParam<Closing> {};

TEST_P(AboutClosingTest, EndsWithTheCommandAndClearsTheFlag) {
    shellState.logoBitmap = nullptr;
    const Closing closing = GetParam();
    uint8_t flagWhileOpen = 0;
    INT_PTR result = RunModalDialog(IDD_ABOUT, AboutDialogProc, [&](HWND dialog) {
        flagWhileOpen = appState.aboutDialogOpen;
        PostMessageA(dialog, closing.message, closing.wParam, 0);
    });
    EXPECT_EQ(flagWhileOpen, 1);
    EXPECT_EQ(result, closing.result);
    EXPECT_EQ(appState.aboutDialogOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, AboutClosingTest,
                         ::testing::Values(Closing{"Enter", WM_KEYDOWN, VK_RETURN, IDOK},
                                           Closing{"Esc", WM_KEYDOWN, VK_ESCAPE, IDCANCEL},
                                           Closing{"CloseBox", WM_SYSCOMMAND, SC_CLOSE, IDCANCEL},
                                           Closing{"CommandWithCode", WM_COMMAND,
                                                   MAKEWPARAM(IDCANCEL, 7),
                                                   MAKEWPARAM(IDCANCEL, 7)}),
                         [](const auto& info) { return std::string(info.param.how); });

} // namespace
