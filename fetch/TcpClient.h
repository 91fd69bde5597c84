#pragma once
// The TCP connection of one fetch.
#include <cstdint>

#include "fetch/ConnectRace.h"
#include "fetch/SocketLayer.h"

// True for the ports a connection can be made to, 1 to 65535.
bool IsUsablePort(long port);

// A blocking client over one TCP connection, IPv4 or IPv6, used for one
// connection only. Readiness is polled without waiting.
class TcpClient {
  public:
    TcpClient() = default;
    // Closes a socket that the owner left open.
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Resolves host (a name, or a numeric IPv4 or IPv6 address) and connects
    // to the first of its addresses that answers (RaceConnections). A port
    // outside 1-65535 fails without any connection attempt.
    bool Connect(const char* host, long port);
    int Send(const char* data, int length);
    int Receive(char* buffer, int capacity);
    // kind is a ReadinessKind; any other value answers false at once.
    bool IsReady(int kind);
    // Shuts down and closes the socket once; later calls return -1.
    int Close();

    // The platform's error code of the last Connect, Send or Receive; 0 after
    // success, and after a Connect whose every address stayed silent.
    int32_t lastError = 0;
    // Whether the last Connect failed at the host name's look-up.
    bool resolveFailed = false;
    // The addresses the last Connect tried, in the order tried, and what each did.
    int attemptCount = 0;
    SocketAddress addresses[AddressLimit];
    ConnectAttempt attempts[AddressLimit];

  private:
    SocketHandle socket = NoSocket;

    bool Abandon(int error);
};
