// The https:// exchange's own time limit with Windows' real HTTP stack, against
// a listener that accepts connections and never answers their handshakes: it
// holds WinHTTP as long as the listener lives, under Wine even after the
// request's handle is closed.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <cstring>

#include "fetch/SecureExchange.h"

namespace {

constexpr uint32_t ShortLimit = 1500;

class SilentListener {
  public:
    SilentListener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        bind(socket_, reinterpret_cast<sockaddr*>(&address), size);
        listen(socket_, 8);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    // The queued connections are reset: the stuck exchanges end.
    ~SilentListener() {
        closesocket(socket_);
        WSACleanup();
    }
    int port;

  private:
    SOCKET socket_;
};

// A port nothing listens on: a connection there is refused.
int ClosedPort() {
    return SilentListener().port;
}

struct Timed {
    bool fetched;
    FetchReport report;
    DWORD milliseconds;
};

Timed FetchFrom(int port) {
    FetchConfig config{};
    snprintf(config.settings.SourceURL, sizeof config.settings.SourceURL,
             "https://127.0.0.1:%d/t.js", port);
    config.target = {"127.0.0.1", "/t.js", port, true, true};
    static FetchBuffers buffers;
    TemperatureReading reading{};
    Timed timed{};
    const DWORD start = GetTickCount();
    timed.fetched = FetchTemperature(config, buffers, reading, &timed.report);
    timed.milliseconds = GetTickCount() - start;
    return timed;
}

} // namespace

// Each stuck exchange ends at the limit and leaves its worker behind; with two
// left behind a third is refused at once, and once they end there is room again.
TEST(SecureExchangeTest, StuckExchangesEndAtTheLimitAndAThirdIsRefusedAtOnce) {
    SetSecureExchangeLimit(ShortLimit);
    uint32_t slow[2];
    {
        SilentListener silent;
        for (int attempt = 0; attempt < 3; ++attempt) {
            SCOPED_TRACE(attempt);
            Timed timed = FetchFrom(silent.port);
            EXPECT_FALSE(timed.fetched);
            EXPECT_EQ(timed.report.step, FetchStep::ReceiveError);
            EXPECT_EQ(timed.report.error, 12002); // ERROR_WINHTTP_TIMEOUT
            EXPECT_EQ(timed.report.port, silent.port);
            if (attempt < 2) {
                slow[attempt] = timed.milliseconds;
            } else {
                EXPECT_LT(timed.milliseconds, 200u);
            }
        }
    }
    for (uint32_t milliseconds : slow) {
        EXPECT_GE(milliseconds, ShortLimit - 20); // GetTickCount's steps
        EXPECT_LT(milliseconds, ShortLimit + 500);
    }
    // The reset reaches the stuck workers; then a refused connection is told as such.
    Timed timed{};
    for (int wait = 0; wait < 50 && timed.report.step != FetchStep::Connect; ++wait) {
        Sleep(100);
        timed = FetchFrom(ClosedPort());
    }
    EXPECT_EQ(timed.report.step, FetchStep::Connect);
    SetSecureExchangeLimit(0);
}
