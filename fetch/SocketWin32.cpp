#include "fetch/SocketLayer.h"

#include "fetch/AddressLookup.h"
#include "fetch/ConnectRace.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>

static SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

static bool SetNonBlocking(SOCKET socket, bool nonBlocking) {
    u_long mode = nonBlocking ? 1 : 0;
    return ioctlsocket(socket, FIONBIO, &mode) == 0;
}

static_assert(FitsSocketAddress<sockaddr_in, sockaddr_in6>(),
              "an IPv6 address would not fit, or the port lies elsewhere");

// getaddrinfo is in ws2_32 from Windows XP on, and needs no more of Windows
// Sockets than the version 1.1 the main window starts.
int ResolveAddresses(const char* host, uint16_t port, SocketAddress* found, int limit, int& count) {
    return LookUpAddresses<addrinfo>(AF_UNSPEC, SOCK_STREAM, IPPROTO_TCP, WSAHOST_NOT_FOUND, host,
                                     port, found, limit, count);
}

void AddressText(const SocketAddress& address, char* text, size_t size) {
    NumericHostText<sockaddr, DWORD>(address, NI_NUMERICHOST, text, size);
}

bool StartConnect(const SocketAddress& address, SocketHandle& socket, int32_t& error) {
    const sockaddr* peer = reinterpret_cast<const sockaddr*>(address.bytes);
    SOCKET created = ::socket(peer->sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (created == INVALID_SOCKET) {
        error = WSAGetLastError();
        return false;
    }
    socket = static_cast<SocketHandle>(created);
    int result = SetNonBlocking(created, true) ? ::connect(created, peer, address.length) : -1;
    if (result == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return true;
    // Connected at once: from now on the socket's calls block, as a plain connect's.
    if (result == 0 && SetNonBlocking(created, false)) {
        error = 0;
        return false;
    }
    error = WSAGetLastError();
    closesocket(created);
    socket = NoSocket;
    return false;
}

// A connection that ends shows in the write set when made, in the exception set when not.
int WaitForConnect(const SocketHandle* sockets, int count, uint32_t milliseconds, int32_t& error) {
    static_assert(AddressLimit <= FD_SETSIZE, "the sockets of one connect fit a set");
    fd_set writable;
    writable.fd_count = static_cast<u_int>(count);
    for (int i = 0; i < count; ++i)
        writable.fd_array[i] = Native(sockets[i]);
    fd_set failed = writable;
    timeval wait{static_cast<long>(milliseconds / 1000),
                 static_cast<long>(milliseconds % 1000 * 1000)};
    if (::select(0, nullptr, &writable, &failed, &wait) <= 0) return -1;
    for (int i = 0; i < count; ++i) {
        SOCKET socket = Native(sockets[i]);
        if (FD_ISSET(socket, &writable)) {
            error = SetNonBlocking(socket, false) ? 0 : WSAGetLastError();
            return i;
        }
        if (FD_ISSET(socket, &failed)) {
            int pending = 0;
            int length = sizeof pending;
            if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending),
                           &length) != 0) {
                pending = WSAGetLastError();
            }
            error = pending;
            return i;
        }
    }
    return -1;
}

uint32_t MonotonicMilliseconds() {
    return GetTickCount();
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

int ConnectionRefusedError() {
    return WSAECONNREFUSED;
}

void PlatformSleep(unsigned milliseconds) {
    Sleep(milliseconds);
}
