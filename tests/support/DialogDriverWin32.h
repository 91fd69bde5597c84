#pragma once
// Helpers for tests that show real dialogs under Wine: message pumping,
// screen read-back and a second thread that drives a modal dialog.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

inline void PumpMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// Pumps messages until done() holds or the time is up; the answer is done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 10000) {
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < milliseconds)
        PumpMessagesFor(20);
    return done();
}

// Pixels of a screen rectangle, read back after they were drawn.
struct ScreenPixels {
    RECT area;
    std::vector<uint32_t> bgrx;

    COLORREF At(int screenX, int screenY) const {
        uint32_t pixel =
            bgrx[(screenY - area.top) * (area.right - area.left) + screenX - area.left];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
};

// Copies what dc shows in area (its own coordinates) into top-down 32-bit pixels.
inline std::vector<uint32_t> ReadPixels(HDC dc, const RECT& area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(first, first + width * height);
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

// What draw paints on a fresh screen-compatible canvas of this size.
inline std::vector<uint32_t> PaintedPixels(int width, int height,
                                           const std::function<void(HDC)>& draw) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, canvas);
    draw(memory);
    std::vector<uint32_t> pixels = ReadPixels(memory, RECT{0, 0, width, height});
    SelectObject(memory, previous);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

inline ScreenPixels ReadScreen(const RECT& area) {
    HDC screen = GetDC(nullptr);
    ScreenPixels result{area, ReadPixels(screen, area)};
    ReleaseDC(nullptr, screen);
    return result;
}

inline BOOL CALLBACK KeepVisibleDialog(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The visible dialog box that thread owns, if any.
inline HWND FindThreadDialog(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(threadId, KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs work on a second thread, as a user or another program acting on this
// thread's windows would; the destructor waits for it.
class DriverThread {
  public:
    explicit DriverThread(std::function<void()> work) : work(std::move(work)) {
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~DriverThread() {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    DriverThread(const DriverThread&) = delete;
    DriverThread& operator=(const DriverThread&) = delete;

  private:
    static DWORD WINAPI Run(LPVOID self) {
        static_cast<DriverThread*>(self)->work();
        return 0;
    }

    std::function<void()> work;
    HANDLE thread;
};

// Polls find() from a driver thread until it gives a window or time is up.
inline HWND WaitForWindow(const std::function<HWND()>& find, DWORD milliseconds = 10000) {
    HWND found = find();
    for (DWORD start = GetTickCount(); !found && GetTickCount() - start < milliseconds;
         found = find())
        Sleep(10);
    return found;
}

// Runs a modal dialog on this thread while drive(dialog) acts on it from a
// second thread. When drive leaves the dialog open, it is cancelled after a
// while so the test cannot hang; the answer is then -2.
inline INT_PTR RunModalDialog(int templateId, DLGPROC proc, std::function<void(HWND)> drive) {
    DWORD owner = GetCurrentThreadId();
    bool forced = false;
    INT_PTR result;
    {
        DriverThread driver([&] {
            HWND dialog = WaitForWindow([&] { return FindThreadDialog(owner); }, 5000);
            if (!dialog) return;
            drive(dialog);
            WaitForWindow([&] { return IsWindowVisible(dialog) ? nullptr : dialog; }, 5000);
            if (!IsWindowVisible(dialog)) return;
            forced = true;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr,
                                 proc, 0);
    }
    return forced ? -2 : result;
}
