#include "app/TrayIconWin32.h"

#include "base/Text.h"

// The shell is told the record's first published form (a 64-character
// tooltip, no balloons), so it reads no further than that.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAW_V1_SIZE == 152, "152-byte record on 32 bits");

void TrayIcon::Add(HWND window, UINT id, HICON icon, const char* tip, UINT callbackMessage) {
    LockHolder hold(recordLock);
    notifyData.cbSize = NOTIFYICONDATAW_V1_SIZE;
    notifyData.hWnd = window;
    notifyData.uID = id;
    notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData.uCallbackMessage = callbackMessage;
    notifyData.hIcon = icon;
    SetTip(tip);
    presence = Notify(NIM_ADD) ? Presence::Shown : Presence::Lost;
    if (icon) {
        DestroyIcon(icon);
        notifyData.hIcon = nullptr;
    }
}

void TrayIcon::Modify(HICON icon, const char* tip) {
    LockHolder hold(recordLock);
    SetTip(tip);
    ShowHeld(icon);
}

void TrayIcon::ReplaceIcon(HICON icon) {
    LockHolder hold(recordLock);
    ShowHeld(icon);
}

void TrayIcon::ShowHeld(HICON icon) {
    if (notifyData.hIcon) DestroyIcon(notifyData.hIcon);
    notifyData.hIcon = icon;
    // A refused modification means the shell no longer knows the icon.
    if (!Notify(NIM_MODIFY) && presence == Presence::Shown) presence = Presence::Lost;
}

void TrayIcon::Delete() {
    LockHolder hold(recordLock);
    Notify(NIM_DELETE);
    presence = Presence::Deleted;
}

bool TrayIcon::IsLost() const {
    return presence == Presence::Lost;
}

void TrayIcon::Restore(HICON noReadingIcon) {
    LockHolder hold(recordLock);
    if (presence == Presence::NotAdded || presence == Presence::Deleted) {
        if (noReadingIcon) DestroyIcon(noReadingIcon);
        return;
    }
    if (notifyData.hIcon) {
        if (noReadingIcon) DestroyIcon(noReadingIcon);
    } else {
        notifyData.hIcon = noReadingIcon;
    }
    // The shell may still show the icon (a broadcast without a restart):
    // then adding fails and modifying succeeds.
    bool shown = Notify(NIM_ADD) || Notify(NIM_MODIFY);
    presence = shown ? Presence::Shown : Presence::Lost;
}

void TrayIcon::SetTip(const char* tip) {
    if (tip) {
        Cp1251ToUtf16(tip, notifyData.szTip, TrayTipSize);
    } else {
        notifyData.szTip[0] = '\0';
    }
}

bool TrayIcon::Notify(DWORD operation) {
    return Shell_NotifyIconW(operation, &notifyData) != FALSE;
}

HICON TrayView::Compose(double temperature) const {
    return ComposeTemperatureIcon(temperature, *bitmaps, window, iconSize);
}

void TrayView::Show(double temperature, const char* tooltip) {
    LockHolder hold(viewLock);
    shownTemperature = temperature;
    trayIcon->Modify(Compose(temperature), tooltip);
}

void TrayView::Resize(int size) {
    LockHolder hold(viewLock);
    iconSize = size;
    trayIcon->ReplaceIcon(Compose(shownTemperature));
}
