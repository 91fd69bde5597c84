#pragma once
// The program's one notification-area icon. Every icon handed to Add, Modify
// or Restore becomes the tray icon's: Add releases it as soon as the shell has
// its own copy, Modify keeps it until the next Modify replaces it.
#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "app/Refresh.h"
#include "base/Lock.h"
#include "icon/IconComposerWin32.h"

inline constexpr int TrayTipSize = 64;

class TrayIcon {
  public:
    NOTIFYICONDATAW notifyData;

    // Tooltips are the program's Windows-1251 texts.
    void Add(HWND window, UINT id, HICON icon, const char* tip, UINT callbackMessage);
    void Modify(HICON icon, const char* tip);
    // Modify with the tooltip as it is.
    void ReplaceIcon(HICON icon);
    void Delete();

    // True when the shell has no icon of ours although we never deleted it:
    // the notification area was missing at start or has lost the icon. Never
    // waits, not even for a shell call that another thread is in.
    bool IsLost() const;

    // Shows the icon again with the picture and tooltip it last had; the
    // no-reading icon stands in when no picture is held (only Add has run).
    void Restore(HICON noReadingIcon);

  private:
    enum class Presence { NotAdded, Shown, Lost, Deleted };

    void SetTip(const char* tip);
    // Takes icon in place of the held one and shows it; recordLock is held.
    void ShowHeld(HICON icon);
    bool Notify(DWORD operation);

    // Modify runs on refresh threads and on the main thread; the held icon
    // must be released exactly once.
    Lock recordLock;
    std::atomic<Presence> presence{Presence::NotAdded};
};

// Where refreshes show their outcome: the tray icon, drawn for the hidden
// window at the size the display scale asks for. The three pointers are set
// on the main thread before the first refresh starts and left alone
// afterwards, so refresh threads read them without a lock.
class TrayView : public RefreshView {
  public:
    TrayIcon* trayIcon = nullptr;
    const IconBitmaps* bitmaps = nullptr;
    HWND window = nullptr;

    HICON Compose(double temperature) const;
    void Show(double temperature, const char* tooltip) override;

    int CurrentIconSize() const { return iconSize; }
    // The size for icons to come; before the icon is added.
    void SetIconSize(int size) { iconSize = size; }
    // Shows what is shown at another size.
    void Resize(int size);

  private:
    // A refresh and a new size each compose and hand over the icon whole, so
    // the last icon shown always has the last size.
    Lock viewLock;
    std::atomic<int> iconSize{IconSize};
    double shownTemperature = UnknownTemperature;
};
