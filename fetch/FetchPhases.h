#pragma once
// The send and receive phases of one fetch, written against any connection
// with IsReady, Send and Receive, so that every polling path can be tested.
#include "fetch/Fetch.h"
#include "fetch/FeedResponse.h"
#include "fetch/SocketLayer.h"

inline constexpr int PollAttempts = 50;
inline constexpr unsigned PollPauseMilliseconds = 1000;
inline constexpr int ReceiveChunk = 1020;
inline constexpr int ResponseLimit = 1000;
inline constexpr int ReceiveBufferSize = sizeof(FetchBuffers::receiveBuffer);
inline constexpr int RequestTextSize = sizeof(FetchBuffers::requestText);
static_assert(ReceiveBufferSize > ResponseLimit + ReceiveChunk,
              "a receive could overrun the buffer");

// The HTTP/1.0 request into request; its length, or -1 when it does not fit.
int FormatRequest(const FetchConfig& config, char (&request)[RequestTextSize]);

// Up to PollAttempts tries to send the whole request at once; a short send fails.
template <class Connection>
bool SendRequestPhase(Connection& connection, const char* request, int length,
                      SleepFunction sleep) {
    int sent = 0;
    for (int attempt = 0; attempt < PollAttempts && sent == 0; ++attempt) {
        if (connection.IsReady(ReadyToWrite)) {
            sent = connection.Send(request, length);
        } else {
            sleep(PollPauseMilliseconds);
        }
    }
    return sent == length;
}

// Where a receive phase that failed stopped, and the bytes it held then.
struct ReceiveFailure {
    FetchStep step;
    int held;
};

// Collects the response until it ends with the data file's closing quote and
// semicolon. Returns the bytes held, or -1 on a receive error, more than
// ResponseLimit bytes, or PollAttempts cycles without that ending; failure,
// when given, then receives which of them it was.
template <class Connection>
int ReceiveResponsePhase(Connection& connection, char (&buffer)[ReceiveBufferSize],
                         SleepFunction sleep, ReceiveFailure* failure = nullptr) {
    ReceiveFailure ignored;
    ReceiveFailure& stop = failure != nullptr ? *failure : ignored;
    int held = 0;
    bool peerClosed = false;
    for (int cycle = 0; cycle < PollAttempts; ++cycle) {
        if (!connection.IsReady(ReadyToRead)) {
            sleep(PollPauseMilliseconds);
            continue;
        }
        int received = connection.Receive(buffer + held, ReceiveChunk);
        if (received < 0) {
            stop = {FetchStep::ReceiveError, held};
            return -1;
        }
        // A closed peer reads as 0 bytes at once; the remaining cycles run all the same.
        peerClosed = peerClosed || received == 0;
        held += received;
        if (held > ResponseLimit) {
            stop = {FetchStep::ReceiveTooLong, held};
            return -1;
        }
        if (EndsWithValueClose(buffer, held)) return held;
    }
    stop = {peerClosed ? FetchStep::ReceiveClosed : FetchStep::ReceiveNoEnd, held};
    return -1;
}
