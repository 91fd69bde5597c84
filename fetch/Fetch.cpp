#include "fetch/Fetch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"
#include "fetch/RequestTarget.h"
#include "fetch/SecureExchange.h"
#include "fetch/SocketLayer.h"
#include "fetch/TcpClient.h"

static SleepFunction fetchSleep = PlatformSleep;
// A proxy answers CONNECT at once: its status line within so many polls.
static constexpr int TunnelPolls = 5;
static constexpr int StatusLineSize = 256;

void SetFetchSleep(SleepFunction sleep) {
    fetchSleep = sleep != nullptr ? sleep : PlatformSleep;
}

// Whom the fetch connects to; a host as FetchTarget holds it, without brackets.
struct Endpoint {
    char host[Utf8Size(HostNameLimit)];
    long port;
};

// The decimal value of a port text as atol reads it: 0 when it has no digits.
static long PortFromText(const char* text) {
    return strtol(text, nullptr, 10);
}

static void ChooseEndpoint(const FetchConfig& config, Endpoint& endpoint) {
    bool viaProxy = config.settings.UseProxy != 0;
    CopyUnbracketedHost(viaProxy ? config.settings.HostName : config.target.host, endpoint.host,
                        sizeof endpoint.host);
    endpoint.port = viaProxy ? PortFromText(config.settings.RemotePort) : config.target.port;
}

int FormatRequest(const FetchConfig& config, char (&request)[RequestTextSize]) {
    // Through a proxy the target is the whole address; the Host header always
    // names the data source, never the proxy.
    const char* requestTarget =
        config.settings.UseProxy != 0 ? config.settings.SourceURL : config.target.path;
    static const char method[] = "GET ";
    const int methodLength = sizeof method - 1;
    memcpy(request, method, methodLength);
    int escaped =
        EscapeRequestTarget(requestTarget, request + methodLength, sizeof request - methodLength);
    if (escaped < 0) return -1;
    const int used = methodLength + escaped;
    char authority[TargetHostLimit + 16];
    FormatAuthority(authority, sizeof authority, config.target.host, config.target.port);
    int length = snprintf(request + used, sizeof request - used,
                          " HTTP/1.0\r\nAccept: */*\r\nHost: %s\r\n\r\n", authority);
    return length < 0 || used + length >= RequestTextSize ? -1 : used + length;
}

static bool Stop(FetchReport& report, FetchStep step, int32_t error = 0) {
    report.step = step;
    report.error = error;
    return false;
}

static void NoteEndpoint(FetchReport& report, const FetchConfig& config, const Endpoint& endpoint) {
    report.viaProxy = config.settings.UseProxy != 0;
    snprintf(report.host, sizeof report.host, "%s", endpoint.host);
    report.port = endpoint.port;
}

// Every address the connect tried, for a user to see which answered how.
static void NoteAttempts(FetchReport& report, const TcpClient& client) {
    report.triedCount = client.attemptCount;
    for (int i = 0; i < client.attemptCount; ++i)
        report.tried[i] = {client.addresses[i], client.attempts[i]};
}

static void NoteDetail(FetchReport& report, const char* text, const char* stops) {
    CopyShownText(report.detail, sizeof report.detail, text, stops);
}

// The status line and, for a redirect, where it sends the address.
static void NoteStatus(FetchReport& report, const char* response, int status) {
    report.step = FetchStep::Status;
    NoteDetail(report, response, "\r\n");
    const char* location = FindLocation(response);
    if (IsRedirect(status) && location != nullptr) {
        CopyShownText(report.location, sizeof report.location, location, "\r\n");
    }
}

static void NoteMissingValue(FetchReport& report, const char* responseText) {
    const char* value = FindMarkedValue(responseText);
    report.step = value != nullptr ? FetchStep::BadValue : FetchStep::NoMarker;
    if (value != nullptr) NoteDetail(report, value, "\";\r\n");
}

// An answer its sender ended early is most often an error page: a status
// line other than 200 says more than where the receive stopped.
static void NoteReceiveFailure(FetchReport& report, const ReceiveFailure& failure, int32_t error,
                               char* received) {
    Stop(report, failure.step, error);
    received[failure.held] = '\0';
    char unused[ResponseTextSize];
    int status = ScanStatusLine(received, unused);
    if (status == 0 || status == StatusOk) return;
    NoteStatus(report, received, status);
}

static bool AnsweredOk(FetchBuffers& buffers, int held) {
    if (held < 0) return false;
    buffers.receiveBuffer[held] = '\0';
    char unused[ResponseTextSize];
    return ScanStatusLine(buffers.receiveBuffer, unused) == StatusOk;
}

