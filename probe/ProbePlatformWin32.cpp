#include "probe/ProbePlatform.h"

#include <winsock2.h>

bool StartProbePlatform(bool raw) {
    SetConsoleOutputCP(raw ? 1251 : CP_UTF8);
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}
