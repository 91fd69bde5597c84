#include "probe/ProbePlatform.h"

#include <winsock2.h>
#include <winhttp.h>

#include "base/Text.h"

bool StartProbePlatform() {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

// The console's code page (866 on a Russian system) cannot show every
// character, and setting it would outlast the probe; wide output needs neither.
bool WriteToConsole(const char* text) {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(output, &mode)) return false;
    std::wstring wide(strlen(text) + 1, L'\0');
    Utf8ToUtf16(text, wide.data(), wide.size());
    DWORD written;
    WriteConsoleW(output, wide.c_str(), static_cast<DWORD>(wcslen(wide.c_str())), &written,
                  nullptr);
    return true;
}

// A few words of its own for Windows Sockets' and WinHTTP's codes, in English like the probe's
// other labels: the system's messages come in the user's language and code page.
std::string SocketErrorText(int error) {
    switch (error) {
    case WSAEINVAL:
        return "invalid argument";
    case WSAENETDOWN:
        return "network is down";
    case WSAENETUNREACH:
        return "network unreachable";
    case WSAECONNABORTED:
        return "connection aborted";
    case WSAECONNRESET:
        return "connection reset";
    case WSAETIMEDOUT:
        return "connection timed out";
    case WSAECONNREFUSED:
        return "connection refused";
    case WSAEHOSTUNREACH:
        return "host unreachable";
    case ERROR_WINHTTP_TIMEOUT:
        return "timed out";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "cannot connect";
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "connection reset or closed";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return "invalid answer";
    }
    return "socket error";
}
