#pragma once
// A deadline for every read WinHTTP makes from its sockets. Wine's WinHTTP
// waits for the server's side of the TLS handshake with no time limit at all,
// and closing its handles, even in its asynchronous mode, does not end that
// wait: a server that accepts the connection and never answers would hold the
// fetch, and refreshLock, for as long as it keeps the connection. winhttp's
// reads are therefore routed through a wait of our own that gives up at the
// deadline; WinHTTP then fails the call as it fails any read.
#include <windows.h>

// Routes the imported recv of Wine's winhttp through the deadline, for the
// life of the process. Windows' own winhttp is left as it is: it keeps the
// time limits it is given.
void BoundReceives(HMODULE winhttp);

// While one lives, a read that finds no data before milliseconds have passed
// since its making fails as timed out. Fetches run one at a time and WinHTTP's
// synchronous calls read on the caller's thread, so the latest deadline
// serves them all; a nested one gives way to its outer one when it ends.
class ReceiveDeadline {
  public:
    explicit ReceiveDeadline(DWORD milliseconds);
    ~ReceiveDeadline();
    ReceiveDeadline(const ReceiveDeadline&) = delete;
    ReceiveDeadline& operator=(const ReceiveDeadline&) = delete;

    // The time left; 0 once the deadline has passed.
    DWORD Remaining() const;
    void NoteRefusal() { refused = true; }
    // True once a read has been refused for lack of time.
    bool Passed() const { return refused; }

  private:
    DWORD start;
    DWORD limit;
    bool refused = false;
    ReceiveDeadline* outer;
};
