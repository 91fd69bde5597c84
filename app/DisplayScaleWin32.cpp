#include "app/DisplayScaleWin32.h"

namespace {

using SetAwarenessFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using WindowDpiFunction = UINT(WINAPI*)(HWND);

// Both come with Windows 10 1607; user32 is always loaded.
template <typename Function> Function User32Function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The taskbar follows its own display's scale at once; the screen's answer
// is the scale the system had when the user signed in.
int AwareDpi() {
    const auto windowDpi = User32Function<WindowDpiFunction>("GetDpiForWindow");
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    const int dpi = windowDpi && taskbar ? static_cast<int>(windowDpi(taskbar)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

} // namespace

// The calling thread is made aware of scaling for the question alone: only
// then does Windows answer with the real scale.
int QueryDisplayDpi() {
    const auto setContext = User32Function<SetAwarenessFunction>("SetThreadDpiAwarenessContext");
    if (!setContext) return ScreenDpi();
    DPI_AWARENESS_CONTEXT previous = setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    const int dpi = AwareDpi();
    if (previous) setContext(previous);
    return dpi;
}
