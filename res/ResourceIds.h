#pragma once
// Resource, control and command ids shared by the resource scripts and the
// code. Plain defines: the resource compiler reads this file too.

// Dialog templates
#define IDD_SETTINGS 101
#define IDD_ABOUT 102

// Bitmaps
#define IDB_DIGITS 110
#define IDB_BG_UNKNOWN 111
#define IDB_BG_POSITIVE 112
#define IDB_BG_NEGATIVE 113
#define IDB_BG_ZERO 114
#define IDB_LOGO 115

// Settings dialog controls
#define IDC_PROXY_HOST 1000
#define IDC_PROXY_PORT 1001
#define IDC_USE_PROXY 1002
#define IDC_SOURCE_URL 1003
#define IDC_REFRESH_SPIN 1004
#define IDC_REFRESH_MINUTES 1005
#define IDC_WRITE_LOG 1006
#define IDC_LOG_FILE 1007
#define IDC_BROWSE_LOG 1008

// About dialog link labels
#define IDC_MAIL_LINK 1009
#define IDC_WEB_LINK 1010

// Tray menu commands
#define IDM_GRAPH 32771
#define IDM_REFRESH 32772
#define IDM_EXIT 32773
#define IDM_ABOUT 32774
#define IDM_SETTINGS 32775
#define IDM_START_WITH_WINDOWS 32776

// Callback message of the tray icon (WM_APP + 1)
#define WM_TRAYNOTIFY 32769
