#pragma once
// The TCP connection of one fetch.
#include <cstdint>

#include "fetch/SocketLayer.h"

// True for the ports a connection can be made to, 1 to 65535.
bool IsUsablePort(long port);

// A blocking client over one IPv4 TCP socket, used for one connection only.
// Its construction creates the socket; readiness is polled without waiting.
class TcpClient {
  public:
    TcpClient();
    // Closes a socket that the owner left open.
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Dotted IPv4 addresses are used as they are, other texts are resolved.
    // A port outside 1-65535 fails without any connection attempt.
    bool Connect(const char* host, long port);
    int Send(const char* data, int length);
    int Receive(char* buffer, int capacity);
    // kind is a ReadinessKind; any other value answers false at once.
    bool IsReady(int kind);
    // Shuts down and closes the socket once; later calls return -1.
    int Close();

    // The platform's error code of the last Connect, Send or Receive; 0 after success.
    int32_t lastError = 0;
    // Whether the last Connect failed at the host name's look-up.
    bool resolveFailed = false;

  private:
    SocketHandle socket;

    bool Abandon(int error);
    bool ResolveAddress(const char* host, uint32_t& address);
};
