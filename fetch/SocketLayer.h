#pragma once
// The platform seam under the TCP client: Windows Sockets or POSIX sockets.
#include <cstddef>
#include <cstdint>

// The few socket calls the TCP client makes, over Windows Sockets or POSIX
// sockets. A handle is kept in an integer wide enough for either platform.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle NoSocket = ~SocketHandle{0};

enum ReadinessKind { ReadyToRead = 1, ReadyToWrite = 2, ReadyForException = 3 };

// An IPv4 or IPv6 address and port as the platform's connect takes it.
struct SocketAddress {
    alignas(8) unsigned char bytes[28]; // a sockaddr_in or sockaddr_in6
    int32_t length;
    uint16_t port;
};

// Every TCP address of host (a name, or a numeric IPv4 or IPv6 address), of
// both families, in the system's order, the first `limit` into found.
// Returns 0 or the platform's error code of the look-up.
int ResolveAddresses(const char* host, uint16_t port, SocketAddress* found, int limit, int& count);

// The address in numbers, without brackets or port ("::1", "192.0.2.1").
void AddressText(const SocketAddress& address, char* text, size_t size);

// Opens a socket for the address and begins a connection without waiting for
// it: true while it waits for an answer; false once it has ended, with error 0
// when it connected at once (socket open), else the platform's code (no socket).
bool StartConnect(const SocketAddress& address, SocketHandle& socket, int32_t& error);

// Waits up to the time given for one of the sockets' connections to end: its
// position, error 0 when it connected, else its error; -1 when none did. A
// socket that connected is left to block in its calls, as a plain connect's.
int WaitForConnect(const SocketHandle* sockets, int count, uint32_t milliseconds, int32_t& error);

// Milliseconds of a clock that only moves forward (wrapping at 2^32).
uint32_t MonotonicMilliseconds();

// Each returns the platform call's result (-1 on failure).
int SendOnSocket(SocketHandle socket, const char* data, int length);
int ReceiveOnSocket(SocketHandle socket, char* buffer, int capacity);
int ShutdownSocket(SocketHandle socket);
int CloseSocket(SocketHandle socket);

// select() with a zero time-out on the one socket: >0 ready, 0 not, -1 error.
int PollSocket(SocketHandle socket, ReadinessKind kind);

// The error code of the last failed call on this thread.
int LastSocketError();

// The code recorded when the caller asks for something no socket can do.
int InvalidArgumentError();

// The code of a connection the peer refused.
int ConnectionRefusedError();

// Blocks the calling thread for the pause between two polls of a socket.
void PlatformSleep(unsigned milliseconds);
