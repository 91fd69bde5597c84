#include "fetch/TcpClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "peers.h"

namespace {

const std::string PlainRequest = "GET /t.js HTTP/1.0\r\n\r\n";

// Polls until the socket is ready to read, for at most about two seconds.
bool WaitReadable(TcpClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.IsReady(ReadyToRead)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string ReadAll(TcpClient& client) {
    std::string answer;
    char chunk[256];
    while (WaitReadable(client)) {
        int received = client.Receive(chunk, sizeof chunk);
        EXPECT_GE(received, 0);
        EXPECT_EQ(client.lastError, 0);
        if (received <= 0) break;
        answer.append(chunk, received);
    }
    return answer;
}

} // namespace

TEST(TcpClientTest, ExchangesWithDottedAddress) {
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", FeedPort()));
    EXPECT_EQ(client.lastError, 0);
    EXPECT_TRUE(client.IsReady(ReadyToWrite));
    EXPECT_EQ(client.Send(PlainRequest.data(), static_cast<int>(PlainRequest.size())),
              static_cast<int>(PlainRequest.size()));
    EXPECT_EQ(client.lastError, 0);
    std::string answer = ReadAll(client);
    EXPECT_EQ(answer.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << answer;
    EXPECT_NE(answer.find("var Therm = \"-12,5\";"), std::string::npos);
    // The server has closed: readable at once, and the receive gives 0.
    EXPECT_TRUE(client.IsReady(ReadyToRead));
    char byte;
    EXPECT_EQ(client.Receive(&byte, 1), 0);
    EXPECT_EQ(client.lastError, 0);
    EXPECT_EQ(client.Close(), 0);
}

TEST(TcpClientTest, ResolvesHostNames) {
    TcpClient client;
    EXPECT_TRUE(client.Connect("localhost", FeedPort())) << "error " << client.lastError;
    client.Close();
}

TEST(TcpClientTest, UnknownNameOrRefusedConnectionFails) {
    // A label longer than DNS allows fails in the resolver itself: no query
    // leaves the machine.
    std::string unresolvable = std::string(64, 'a') + ".invalid";
    TcpClient unknown;
    EXPECT_FALSE(unknown.Connect(unresolvable.c_str(), FeedPort()));
    EXPECT_NE(unknown.lastError, 0);
    TcpClient refused;
    EXPECT_FALSE(refused.Connect("127.0.0.1", ClosedPort()));
    EXPECT_NE(refused.lastError, 0);
    EXPECT_EQ(refused.Close(), -1) << "a failed connect has already closed the socket";
}

TEST(TcpClientTest, PortsOutsideTheTcpRangeNeverConnect) {
    // The low 16 bits of these name the feed server; the client must not go there.
    for (long port : {0L, -1L, long(FeedPort()) + 65536, long(FeedPort()) - 65536, 65536L}) {
        TcpClient client;
        EXPECT_FALSE(client.Connect("127.0.0.1", port)) << port;
        EXPECT_NE(client.lastError, 0) << port;
    }
    TcpClient highest;
    EXPECT_FALSE(highest.Connect("127.0.0.1", 65535)) << "nothing listens there";
}

TEST(TcpClientTest, ReadinessKindsAndSilentPeer) {
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", FeedPort()));
    EXPECT_FALSE(client.IsReady(0));
    EXPECT_FALSE(client.IsReady(4));
    std::string request = "GET /t.js?mode=silent HTTP/1.0\r\n\r\n";
    client.Send(request.data(), static_cast<int>(request.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(client.IsReady(ReadyToRead)) << "a silent server sends nothing";
    EXPECT_FALSE(client.IsReady(ReadyForException));
    EXPECT_TRUE(client.IsReady(ReadyToWrite));
    client.Close();
}

TEST(TcpClientTest, ResetByPeerEndsTheExchange) {
    TcpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", FeedPort()));
    std::string request = "GET /t.js?mode=reset HTTP/1.0\r\n\r\n";
    client.Send(request.data(), static_cast<int>(request.size()));
    ASSERT_TRUE(WaitReadable(client));
    char chunk[64];
    // Linux reports the reset as an error; Wine as the end of the stream.
    int received = client.Receive(chunk, sizeof chunk);
    EXPECT_LE(received, 0);
    EXPECT_EQ(client.lastError != 0, received == -1) << received << " " << client.lastError;
    client.Close();
}

TEST(TcpClientTest, SecondCloseNeverReachesAReusedHandle) {
    TcpClient failed;
    ASSERT_FALSE(failed.Connect("127.0.0.1", ClosedPort()));
    // The platform may hand the freed handle to this next socket.
    TcpClient next;
    ASSERT_TRUE(next.Connect("127.0.0.1", FeedPort()));
    EXPECT_EQ(failed.Close(), -1);
    EXPECT_EQ(failed.Close(), -1);
    EXPECT_EQ(next.Send(PlainRequest.data(), static_cast<int>(PlainRequest.size())),
              static_cast<int>(PlainRequest.size()));
    EXPECT_NE(ReadAll(next).find("var Therm"), std::string::npos);
    EXPECT_EQ(next.Close(), 0);
    EXPECT_EQ(next.Close(), -1);
}
