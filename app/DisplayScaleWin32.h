#pragma once
// The display scale the notification area draws at, while the program's own
// windows stay unaware of scaling and keep their look.
#include <windows.h>

// The dots per inch of the display that holds the taskbar: 96 at 100%, 192
// at 200%. Where Windows cannot tell a program that is unaware of scaling,
// it answers as the system scales such a program, usually 96.
int QueryDisplayDpi();
