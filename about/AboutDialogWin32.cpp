#include "about/AboutDialogWin32.h"

#include <shellapi.h>

#include "base/WindowDpiWin32.h"
#include "res/ResourceIds.h"

namespace {

// The box's own state; it runs on the main thread only.
HBITMAP logoBitmap;
WNDPROC linkLabelBaseProc;
bool aboutDialogOpen;

// Places in pixels of the box at 100%, where the template's font has base
// units of 6 by 13 pixels (1.5 and 1.625 pixels a dialog unit). At another
// scale or font each is carried over in proportion to the box's own base
// units, so the drawing stays where the controls are laid out.
constexpr int BaseUnitX = 6;
constexpr int BaseUnitY = 13;

// The logo's middle, and its side at 96 dots per inch.
constexpr int LogoCentreX = 86;
constexpr int LogoCentreY = 56;
constexpr int LogoSize = 48;

// Dark rows of the three etched grooves; each light row lies one below.
constexpr int GrooveRows[] = {295, 85, 175};
constexpr int GrooveLeft = 60;
constexpr int GrooveEnd = 225; // exclusive

constexpr COLORREF LinkColour = RGB(0, 0, 255);

// The box's base units in pixels, as Windows lays out its controls, and its
// display's dots per inch.
struct BoxScale {
    int unitX;
    int unitY;
    int dpi;
    int X(int x) const { return MulDiv(x, unitX, BaseUnitX); }
    int Y(int y) const { return MulDiv(y, unitY, BaseUnitY); }
};

BoxScale ScaleOf(HWND dialog) {
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    return {units.right, units.bottom, WindowDpi(dialog)};
}

// Both labels are statics, so the procedure saved from the first serves both.
void SubclassLinkLabels(HWND dialog) {
    auto linkProc = reinterpret_cast<LONG_PTR>(LinkStaticProc);
    LONG_PTR baseProc =
        SetWindowLongPtrW(GetDlgItem(dialog, IDC_MAIL_LINK), GWLP_WNDPROC, linkProc);
    linkLabelBaseProc = reinterpret_cast<WNDPROC>(baseProc);
    SetWindowLongPtrW(GetDlgItem(dialog, IDC_WEB_LINK), GWLP_WNDPROC, linkProc);
}

// At the display's scale, each logo pixel a block of whole pixels and none of
// a mixed colour: exact squares at 200% and 300%, at 125% and 150% blocks
// that differ by one pixel.
void DrawLogo(HDC dc, const BoxScale& scale) {
    const int size = MulDiv(LogoSize, scale.dpi, USER_DEFAULT_SCREEN_DPI);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, logoBitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, scale.X(LogoCentreX) - size / 2, scale.Y(LogoCentreY) - size / 2, size, size,
               memory, 0, 0, LogoSize, LogoSize, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void DrawGrooveRows(HDC dc, HPEN pen, const BoxScale& scale, int offset) {
    HGDIOBJ previous = SelectObject(dc, pen);
    for (int row : GrooveRows) {
        MoveToEx(dc, scale.X(GrooveLeft), scale.Y(row) + offset, nullptr);
        LineTo(dc, scale.X(GrooveEnd), scale.Y(row) + offset);
    }
    SelectObject(dc, previous);
}

// One pixel dark, one light, as the system draws its own etched edges at
// every scale.
void DrawEtchedLines(HDC dc, const BoxScale& scale) {
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawGrooveRows(dc, shadow, scale, 0);
    DrawGrooveRows(dc, highlight, scale, 1);
    DeleteObject(shadow);
    DeleteObject(highlight);
}

// The logo and the grooves, placed from the box's scale when it paints; the
// labels paint their addresses themselves, so painting never has to call
// back into a paint handler.
void PaintAboutBox(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    const BoxScale scale = ScaleOf(dialog);
    DrawLogo(dc, scale);
    DrawEtchedLines(dc, scale);
    EndPaint(dialog, &paint);
}

const wchar_t* LinkAddress(HWND label) {
    return GetDlgCtrlID(label) == IDC_MAIL_LINK ? ContactMailAddress : ContactWebAddress;
}

// The address alone in blue on the button face, in the box's own font: the
// label's own text ("mail", "link") is never drawn.
void PaintLinkLabel(HWND label, HDC dc) {
    RECT client;
    GetClientRect(label, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, LinkColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(GetParent(label), WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font);
    const wchar_t* address = LinkAddress(label);
    TextOutW(dc, 0, 0, address, lstrlenW(address));
    SelectObject(dc, previous);
}

void OpenAddress(const wchar_t* target) {
    ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

void CloseAboutBox(HWND dialog, WPARAM wParam) {
    EndDialog(dialog, static_cast<INT_PTR>(wParam));
    aboutDialogOpen = false;
}

// Only the control id counts: every notification from a label is a click.
INT_PTR OnAboutCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        CloseAboutBox(dialog, wParam);
        return TRUE;
    case IDCANCEL:
        CloseAboutBox(dialog, wParam);
        break;
    case IDC_MAIL_LINK:
        OpenAddress(ContactMailTarget);
        break;
    case IDC_WEB_LINK:
        OpenAddress(ContactWebAddress);
        break;
    }
    return FALSE;
}

} // namespace

void OpenAboutBox(HINSTANCE instance, HWND owner, HBITMAP logo) {
    if (aboutDialogOpen) return;
    logoBitmap = logo;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SubclassLinkLabels(dialog);
        aboutDialogOpen = true;
        return FALSE;
    case WM_PAINT:
        PaintAboutBox(dialog);
        return TRUE;
    case WM_COMMAND:
        return OnAboutCommand(dialog, wParam);
    case WM_DESTROY:
        aboutDialogOpen = false;
        return FALSE;
    }
    return FALSE;
}

LRESULT CALLBACK LinkStaticProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        PaintLinkLabel(label, BeginPaint(label, &paint));
        EndPaint(label, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintLinkLabel(label, reinterpret_cast<HDC>(wParam));
        return 0;
    }
    return CallWindowProcW(linkLabelBaseProc, label, message, wParam, lParam);
}
