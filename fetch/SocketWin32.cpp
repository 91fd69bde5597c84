#include "fetch/SocketLayer.h"

#include <winsock2.h>

#include <cstring>

static SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

SocketHandle OpenTcpSocket() {
    SOCKET created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return created == INVALID_SOCKET ? NoSocket : static_cast<SocketHandle>(created);
}

bool ParseDottedAddress(const char* host, uint32_t& address) {
    unsigned long parsed = inet_addr(host);
    if (parsed == INADDR_NONE) return false;
    address = static_cast<uint32_t>(parsed);
    return true;
}

int ResolveHostName(const char* host, uint32_t& address) {
    hostent* entry = gethostbyname(host);
    if (entry == nullptr || entry->h_addr_list[0] == nullptr) {
        int error = WSAGetLastError();
        return error != 0 ? error : WSANO_DATA;
    }
    in_addr first;
    memcpy(&first, entry->h_addr_list[0], sizeof first);
    address = static_cast<uint32_t>(first.s_addr);
    return 0;
}

int ConnectSocket(SocketHandle socket, uint32_t address, uint16_t port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    return ::connect(Native(socket), reinterpret_cast<sockaddr*>(&peer), sizeof peer);
}

int SendOnSocket(SocketHandle socket, const char* data, int length) {
    return ::send(Native(socket), data, length, 0);
}

int ReceiveOnSocket(SocketHandle socket, char* buffer, int capacity) {
    return ::recv(Native(socket), buffer, capacity, 0);
}

int ShutdownSocket(SocketHandle socket) {
    return ::shutdown(Native(socket), SD_BOTH);
}

int CloseSocket(SocketHandle socket) {
    return ::closesocket(Native(socket));
}

int PollSocket(SocketHandle socket, ReadinessKind kind) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(socket), &set);
    timeval noWait{};
    fd_set* sets[3] = {nullptr, nullptr, nullptr}; // read, write, exception
    sets[kind - ReadyToRead] = &set;
    // Windows ignores the first argument.
    return ::select(0, sets[0], sets[1], sets[2], &noWait);
}

int LastSocketError() {
    return WSAGetLastError();
}

int InvalidArgumentError() {
    return WSAEINVAL;
}

void PlatformSleep(unsigned milliseconds) {
    Sleep(milliseconds);
}
