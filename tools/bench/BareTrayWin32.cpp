// The least a tray program can be: a hidden window, a one-second timer and
// one notification icon. The benchmark sets the program's memory beside it.
#include <windows.h>
#include <shellapi.h>

static NOTIFYICONDATAA notifyData;

static LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, 1, 1000, nullptr);
        notifyData.cbSize = NOTIFYICONDATAA_V1_SIZE;
        notifyData.hWnd = window;
        notifyData.uID = 1;
        notifyData.uFlags = NIF_ICON | NIF_TIP;
        notifyData.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));
        lstrcpynA(notifyData.szTip, "bare", 64);
        Shell_NotifyIconA(NIM_ADD, &notifyData);
        return 0;
    case WM_DESTROY:
        Shell_NotifyIconA(NIM_DELETE, &notifyData);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "ZarviloBareTray";
    RegisterClassA(&windowClass);
    CreateWindowExA(0, windowClass.lpszClassName, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr,
                    instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
