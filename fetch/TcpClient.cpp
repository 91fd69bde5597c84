#include "fetch/TcpClient.h"

inline constexpr long LowestPort = 1;
inline constexpr long HighestPort = 65535;

bool IsUsablePort(long port) {
    return port >= LowestPort && port <= HighestPort;
}

namespace {

// The race over the platform's sockets and clock.
struct SocketRace {
    const SocketAddress* addresses;

    uint32_t Now() { return MonotonicMilliseconds(); }
    bool Start(int address, SocketHandle& socket, int32_t& error) {
        return StartConnect(addresses[address], socket, error);
    }
    int WaitForAnswer(const SocketHandle* sockets, int count, uint32_t milliseconds,
                      int32_t& error) {
        return WaitForConnect(sockets, count, milliseconds, error);
    }
    void Close(SocketHandle socket) { CloseSocket(socket); }
};

} // namespace

TcpClient::~TcpClient() {
    Close();
}

bool TcpClient::Connect(const char* host, long port) {
    attemptCount = 0;
    resolveFailed = false;
    if (!IsUsablePort(port)) return Abandon(InvalidArgumentError());
    int count = 0;
    int error = ResolveAddresses(host, static_cast<uint16_t>(port), addresses, AddressLimit, count);
    resolveFailed = error != 0;
    if (resolveFailed) return Abandon(error);
    SocketRace race{addresses};
    int winner = RaceConnections(race, count, attempts, attemptCount, socket);
    if (winner < 0) return Abandon(attemptCount > 0 ? attempts[attemptCount - 1].error : 0);
    lastError = 0;
    return true;
}

// A connection that cannot be made leaves no socket open.
bool TcpClient::Abandon(int error) {
    socket = NoSocket;
    lastError = error;
    return false;
}

int TcpClient::Send(const char* data, int length) {
    int sent = SendOnSocket(socket, data, length);
    lastError = sent == -1 ? LastSocketError() : 0;
    return sent;
}

int TcpClient::Receive(char* buffer, int capacity) {
    int received = ReceiveOnSocket(socket, buffer, capacity);
    lastError = received == -1 ? LastSocketError() : 0;
    return received;
}

bool TcpClient::IsReady(int kind) {
    if (kind < ReadyToRead || kind > ReadyForException) return false;
    // A failing poll counts as ready: the Send or Receive that follows reports it.
    return PollSocket(socket, static_cast<ReadinessKind>(kind)) != 0;
}

int TcpClient::Close() {
    // The handle is forgotten after the first close, so a second close can
    // never reach a socket the platform has since handed to someone else.
    if (socket == NoSocket) return -1;
    ShutdownSocket(socket);
    int result = CloseSocket(socket);
    socket = NoSocket;
    return result;
}
