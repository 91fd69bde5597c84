#include "fetch/SocketLayer.h"

#include "fetch/AddressLookup.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static int Descriptor(SocketHandle socket) {
    return static_cast<int>(socket);
}

static bool SetNonBlocking(int fd, bool nonBlocking) {
    int flags = fcntl(fd, F_GETFL);
    if (flags == -1) return false;
    flags = nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
    return fcntl(fd, F_SETFL, flags) == 0;
}

static_assert(FitsSocketAddress<sockaddr_in, sockaddr_in6>(),
              "an IPv6 address would not fit, or the port lies elsewhere");

int ResolveAddresses(const char* host, uint16_t port, SocketAddress* found, int limit, int& count) {
    return LookUpAddresses<addrinfo>(AF_UNSPEC, SOCK_STREAM, IPPROTO_TCP, EAI_NONAME, host, port,
                                     found, limit, count);
}

void AddressText(const SocketAddress& address, char* text, size_t size) {
    NumericHostText<sockaddr, socklen_t>(address, NI_NUMERICHOST, text, size);
}

// connect without waiting; -1 with errno EINPROGRESS while it goes on.
static int BeginConnect(int fd, const SocketAddress& address) {
    // An fd_set cannot hold larger descriptors.
    if (fd >= FD_SETSIZE) {
        errno = EMFILE;
        return -1;
    }
    if (!SetNonBlocking(fd, true)) return -1;
    return ::connect(fd, reinterpret_cast<const sockaddr*>(address.bytes),
                     static_cast<socklen_t>(address.length));
}

bool StartConnect(const SocketAddress& address, SocketHandle& socket, int32_t& error) {
    int fd = ::socket(reinterpret_cast<const sockaddr*>(address.bytes)->sa_family, SOCK_STREAM,
                      IPPROTO_TCP);
    if (fd < 0) {
        error = errno;
        return false;
    }
    int result = BeginConnect(fd, address);
    socket = static_cast<SocketHandle>(fd);
    if (result == -1 && errno == EINPROGRESS) return true;
    // Connected at once: from now on the socket's calls block, as a plain connect's.
    if (result == 0 && SetNonBlocking(fd, false)) {
        error = 0;
        return false;
    }
    error = errno;
    close(fd);
    socket = NoSocket;
    return false;
}

int WaitForConnect(const SocketHandle* sockets, int count, uint32_t milliseconds, int32_t& error) {
    fd_set writable;
    FD_ZERO(&writable);
    int highest = -1;
    for (int i = 0; i < count; ++i) {
        FD_SET(Descriptor(sockets[i]), &writable);
        if (Descriptor(sockets[i]) > highest) highest = Descriptor(sockets[i]);
    }
    timeval wait{static_cast<time_t>(milliseconds / 1000),
                 static_cast<suseconds_t>(milliseconds % 1000 * 1000)};
    // A signal that cuts the wait short reads as no answer; the caller's clock goes on.
    if (::select(highest + 1, nullptr, &writable, nullptr, &wait) <= 0) return -1;
    for (int i = 0; i < count; ++i) {
        int fd = Descriptor(sockets[i]);
        if (!FD_ISSET(fd, &writable)) continue;
        int pending = 0;
        socklen_t length = sizeof pending;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) pending = errno;
        if (pending == 0 && !SetNonBlocking(fd, false)) pending = errno;
        error = pending;
        return i;
    }
    return -1;
}

uint32_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000);
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

int ConnectionRefusedError() {
    return ECONNREFUSED;
}

// A signal cuts nanosleep short; the rest of the pause is still waited.
void PlatformSleep(unsigned milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) == -1 && errno == EINTR) {
    }
}
