#include "fetch/FetchPhases.h"
#include "fetch/RequestTarget.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <numeric>
#include <string>
#include <tuple>

namespace {

// A connection that plays a script: '-' a poll that finds it not ready; "<error>" a failed receive.
struct ScriptedConnection {
    std::string readiness;
    std::deque<int> sendResults;
    std::deque<std::string> chunks;
    int polls = 0, sends = 0;

    bool IsReady(int) { return size_t(++polls) > readiness.size() || readiness[polls - 1] != '-'; }
    int Send(const char*, int length) {
        return size_t(sends++) < sendResults.size() ? sendResults[sends - 1] : length;
    }
    int Receive(char* buffer, int capacity) {
        EXPECT_EQ(capacity, 1020);
        if (chunks.empty()) return 0;
        const std::string chunk = chunks.front();
        chunks.pop_front();
        return chunk == "<error>" ? -1 : int(chunk.copy(buffer, chunk.size()));
    }
};

int sleeps = 0;
void CountSleep(unsigned milliseconds) {
    EXPECT_EQ(milliseconds, 1000u);
    ++sleeps;
}

} // namespace

// Held: the bytes the receive phase ends with, -1 where it fails, NotSent where sending fails.
TEST(FetchPhasesTest, SendOnceWholeThenReceiveUntilTheDataFileEnds) {
    const int NotSent = -2;
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n", end = "var Therm = \"1,5\";",
                      wait49 = std::string(49, '-');
    // Readiness, what each send returns, what each receive gives; sends, held, polls, sleeps.
    // clang-format off
    const std::tuple<std::string, std::deque<int>, std::deque<std::string>, int, int, int,
                     int> cases[] = {
        {"++-+-+", {}, {head, "var Therm = \"1,5\"", ";"}, 1, int(head.size() + end.size()), 6, 2},
        {wait49 + "+" + wait49, {}, {end}, 1, int(end.size()), 100, 98},
        {std::string(50, '-'), {}, {end}, 0, NotSent, 50, 50},
        {"", {3}, {end}, 1, NotSent, 1, 0}, {"", {-1}, {end}, 1, NotSent, 1, 0}, // not continued
        {"", {0, 7}, {end}, 2, int(end.size()), 3, 0}, // nothing sent: the next attempt sends
        {"", {}, {std::string(1000 - end.size(), 'x') + end}, 1, 1000, 2, 0},
        {"", {}, {std::string(500, 'x'), std::string(500 - end.size(), 'x') + end}, 1, 1000, 3, 0},
        {"", {}, {std::string(1001 - end.size(), 'x') + end}, 1, -1, 2, 0},
        {"", {}, {std::string(1000, 'x'), std::string(1020, 'y')}, 1, -1, 3, 0},
        {"+" + std::string(60, '-'), {}, {}, 1, -1, 51, 50},
        {"", {}, {head + end + "\r\n"}, 1, -1, 51, 0}, // the peer has closed: no sleeping
        {"", {}, {"HTTP/1.0 200", "<error>", end}, 1, -1, 3, 0},
        {"", {}, {"x\";", "y"}, 1, 3, 2, 0}, // only the last two bytes of each receive count
        {"", {}, {"x\"", ";"}, 1, 3, 3, 0}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        const auto& [readiness, sendResults, chunks, sends, held, polls, slept] = c;
        ScriptedConnection connection{readiness, sendResults, chunks};
        char buffer[ReceiveBufferSize];
        sleeps = 0;
        const bool sent = SendRequestPhase(connection, "GET / x", 7, CountSleep);
        const int got = sent ? ReceiveResponsePhase(connection, buffer, CountSleep) : NotSent;
        EXPECT_EQ(std::tie(got, connection.sends, connection.polls, sleeps),
                  std::tie(held, sends, polls, slept));
        const std::string all = std::accumulate(chunks.begin(), chunks.end(), std::string());
        EXPECT_EQ(std::string(buffer, std::max(got, 0)), all.substr(0, std::max(got, 0)));
    }
}

TEST(FormatRequestTest, DirectAndProxyRequestsWithinTheBuffer) {
    FetchConfig config{};
    strcpy(config.settings.SourceURL, "http://feed.example:65616/files/t.js");
    config.target = {"feed.example", "/files/t.js", 65616, true, false};
    char request[RequestTextSize];
    const std::string direct =
        "GET /files/t.js HTTP/1.0\r\nAccept: */*\r\nHost: feed.example:65616\r\n\r\n";
    EXPECT_EQ(FormatRequest(config, request), int(direct.size()));
    EXPECT_EQ(request, direct);
    config.settings.UseProxy = 2;
    FormatRequest(config, request);
    EXPECT_STREQ(request, "GET http://feed.example:65616/files/t.js HTTP/1.0\r\nAccept: */*\r\n"
                          "Host: feed.example:65616\r\n\r\n");
    const size_t overhead = strlen(request) - strlen(config.settings.SourceURL);
    // The longest request that fits, one character more, and one escaped byte (three) more.
    const std::string url(RequestTextSize - 1 - overhead, 'u');
    strcpy(config.settings.SourceURL, url.c_str());
    EXPECT_EQ(FormatRequest(config, request), RequestTextSize - 1);
    strcpy(config.settings.SourceURL, (url + 'u').c_str());
    EXPECT_EQ(FormatRequest(config, request), -1);
    strcpy(config.settings.SourceURL, (url.substr(2) + "\xD0").c_str());
    EXPECT_EQ(FormatRequest(config, request), -1);
    // An IPv6 address is named in brackets, as the address writes it.
    strcpy(config.settings.SourceURL, "http://[::1]:8080/t.js");
    config.target = {"::1", "/t.js", 8080, true, false};
    FormatRequest(config, request);
    EXPECT_STREQ(request,
                 "GET http://[::1]:8080/t.js HTTP/1.0\r\nAccept: */*\r\nHost: [::1]:8080\r\n\r\n");
    config.settings.UseProxy = 0;
    FormatRequest(config, request);
    EXPECT_STREQ(request, "GET /t.js HTTP/1.0\r\nAccept: */*\r\nHost: [::1]:8080\r\n\r\n");
}

// Bytes outside 0x21-0x7E as %XX of the byte, upper-case; the rest, '%' too, as is.
TEST(RequestTargetTest, EscapesEveryByteOutsidePrintableAsciiOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"/t.js?a=1&b=%D0%B9", "/t.js?a=1&b=%D0%B9"}, // already escaped: unchanged
        {"/\xD0\xB9.js", "/%D0%B9.js"},               // UTF-8 of a Cyrillic letter
        {"/a b\tc", "/a%20b%09c"},
        {"/\x7F\x80\xFF\x01!~", "/%7F%80%FF%01!~"},
        {"", ""}};
    for (const auto& [text, sent] : cases) {
        char out[64];
        EXPECT_EQ(EscapeRequestTarget(text.c_str(), out, sizeof out), int(sent.size()));
        EXPECT_EQ(out, sent);
    }
    // Exactly the room for "/%D0" and its terminator, and one byte less.
    char out[5];
    EXPECT_EQ(EscapeRequestTarget("/\xD0", out, 5), 4);
    EXPECT_EQ(EscapeRequestTarget("/\xD0", out, 4), -1);
    EXPECT_EQ(EscapeRequestTarget("abcd", out, 4), -1);
}
