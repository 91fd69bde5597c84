#include "fetch/Fetch.h"

#include <cstdio>
#include <cstdlib>

#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"
#include "fetch/SocketLayer.h"
#include "fetch/TcpClient.h"

static SleepFunction fetchSleep = PlatformSleep;

void SetFetchSleep(SleepFunction sleep) {
    fetchSleep = sleep != nullptr ? sleep : PlatformSleep;
}

struct Endpoint {
    const char* host;
    long port;
};

// The decimal value of a port text as atol reads it: 0 when it has no digits.
static long PortFromText(const char* text) {
    return strtol(text, nullptr, 10);
}

static Endpoint ChooseEndpoint(const FetchConfig& config) {
    if (config.settings.UseProxy != 0) {
        return {config.settings.HostName, PortFromText(config.settings.RemotePort)};
    }
    return {config.target.host, config.target.port};
}

int FormatRequest(const FetchConfig& config, char (&request)[RequestTextSize]) {
    // Through a proxy the target is the whole address; the Host header always
    // names the data source, never the proxy.
    const char* requestTarget =
        config.settings.UseProxy != 0 ? config.settings.SourceURL : config.target.path;
    int length =
        snprintf(request, sizeof request, "GET %s HTTP/1.0\r\nAccept: */*\r\nHost: %s:%d\r\n\r\n",
                 requestTarget, config.target.host, static_cast<int>(config.target.port));
    return length < 0 || length >= RequestTextSize ? -1 : length;
}

// Connects, sends and receives; the bytes held, or -1.
static int Exchange(const FetchConfig& config, FetchBuffers& buffers) {
    Endpoint endpoint = ChooseEndpoint(config);
    TcpClient client;
    if (!client.Connect(endpoint.host, endpoint.port)) return -1;
    int length = FormatRequest(config, buffers.requestText);
    int held = -1;
    if (length > 0 && SendRequestPhase(client, buffers.requestText, length, fetchSleep)) {
        held = ReceiveResponsePhase(client, buffers.receiveBuffer, fetchSleep);
    }
    client.Close();
    return held;
}

bool FetchTemperature(const FetchConfig& config, FetchBuffers& buffers,
                      TemperatureReading& reading) {
    // Nothing captured by an earlier fetch may stand in for this one's answer.
    buffers.responseText[0] = '\0';
    // A direct connection refuses such a port itself; a proxy would be asked
    // for it all the same.
    if (!config.target.valid || !IsUsablePort(config.target.port)) return false;
    int held = Exchange(config, buffers);
    if (held < 0) return false;
    buffers.receiveBuffer[held] = '\0';
    TemperatureReading parsed{};
    switch (ParseFeedResponse(buffers.receiveBuffer, buffers.responseText, parsed)) {
    case FeedParse::Rejected:
        return false;
    case FeedParse::InvalidValue:
        reading = TemperatureReading{UnknownTemperature, ""};
        return true;
    case FeedParse::Value:
        reading = parsed;
        return true;
    }
    return false;
}
