#pragma once
// One fetch of the data file: the HTTP/1.0 exchange (or, for an https://
// source, the system's HTTPS exchange) and the reading it yields.
#include <cstdint>

#include "base/Reading.h"
#include "fetch/ConnectRace.h"
#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

// Process-wide working buffers of one fetch, touched only under refreshLock.
struct FetchBuffers {
    char requestText[2084];
    char receiveBuffer[3000];
    char responseText[1000];
};

// What one fetch reads: a consistent copy of the settings and the target,
// taken when its refresh starts.
struct FetchConfig {
    AppSettings settings;
    FetchTarget target;
};

// The step at which a fetch stopped, for a user who asks why there is no
// reading; the program itself never looks at it.
enum class FetchStep {
    Done,           // a 200 answer read to its end
    Address,        // SourceURL not split, its port outside 1-65535, or too long
    Resolve,        // the host name did not resolve
    Connect,        // refused, timed out, or a proxy port outside 1-65535
    Send,           // the request could not be sent whole
    ReceiveError,   // a receive failed, e.g. the connection was reset
    ReceiveClosed,  // the peer closed before the data file's end
    ReceiveTooLong, // more than 1000 bytes held
    ReceiveNoEnd,   // no data file's end within the polls
    Status,         // a status other than 200, or no readable status line
    TlsUntrusted,   // the server's certificate chain ends in no trusted root
    TlsWrongName,   // the server's certificate is not for the source's host
    TlsExpired,     // the server's certificate is outside its dates
    TlsHandshake,   // any other failure to set up TLS
    NoHttps,        // this build cannot fetch an https:// source
    NoMarker,       // no ValueMarker in the printable text after the status line
    BadValue,       // the text after ValueMarker is not a value
};

// One address a Connect tried, and what it did.
struct TriedAddress {
    SocketAddress address;
    ConnectAttempt attempt;
};

// Where a fetch stopped and with whom, enough to tell a user in one line.
struct FetchReport {
    FetchStep step;
    int32_t error; // the platform's error code of the failed call; 0 when none
    bool viaProxy; // host and port are the proxy's
    char host[Utf8Size(HostNameLimit)];
    long port;
    char detail[80]; // Status: the status line; BadValue: the text read as the value
    char location[SourceUrlLimit + 1]; // Status of a redirect: where the answer sends the address
    int triedCount;                    // Connect: the addresses tried, in the order tried
    TriedAddress tried[AddressLimit];
};

// One HTTP/1.0 exchange with the data source or the proxy. True when the
// source answered with status 200: reading then holds the value read from
// this response, or UnknownTemperature and an empty valueText when the answer
// held no usable value (invalid data). False leaves reading as it was.
// report, when given, receives the step at which the fetch stopped.
bool FetchTemperature(const FetchConfig& config, FetchBuffers& buffers, TemperatureReading& reading,
                      FetchReport* report = nullptr);

// How the fetch waits between polls; tests replace it to run in milliseconds.
using SleepFunction = void (*)(unsigned milliseconds);
void SetFetchSleep(SleepFunction sleep);
