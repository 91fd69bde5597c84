#pragma once
// The platform seam under the TCP client: Windows Sockets or POSIX sockets.
#include <cstdint>

// The few socket calls the TCP client makes, over Windows Sockets or POSIX
// sockets. A handle is kept in an integer wide enough for either platform.
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle NoSocket = ~SocketHandle{0};

enum ReadinessKind { ReadyToRead = 1, ReadyToWrite = 2, ReadyForException = 3 };

SocketHandle OpenTcpSocket();

// A dotted IPv4 address in network byte order; false for any other text.
bool ParseDottedAddress(const char* host, uint32_t& address);

// Resolves a host name to its first IPv4 address, in network byte order.
// Returns 0 or the platform's error code.
int ResolveHostName(const char* host, uint32_t& address);

// Each returns the platform call's result (-1 on failure).
int ConnectSocket(SocketHandle socket, uint32_t address, uint16_t port);
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

// Blocks the calling thread for the pause between two polls of a socket.
void PlatformSleep(unsigned milliseconds);
