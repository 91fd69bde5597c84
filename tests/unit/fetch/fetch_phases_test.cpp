#include "fetch/FetchPhases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

namespace {

// A connection that plays a script: a '-' in readiness is a poll that finds
// the socket not ready, anything else (or the script's end) a ready one;
// "<error>" among the chunks is a failed receive.
struct ScriptedConnection {
    std::string readiness;
    std::deque<int> sendResults = {};
    std::deque<std::string> chunks = {};
    int polls = 0, sends = 0;

    bool IsReady(int) {
        const size_t poll = size_t(polls++);
        return poll >= readiness.size() || readiness[poll] != '-';
    }
    int Send(const char*, int length) {
        int result = sends < int(sendResults.size()) ? sendResults[sends] : length;
        return ++sends, result;
    }
    int Receive(char* buffer, int capacity) {
        EXPECT_EQ(capacity, 1020);
        if (chunks.empty()) return 0;
        const std::string chunk = chunks.front();
        chunks.pop_front();
        if (chunk == "<error>") return -1;
        memcpy(buffer, chunk.data(), chunk.size());
        return int(chunk.size());
    }
};

int sleeps = 0;
void CountSleep(unsigned milliseconds) {
    EXPECT_EQ(milliseconds, 1000u);
    ++sleeps;
}

} // namespace

TEST(FetchPhasesTest, SendTriesFiftyTimesAndNeverContinuesAShortSend) {
    const struct {
        int notReady;
        std::deque<int> results;
        bool sent;
        int sends;
    } cases[] = {{0, {}, true, 1},   {49, {}, true, 1},   {50, {}, false, 0},
                 {0, {3}, false, 1}, {0, {-1}, false, 1}, {0, {0, 7}, true, 2}}; // 0 sent: again
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.notReady << " polls not ready, then " << c.sends);
        ScriptedConnection connection{std::string(c.notReady, '-'), c.results};
        sleeps = 0;
        EXPECT_EQ(SendRequestPhase(connection, "GET / x", 7, CountSleep), c.sent);
        EXPECT_EQ(connection.sends, c.sends);
        EXPECT_EQ(sleeps, c.notReady);
    }
}

// Held: the bytes the phase ends with, or -1 for a failed receive phase.
TEST(FetchPhasesTest, ReceiveUntilTheDataFileEnds) {
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n", end = "var Therm = \"1,5\";";
    const struct {
        std::string readiness;
        std::deque<std::string> chunks;
        int held, polls, sleeps;
    } cases[] = {
        // clang-format off
        {"+-+-+", {head, "var Therm = \"1,5\"", ";"}, int(head.size() + end.size()), 5, 2},
        {"", {std::string(1000 - end.size(), 'x') + end}, 1000, 1, 0},
        {"", {std::string(500, 'x'), std::string(500 - end.size(), 'x') + end}, 1000, 2, 0},
        {"", {std::string(1001 - end.size(), 'x') + end}, -1, 1, 0},
        {"", {std::string(1000, 'x'), std::string(1020, 'y')}, -1, 2, 0},
        {std::string(60, '-'), {}, -1, 50, 50},
        {std::string(49, '-'), {end}, int(end.size()), 50, 49},
        {"", {head + end + "\r\n"}, -1, 50, 0}, // the peer has closed: no sleeping
        {"", {"HTTP/1.0 200", "<error>", end}, -1, 2, 0},
        {"", {"x\";", "y"}, 3, 1, 0}, // only the last two bytes of each receive count
        {"", {"x\"", ";"}, 3, 2, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chunks.empty() ? c.readiness : c.chunks.front().substr(0, 30));
        ScriptedConnection connection{c.readiness, {}, c.chunks};
        std::string all;
        for (const std::string& chunk : c.chunks)
            all += chunk;
        char buffer[ReceiveBufferSize];
        sleeps = 0;
        const int held = ReceiveResponsePhase(connection, buffer, CountSleep);
        EXPECT_EQ(held, c.held);
        EXPECT_EQ(connection.polls, c.polls);
        EXPECT_EQ(sleeps, c.sleeps);
        EXPECT_EQ(std::string(buffer, std::max(held, 0)), all.substr(0, std::max(held, 0)));
    }
}

TEST(FormatRequestTest, DirectAndProxyRequestsWithinTheBuffer) {
    FetchConfig config{};
    strcpy(config.settings.SourceURL, "http://feed.example:65616/files/t.js");
    config.target = {"feed.example", "/files/t.js", 65616, true};
    char request[RequestTextSize];
    const std::string direct =
        "GET /files/t.js HTTP/1.0\r\nAccept: */*\r\nHost: feed.example:65616\r\n\r\n";
    EXPECT_EQ(FormatRequest(config, request), int(direct.size()));
    EXPECT_EQ(request, direct);
    config.settings.UseProxy = 2;
    FormatRequest(config, request);
    EXPECT_STREQ(request, "GET http://feed.example:65616/files/t.js HTTP/1.0\r\nAccept: */*\r\n"
                          "Host: feed.example:65616\r\n\r\n");
    // The longest request that fits, and one character more.
    const size_t overhead = strlen(request) - strlen(config.settings.SourceURL);
    const std::string url(RequestTextSize - 1 - overhead, 'u');
    strcpy(config.settings.SourceURL, url.c_str());
    EXPECT_EQ(FormatRequest(config, request), RequestTextSize - 1);
    strcpy(config.settings.SourceURL, (url + 'u').c_str());
    EXPECT_EQ(FormatRequest(config, request), -1);
}
