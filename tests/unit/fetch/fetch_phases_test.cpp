#include "fetch/FetchPhases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

namespace {

// A connection that plays a script: each poll and each call takes the next
// scripted answer, and what the fetch does is recorded.
struct ScriptedConnection {
    std::deque<bool> readiness;
    std::deque<int> sendResults;
    std::deque<std::string> chunks; // "<error>" stands for a failed receive
    int polls = 0;
    int sends = 0;
    std::string sentData;

    bool IsReady(int) {
        ++polls;
        if (readiness.empty()) return true;
        bool ready = readiness.front();
        readiness.pop_front();
        return ready;
    }
    int Send(const char* data, int length) {
        ++sends;
        sentData.assign(data, length);
        int result = sendResults.empty() ? length : sendResults.front();
        if (!sendResults.empty()) sendResults.pop_front();
        return result;
    }
    int Receive(char* buffer, int capacity) {
        EXPECT_EQ(capacity, ReceiveChunk);
        if (chunks.empty()) return 0;
        std::string chunk = chunks.front();
        chunks.pop_front();
        if (chunk == "<error>") return -1;
        memcpy(buffer, chunk.data(), chunk.size());
        return static_cast<int>(chunk.size());
    }
};

int sleeps = 0;
void CountSleep(unsigned milliseconds) {
    EXPECT_EQ(milliseconds, PollPauseMilliseconds);
    ++sleeps;
}

class FetchPhasesTest : public ::testing::Test {
  protected:
    void SetUp() override { sleeps = 0; }
    ScriptedConnection connection;
    char buffer[ReceiveBufferSize];

    int Receive() { return ReceiveResponsePhase(connection, buffer, CountSleep); }
    bool SendRequest() { return SendRequestPhase(connection, "GET / x", 7, CountSleep); }
};

const std::string Ending = "var Therm = \"1,5\";";

} // namespace

TEST_F(FetchPhasesTest, SendsWholeRequestOnceWhenWritable) {
    EXPECT_TRUE(SendRequest());
    EXPECT_EQ(connection.sends, 1);
    EXPECT_EQ(connection.sentData, "GET / x");
    EXPECT_EQ(sleeps, 0);
}

TEST_F(FetchPhasesTest, SendWaitsUpToFiftyAttempts) {
    connection.readiness.assign(49, false);
    EXPECT_TRUE(SendRequest()) << "writable at the 50th attempt";
    EXPECT_EQ(sleeps, 49);

    sleeps = 0;
    connection = ScriptedConnection{};
    connection.readiness.assign(50, false);
    EXPECT_FALSE(SendRequest());
    EXPECT_EQ(connection.sends, 0);
    EXPECT_EQ(connection.polls, 50);
    EXPECT_EQ(sleeps, 50);
}

TEST_F(FetchPhasesTest, ShortOrFailedSendFailsWithoutRetry) {
    connection.sendResults = {3};
    EXPECT_FALSE(SendRequest());
    EXPECT_EQ(connection.sends, 1);
    connection = ScriptedConnection{};
    connection.sendResults = {-1};
    EXPECT_FALSE(SendRequest());
    EXPECT_EQ(connection.sends, 1);
}

TEST_F(FetchPhasesTest, ZeroBytesSentCountsAsNoSend) {
    connection.sendResults = {0, 7};
    EXPECT_TRUE(SendRequest());
    EXPECT_EQ(connection.sends, 2);
}

TEST_F(FetchPhasesTest, ReceivesPiecesUntilTheEnding) {
    connection.readiness = {true, false, true, false, true};
    connection.chunks = {"HTTP/1.0 200 OK\r\n", "\r\nvar Therm = \"1,5\"", ";"};
    int held = Receive();
    ASSERT_EQ(held, 17 + 2 + static_cast<int>(Ending.size()));
    EXPECT_EQ(std::string(buffer, held), "HTTP/1.0 200 OK\r\n\r\n" + Ending);
    EXPECT_EQ(sleeps, 2);
}

