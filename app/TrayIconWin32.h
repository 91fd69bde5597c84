#pragma once
// The program's one notification-area icon. Every icon handed to Add, Modify
// or Restore becomes the tray icon's: Add releases it as soon as the shell has
// its own copy, Modify keeps it until the next Modify replaces it.
#include <windows.h>
#include <shellapi.h>

#include "app/Lock.h"
#include "fetch/RefreshWorker.h"

inline constexpr int TrayTipSize = 64;

class TrayIcon {
  public:
    NOTIFYICONDATAA notifyData;

    void Add(HWND window, UINT id, HICON icon, const char* tip, UINT callbackMessage);
    void Modify(HICON icon, const char* tip);
    void Delete();

    // True when the shell has no icon of ours although we never deleted it:
    // the notification area was missing at start or has lost the icon.
    bool IsLost();

    // Shows the icon again with the picture and tooltip it last had; the
    // no-reading icon stands in when no picture is held (only Add has run).
    void Restore(HICON noReadingIcon);

  private:
    enum class Presence { NotAdded, Shown, Lost, Deleted };

    void SetTip(const char* tip);
    bool Notify(DWORD operation);

    // Modify runs on refresh threads and on the main thread; the held icon
    // must be released exactly once.
    Lock recordLock;
    Presence presence = Presence::NotAdded;
};

// Where refreshes show their outcome: the tray icon.
class TrayRefreshView : public RefreshView {
  public:
    void Show(double temperature, const char* tooltip) override;
};

extern TrayRefreshView trayRefreshView;
