#pragma once
// Connecting to one of a name's addresses, tried in the system's order and
// staggered (RFC 8305): the schedule, written against any platform with a
// clock, so that it can be tested with a clock the test controls.
#include <cstdint>

#include "fetch/SocketLayer.h"

// A name's addresses beyond these are not tried.
inline constexpr int AddressLimit = 16;
// An address that has neither connected nor been refused this long after its
// attempt began no longer holds up the next.
inline constexpr uint32_t AttemptStaggerMilliseconds = 250;
// The whole connect, every address included, as long as a Windows connect takes.
inline constexpr uint32_t ConnectLimitMilliseconds = 21000;

enum class AttemptOutcome : uint8_t {
    Waiting,   // no answer yet; when the race has ended, none within the limit
    Connected, // the connection the fetch uses, or one closed because another won
    Refused,   // the address refused the connection
    Failed,    // any other error
};

struct ConnectAttempt {
    AttemptOutcome outcome;
    int32_t error; // the platform's code for Refused and Failed
};

inline AttemptOutcome OutcomeOf(int32_t error) {
    if (error == 0) return AttemptOutcome::Connected;
    return error == ConnectionRefusedError() ? AttemptOutcome::Refused : AttemptOutcome::Failed;
}

// The attempts still waiting for an answer, with the addresses they are for.
struct WaitingAttempts {
    SocketHandle sockets[AddressLimit];
    int addresses[AddressLimit];
    int count = 0;

    void Add(SocketHandle socket, int address) {
        sockets[count] = socket;
        addresses[count++] = address;
    }
    // Takes the attempt at position out of the set (the last takes its place); its socket.
    SocketHandle Remove(int position) {
        SocketHandle socket = sockets[position];
        --count;
        sockets[position] = sockets[count];
        addresses[position] = addresses[count];
        return socket;
    }
    template <class Platform> void CloseAll(Platform& platform) {
        while (count > 0)
            platform.Close(Remove(count - 1));
    }
};

// Connects to the first of `count` addresses (at most AddressLimit) that
// answers. The platform gives
//   uint32_t Now()  milliseconds of a clock that only moves forward;
//   bool Start(int address, SocketHandle& socket, int32_t& error)  begins a
//     connection: true while it waits for an answer, false once it has ended
//     (error 0: connected, socket open; otherwise no socket);
//   int WaitForAnswer(const SocketHandle* sockets, int count, uint32_t milliseconds,
//     int32_t& error)  the position of one socket whose connection has ended
//     (error as for Start), or -1 when none within the time;
//   void Close(SocketHandle socket).
// Each address's attempt begins when the one before it has ended without a
// connection, or has had no answer for AttemptStaggerMilliseconds; the first
// connection made wins and the others are closed; nothing is started or
// waited for after ConnectLimitMilliseconds. attempts[i] tells what address i
// did, for i below started. Returns the winner's address and its socket in
// connected, or -1.
template <class Platform>
int RaceConnections(Platform& platform, int count, ConnectAttempt (&attempts)[AddressLimit],
                    int& started, SocketHandle& connected) {
    const uint32_t begin = platform.Now();
    uint32_t nextStart = 0; // milliseconds after begin
    WaitingAttempts waiting;
    started = 0;
    for (;;) {
        const uint32_t elapsed = platform.Now() - begin;
        const bool mayStart = started < count && elapsed < ConnectLimitMilliseconds;
        int address = -1;
        int32_t error = 0;
        SocketHandle socket = NoSocket;
        if (mayStart && (elapsed >= nextStart || waiting.count == 0)) {
            address = started++;
            if (platform.Start(address, socket, error)) {
                attempts[address] = {AttemptOutcome::Waiting, 0};
                waiting.Add(socket, address);
                nextStart = elapsed + AttemptStaggerMilliseconds;
                continue;
            }
        } else if (waiting.count == 0 || elapsed >= ConnectLimitMilliseconds) {
            break;
        } else {
            const uint32_t until = mayStart && nextStart < ConnectLimitMilliseconds
                                       ? nextStart
                                       : ConnectLimitMilliseconds;
            int position =
                platform.WaitForAnswer(waiting.sockets, waiting.count, until - elapsed, error);
            if (position < 0) continue;
            address = waiting.addresses[position];
            socket = waiting.Remove(position);
        }
        attempts[address] = {OutcomeOf(error), error};
        if (error == 0) {
            waiting.CloseAll(platform);
            connected = socket;
            return address;
        }
        if (socket != NoSocket) platform.Close(socket);
        nextStart = elapsed; // a refused address hands over to the next at once
    }
    waiting.CloseAll(platform);
    return -1;
}
