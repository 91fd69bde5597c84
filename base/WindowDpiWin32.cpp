#include "base/WindowDpiWin32.h"

namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace

int WindowDpi(HWND window) {
    using WindowDpiFunction = UINT(WINAPI*)(HWND);
    const auto windowDpi = User32Function<WindowDpiFunction>("GetDpiForWindow");
    const int dpi = windowDpi && window ? static_cast<int>(windowDpi(window)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}
