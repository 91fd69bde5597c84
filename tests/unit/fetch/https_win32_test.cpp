// The https:// exchange's own limit with the real WinHTTP, against a listener that never answers
// (under Wine it holds WinHTTP even after the request's handle is closed).
#include <gtest/gtest.h>

#include <winsock2.h>

#include "fetch/SecureExchange.h"

namespace {

constexpr uint32_t ShortLimit = 1500;

// A listener on 127.0.0.1 that never accepts; once closed, its port refuses.
struct SilentListener {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int port;
    SilentListener() {
        sockaddr_in address{AF_INET, 0, {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener, 8);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~SilentListener() { closesocket(listener); }
};

// The report of one fetch from 127.0.0.1:port, and how long it took.
std::pair<FetchReport, DWORD> FetchFrom(int port) {
    FetchConfig config{};
    config.target = {"127.0.0.1", "/t.js", port, true, true};
    static FetchBuffers buffers;
    TemperatureReading reading{};
    FetchReport report{};
    const DWORD start = GetTickCount();
    EXPECT_FALSE(FetchTemperature(config, buffers, reading, &report));
    return {report, GetTickCount() - start};
}

} // namespace

// Each stuck exchange ends at the limit and leaves its worker behind; with two
// left behind a third is refused at once, and once they end there is room again.
TEST(SecureExchangeTest, StuckExchangesEndAtTheLimitAndAThirdIsRefusedAtOnce) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SetSecureExchangeLimit(ShortLimit);
    int closedPort;
    {
        SilentListener silent;
        closedPort = silent.port;
        for (DWORD lowest : {ShortLimit - 20, ShortLimit - 20, 0u}) { // GetTickCount's steps
            SCOPED_TRACE(lowest);
            auto [report, milliseconds] = FetchFrom(silent.port);
            EXPECT_EQ(report.step, FetchStep::ReceiveError);
            EXPECT_EQ(report.error, 12002); // ERROR_WINHTTP_TIMEOUT
            EXPECT_EQ(report.port, silent.port);
            EXPECT_GE(milliseconds, lowest);
            EXPECT_LT(milliseconds, lowest + 300);
        }
    }
    // The reset reaches the stuck workers; then a refused connection is told as such.
    FetchStep step = FetchStep::ReceiveError;
    for (int wait = 0; wait < 50 && step != FetchStep::Connect; ++wait) {
        Sleep(100);
        step = FetchFrom(closedPort).first.step;
    }
    EXPECT_EQ(step, FetchStep::Connect);
    SetSecureExchangeLimit(0);
    WSACleanup();
}
