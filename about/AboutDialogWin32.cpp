#include "about/AboutDialogWin32.h"

#include <shellapi.h>

#include "res/ResourceIds.h"

namespace {

// The box's own state; it runs on the main thread only.
HBITMAP logoBitmap;
WNDPROC linkLabelBaseProc;
bool aboutDialogOpen;

constexpr int LogoLeft = 62;
constexpr int LogoTop = 32;
constexpr int LogoSize = 48;

// Dark rows of the three etched grooves; each light row lies one below.
constexpr int GrooveRows[] = {295, 85, 175};
constexpr int GrooveLeft = 60;
constexpr int GrooveEnd = 225; // exclusive

constexpr COLORREF LinkColour = RGB(0, 0, 255);

// Both labels are statics, so the procedure saved from the first serves both.
void SubclassLinkLabels(HWND dialog) {
    auto linkProc = reinterpret_cast<LONG_PTR>(LinkStaticProc);
    LONG_PTR baseProc =
        SetWindowLongPtrW(GetDlgItem(dialog, IDC_MAIL_LINK), GWLP_WNDPROC, linkProc);
    linkLabelBaseProc = reinterpret_cast<WNDPROC>(baseProc);
    SetWindowLongPtrW(GetDlgItem(dialog, IDC_WEB_LINK), GWLP_WNDPROC, linkProc);
}

void DrawLogo(HDC dc) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, logoBitmap);
    BitBlt(dc, LogoLeft, LogoTop, LogoSize, LogoSize, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void DrawGrooveRows(HDC dc, HPEN pen, int offset) {
    HGDIOBJ previous = SelectObject(dc, pen);
    for (int row : GrooveRows) {
        MoveToEx(dc, GrooveLeft, row + offset, nullptr);
        LineTo(dc, GrooveEnd, row + offset);
    }
    SelectObject(dc, previous);
}

void DrawEtchedLines(HDC dc) {
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawGrooveRows(dc, shadow, 0);
    DrawGrooveRows(dc, highlight, 1);
    DeleteObject(shadow);
    DeleteObject(highlight);
}

// The logo and the grooves; the labels paint their addresses themselves, so
// painting never has to call back into a paint handler.
void PaintAboutBox(HWND dialog) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    DrawLogo(dc);
    DrawEtchedLines(dc);
    EndPaint(dialog, &paint);
}

const wchar_t* LinkAddress(HWND label) {
    return GetDlgCtrlID(label) == IDC_MAIL_LINK ? ContactMailAddress : ContactWebAddress;
}

// The address alone in blue on the button face: the label's own text
// ("mail", "link") is never drawn.
void PaintLinkLabel(HWND label, HDC dc) {
    RECT client;
    GetClientRect(label, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, LinkColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
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
