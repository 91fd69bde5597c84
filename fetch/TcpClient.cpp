#include "fetch/TcpClient.h"

inline constexpr long LowestPort = 1;
inline constexpr long HighestPort = 65535;

bool IsUsablePort(long port) {
    return port >= LowestPort && port <= HighestPort;
}

TcpClient::TcpClient() : socket(OpenTcpSocket()) {}

TcpClient::~TcpClient() {
    Close();
}

bool TcpClient::Connect(const char* host, long port) {
    if (!IsUsablePort(port)) return Abandon(InvalidArgumentError());
    uint32_t address = 0;
    if (!ResolveAddress(host, address)) return false;
    if (ConnectSocket(socket, address, static_cast<uint16_t>(port)) == -1) {
        return Abandon(LastSocketError());
    }
    lastError = 0;
    return true;
}

bool TcpClient::ResolveAddress(const char* host, uint32_t& address) {
    if (ParseDottedAddress(host, address)) return true;
    int error = ResolveHostName(host, address);
    resolveFailed = error != 0;
    return error == 0 || Abandon(error);
}

// A connection that cannot be made closes the socket at once, without shutdown.
bool TcpClient::Abandon(int error) {
    if (socket != NoSocket) CloseSocket(socket);
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
