#include "app/DisplayScaleWin32.h"

#include "base/WindowDpiWin32.h"

// The calling thread is made aware of scaling for the question alone: only
// then does Windows answer with the real scale. The taskbar follows its own
// display's scale at once; the screen's answer is the scale the system had
// when the user signed in.
int QueryDisplayDpi() {
    using SetAwarenessFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setContext = User32Function<SetAwarenessFunction>("SetThreadDpiAwarenessContext");
    if (!setContext) return WindowDpi(nullptr);
    DPI_AWARENESS_CONTEXT previous = setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const int dpi = WindowDpi(FindWindowW(L"Shell_TrayWnd", nullptr));
    if (previous) setContext(previous);
    return dpi;
}
