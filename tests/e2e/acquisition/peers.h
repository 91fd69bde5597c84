#pragma once
// Where the peers that tests/tools/with_peers.py started are listening, and
// small helpers to aim a fetch at them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "fetch/Fetch.h"
#include "fetch/TcpClient.h"

inline int PeerPort(const char* variable) {
    const char* text = getenv(variable);
    if (text == nullptr) {
        ADD_FAILURE() << variable << " is not set: run through tests/tools/with_peers.py";
        return 0;
    }
    return atoi(text);
}

inline int FeedPort() {
    return PeerPort("ZARVILO_FEED_PORT");
}
inline int HttpdPort() {
    return PeerPort("ZARVILO_HTTPD_PORT");
}
inline int ProxyPort() {
    return PeerPort("ZARVILO_PROXY_PORT");
}
inline int ClosedPort() {
    return PeerPort("ZARVILO_CLOSED_PORT");
}

// The fetch's one-second pauses become short real ones, so late and
// piecemeal answers still arrive while every 50-cycle path takes a second.
inline std::atomic<int> fetchPauses{0};
inline void ShortFetchPause(unsigned milliseconds) {
    EXPECT_EQ(milliseconds, 1000u);
    ++fetchPauses;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

inline std::string PeerText(const char* variable) {
    const char* text = getenv(variable);
    return text != nullptr ? text : "";
}

inline std::string Loopback(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

// The settings and target of a direct fetch of path from 127.0.0.1:port.
inline FetchConfig DirectConfig(int port, const std::string& path) {
    FetchConfig config{};
    snprintf(config.settings.SourceURL, sizeof config.settings.SourceURL, "http://%s%s",
             Loopback(port).c_str(), path.c_str());
    strcpy(config.settings.RemotePort, "80");
    strcpy(config.target.host, "127.0.0.1");
    snprintf(config.target.path, sizeof config.target.path, "%s", path.c_str());
    config.target.port = port;
    config.target.valid = true;
    return config;
}

// The same source fetched through the HTTP proxy at 127.0.0.1:proxyPort.
inline FetchConfig ProxyConfig(int port, const std::string& path, int proxyPort) {
    FetchConfig config = DirectConfig(port, path);
    config.settings.UseProxy = 1;
    strcpy(config.settings.HostName, "127.0.0.1");
    snprintf(config.settings.RemotePort, sizeof config.settings.RemotePort, "%d", proxyPort);
    return config;
}

// Everything a server sends on one connection, until it closes.
inline std::string ExchangeRaw(int port, const std::string& request) {
    TcpClient client;
    std::string answer;
    if (!client.Connect("127.0.0.1", port)) return answer;
    client.Send(request.data(), static_cast<int>(request.size()));
    char chunk[512];
    int received;
    while ((received = client.Receive(chunk, sizeof chunk)) > 0)
        answer.append(chunk, received);
    client.Close();
    return answer;
}

// The raw request the feed server received for the address tagged id=tag.
inline std::string RecordedRequest(const std::string& tag) {
    std::string answer = ExchangeRaw(FeedPort(), "GET /_request?id=" + tag + " HTTP/1.0\r\n\r\n");
    size_t body = answer.find("\r\n\r\n");
    return body == std::string::npos ? "" : answer.substr(body + 4);
}