// The first line of an answer into buffer, within a few polls: the bytes held.
static int ReceiveFirstLine(TcpClient& client, char* buffer, int size) {
    int held = 0;
    buffer[0] = '\0';
    for (int poll = 0; poll < TunnelPolls && strstr(buffer, "\r\n") == nullptr; ++poll) {
        if (!client.IsReady(ReadyToRead)) {
            fetchSleep(PollPauseMilliseconds);
            continue;
        }
        int received = client.Receive(buffer + held, size - 1 - held);
        if (received <= 0) break;
        held += received;
        buffer[held] = '\0';
    }
    return held;
}

// Asks the proxy itself for the source's tunnel, as the system's stack did: a
// refusal (403, 407) is the proxy's, which the stack may not report. True, with
// the proxy's status line noted, when it refused.
static bool ProxyRefusedTunnel(const FetchConfig& config, const Endpoint& proxy,
                               FetchBuffers& buffers, FetchReport& report) {
    TcpClient client;
    if (!client.Connect(proxy.host, proxy.port)) return false;
    char* request = buffers.requestText;
    char authority[TargetHostLimit + 16];
    FormatAuthority(authority, sizeof authority, config.target.host, config.target.port);
    int length = snprintf(request, sizeof buffers.requestText,
                          "CONNECT %s HTTP/1.0\r\nHost: %s\r\n\r\n", authority, authority);
    if (length < 0 || length >= static_cast<int>(sizeof buffers.requestText) ||
        !SendRequestPhase(client, request, length, fetchSleep)) {
        return false;
    }
    // The source's own answer, when there was one, stays in the receive buffer.
    char answer[StatusLineSize];
    char unused[ResponseTextSize];
    ReceiveFirstLine(client, answer, sizeof answer);
    client.Close();
    int status = ScanStatusLine(answer, unused);
    if (status == 0 || (status >= 200 && status < 300)) return false;
    NoteEndpoint(report, config, proxy);
    NoteStatus(report, answer, status);
    report.error = 0;
    return true;
}

// Connects, sends and receives; the bytes held, or -1. diagnose: the caller
// asks why a fetch fails, which may take an exchange of its own.
static int Exchange(const FetchConfig& config, FetchBuffers& buffers, FetchReport& report,
                    bool diagnose) {
    Endpoint endpoint;
    ChooseEndpoint(config, endpoint);
    NoteEndpoint(report, config, endpoint);
    if (config.target.secure) {
        if (!IsUsablePort(endpoint.port)) {
            // A proxy port no connection can use, refused as the TCP client refuses it.
            Stop(report, FetchStep::Connect, InvalidArgumentError());
            return -1;
        }
        int held = SecureExchange(config, buffers, report, diagnose);
        if (diagnose && config.settings.UseProxy != 0 && !AnsweredOk(buffers, held) &&
            ProxyRefusedTunnel(config, endpoint, buffers, report)) {
            return -1;
        }
        return held;
    }
    TcpClient client;
    if (!client.Connect(endpoint.host, endpoint.port)) {
        NoteAttempts(report, client);
        Stop(report, client.resolveFailed ? FetchStep::Resolve : FetchStep::Connect,
             client.lastError);
        return -1;
    }
    int length = FormatRequest(config, buffers.requestText);
    int held = -1;
    if (length < 0) {
        Stop(report, FetchStep::Address);
    } else if (!SendRequestPhase(client, buffers.requestText, length, fetchSleep)) {
        Stop(report, FetchStep::Send, client.lastError);
    } else {
        ReceiveFailure failure{};
        held = ReceiveResponsePhase(client, buffers.receiveBuffer, fetchSleep, &failure);
        if (held < 0) {
            NoteReceiveFailure(report, failure, client.lastError, buffers.receiveBuffer);
        }
    }
    client.Close();
    return held;
}

bool FetchTemperature(const FetchConfig& config, FetchBuffers& buffers, TemperatureReading& reading,
                      FetchReport* report) {
    FetchReport unused;
    FetchReport& note = report != nullptr ? *report : unused;
    note = FetchReport{};
    // Nothing captured by an earlier fetch may stand in for this one's answer.
    buffers.responseText[0] = '\0';
    // A direct connection refuses such a port itself; a proxy would be asked
    // for it all the same.
    if (!config.target.valid || !IsUsablePort(config.target.port)) {
        return Stop(note, FetchStep::Address);
    }
    int held = Exchange(config, buffers, note, report != nullptr);
    if (held < 0) return false;
    buffers.receiveBuffer[held] = '\0';
    TemperatureReading parsed{};
    switch (ParseFeedResponse(buffers.receiveBuffer, buffers.responseText, parsed)) {
    case FeedParse::Rejected: {
        char unused[ResponseTextSize];
        NoteStatus(note, buffers.receiveBuffer, ScanStatusLine(buffers.receiveBuffer, unused));
        return false;
    }
    case FeedParse::InvalidValue:
        NoteMissingValue(note, buffers.responseText);
        reading = TemperatureReading{UnknownTemperature, ""};
        return true;
    case FeedParse::Value:
        reading = parsed;
        return true;
    }
    return false;
}