TEST_F(FetchPhasesTest, ResponseOfExactlyTheLimitIsAccepted) {
    connection.chunks = {std::string(ResponseLimit - Ending.size(), 'x') + Ending};
    EXPECT_EQ(Receive(), ResponseLimit);
    connection.chunks = {std::string(ResponseLimit - 500, 'x'),
                         std::string(500 - Ending.size(), 'x') + Ending};
    EXPECT_EQ(Receive(), ResponseLimit);
}

TEST_F(FetchPhasesTest, ResponseOverTheLimitFailsEvenWithCorrectEnding) {
    connection.chunks = {std::string(ResponseLimit + 1 - Ending.size(), 'x') + Ending};
    EXPECT_EQ(Receive(), -1);
    connection.chunks = {std::string(ResponseLimit, 'x'), std::string(ReceiveChunk, 'y')};
    EXPECT_EQ(Receive(), -1);
}

TEST_F(FetchPhasesTest, SilentPeerEndsAfterFiftySleepingCycles) {
    connection.readiness.assign(60, false);
    EXPECT_EQ(Receive(), -1);
    EXPECT_EQ(connection.polls, 50);
    EXPECT_EQ(sleeps, 50);
}

TEST_F(FetchPhasesTest, EndingInTheFiftiethCycleCompletes) {
    connection.readiness.assign(49, false);
    connection.chunks = {Ending};
    EXPECT_EQ(Receive(), static_cast<int>(Ending.size()));
}

TEST_F(FetchPhasesTest, ClosedPeerUsesUpCyclesWithoutSleeping) {
    connection.chunks = {"HTTP/1.0 200 OK\r\n\r\n" + Ending + "\r\n"};
    EXPECT_EQ(Receive(), -1);
    EXPECT_EQ(connection.polls, 50);
    EXPECT_EQ(sleeps, 0);
}

TEST_F(FetchPhasesTest, ReceiveErrorFailsAtOnce) {
    connection.chunks = {"HTTP/1.0 200", "<error>", Ending};
    EXPECT_EQ(Receive(), -1);
    EXPECT_EQ(connection.polls, 2);
}

TEST_F(FetchPhasesTest, OnlyTheLastTwoBytesOfEachReceiveCount) {
    connection.chunks = {"x\";", "y"};
    EXPECT_EQ(Receive(), 3) << "an early quote and semicolon end the phase";
    connection.chunks = {"x\"", ";"};
    EXPECT_EQ(Receive(), 3) << "the ending may be split between receives";
}

TEST(FormatRequestTest, DirectAndProxyRequests) {
    FetchConfig config{};
    strcpy(config.settings.SourceURL, "http://feed.example:65616/files/t.js");
    strcpy(config.target.host, "feed.example");
    strcpy(config.target.path, "/files/t.js");
    config.target.port = 65616;
    char request[RequestTextSize];
    const char direct[] =
        "GET /files/t.js HTTP/1.0\r\nAccept: */*\r\nHost: feed.example:65616\r\n\r\n";
    EXPECT_EQ(FormatRequest(config, request), static_cast<int>(strlen(direct)));
    EXPECT_STREQ(request, direct);
    config.settings.UseProxy = 2;
    FormatRequest(config, request);
    EXPECT_STREQ(request, "GET http://feed.example:65616/files/t.js HTTP/1.0\r\nAccept: */*\r\n"
                          "Host: feed.example:65616\r\n\r\n");
}

TEST(FormatRequestTest, RequestMustFitItsBuffer) {
    FetchConfig config{};
    strcpy(config.target.host, "h");
    config.target.port = 80;
    config.settings.UseProxy = 1;
    const int overhead =
        static_cast<int>(strlen("GET  HTTP/1.0\r\nAccept: */*\r\nHost: h:80\r\n\r\n"));
    char request[RequestTextSize];
    std::string url(RequestTextSize - 1 - overhead, 'u');
    strcpy(config.settings.SourceURL, url.c_str());
    EXPECT_EQ(FormatRequest(config, request), RequestTextSize - 1);
    url += 'u';
    strcpy(config.settings.SourceURL, url.c_str());
    EXPECT_EQ(FormatRequest(config, request), -1);
}
