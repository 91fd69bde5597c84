#include "fetch/SocketLayer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static int Descriptor(SocketHandle socket) {
    return static_cast<int>(socket);
}

SocketHandle OpenTcpSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return fd < 0 ? NoSocket : static_cast<SocketHandle>(fd);
}

bool ParseDottedAddress(const char* host, uint32_t& address) {
    in_addr_t parsed = inet_addr(host);
    if (parsed == INADDR_NONE) return false;
    address = parsed;
    return true;
}

int ResolveHostName(const char* host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int status = getaddrinfo(host, nullptr, &hints, &found);
    if (status != 0) return status;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

int ConnectSocket(SocketHandle socket, uint32_t address, uint16_t port) {
    const sockaddr_in peer{
        .sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {address}, .sin_zero = {}};
    return ::connect(Descriptor(socket), reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
}

// MSG_NOSIGNAL: a peer that has gone away must fail the send, not kill the process.
int SendOnSocket(SocketHandle socket, const char* data, int length) {
    return static_cast<int>(::send(Descriptor(socket), data, length, MSG_NOSIGNAL));
}

int ReceiveOnSocket(SocketHandle socket, char* buffer, int capacity) {
    return static_cast<int>(::recv(Descriptor(socket), buffer, capacity, 0));
}

int ShutdownSocket(SocketHandle socket) {
    return ::shutdown(Descriptor(socket), SHUT_RDWR);
}

int CloseSocket(SocketHandle socket) {
    return ::close(Descriptor(socket));
}

int PollSocket(SocketHandle socket, ReadinessKind kind) {
    int fd = Descriptor(socket);
    // An fd_set cannot hold larger descriptors; report a failed poll instead.
    if (fd < 0 || fd >= FD_SETSIZE) {
        errno = EBADF;
        return -1;
    }
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval noWait{};
    fd_set* sets[3] = {nullptr, nullptr, nullptr}; // read, write, exception
    sets[kind - ReadyToRead] = &set;
    return ::select(fd + 1, sets[0], sets[1], sets[2], &noWait);
}

int LastSocketError() {
    return errno;
}

int InvalidArgumentError() {
    return EINVAL;
}

// A signal cuts nanosleep short; the rest of the pause is still waited.
void PlatformSleep(unsigned milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) == -1 && errno == EINTR) {
    }
}
