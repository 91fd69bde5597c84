#include "fetch/Fetch.h"

#include <gtest/gtest.h>

#include <string>

#include "peers.h"

namespace {

class FetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetFetchSleep(ShortFetchPause);
        fetchPauses = 0;
    }
    void TearDown() override { SetFetchSleep(nullptr); }

    FetchBuffers buffers{};
    TemperatureReading reading{UnknownTemperature, ""};

    bool Fetch(const FetchConfig& config) { return FetchTemperature(config, buffers, reading); }
    bool FetchFeed(const std::string& query) {
        return Fetch(DirectConfig(FeedPort(), "/files/weather.js?" + query));
    }
    void ExpectReading(double temperature, const char* text) {
        EXPECT_EQ(reading.temperature, temperature);
        EXPECT_STREQ(reading.valueText, text);
    }
};

} // namespace

TEST_F(FetchTest, ReadsContractResponse) {
    ASSERT_TRUE(FetchFeed("value=-12,5"));
    ExpectReading(-12.5, "-12.5");
}

TEST_F(FetchTest, SendsTheExactRequest) {
    ASSERT_TRUE(FetchFeed("id=direct"));
    EXPECT_EQ(RecordedRequest("direct"), "GET /files/weather.js?id=direct HTTP/1.0\r\n"
                                         "Accept: */*\r\nHost: " +
                                             Loopback(FeedPort()) + "\r\n\r\n");
}

TEST_F(FetchTest, ValuesFromTheWire) {
    ASSERT_TRUE(FetchFeed("value=12"));
    ExpectReading(12.0, "12");
    ASSERT_TRUE(FetchFeed("value=12,34"));
    ExpectReading(12.34, "12.34");
    ASSERT_TRUE(FetchFeed("value=abc"));
    ExpectReading(UnknownTemperature, "");
}

TEST_F(FetchTest, AnswersWithoutUsableDataAreInvalidNotZero) {
    for (const char* mode : {"no-marker", "tab-header", "high-header"}) {
        reading = TemperatureReading{5.0, "5.0"};
        EXPECT_TRUE(FetchFeed(std::string("mode=") + mode)) << mode;
        ExpectReading(UnknownTemperature, "");
    }
}

TEST_F(FetchTest, StatusOtherThan200FailsAndKeepsReading) {
    ASSERT_TRUE(FetchFeed("value=3,5"));
    for (const char* status : {"404", "500", "301"}) {
        EXPECT_FALSE(FetchFeed(std::string("status=") + status)) << status;
        ExpectReading(3.5, "3.5");
    }
}

TEST_F(FetchTest, StatusWithoutReasonPhraseReadsItsOwnBody) {
    ASSERT_TRUE(FetchFeed("value=1,5"));
    ASSERT_TRUE(FetchFeed("mode=no-reason&value=-2,5"));
    ExpectReading(-2.5, "-2.5");
}

TEST_F(FetchTest, EarlierCaptureNeverStandsInForThisAnswer) {
    ASSERT_TRUE(FetchFeed("value=1,5"));
    ASSERT_TRUE(FetchFeed("mode=high-header&value=9,5"));
    ExpectReading(UnknownTemperature, "");
    EXPECT_STREQ(buffers.responseText,
                 "Content-Type: application/javascript\r\nServer: zarvilo-feed\r\nX-Note: caf");
}

TEST_F(FetchTest, LateAndPiecemealAnswersArrive) {
    ASSERT_TRUE(FetchFeed("mode=late&delay=0.3&value=4,5"));
    ExpectReading(4.5, "4.5");
    EXPECT_GT(fetchPauses, 0);
    ASSERT_TRUE(FetchFeed("mode=pieces&delay=0.05&value=-6,5"));
    ExpectReading(-6.5, "-6.5");
}

TEST_F(FetchTest, ResponseSizeLimit) {
    EXPECT_TRUE(FetchFeed("size=1000&value=8,5"));
    ExpectReading(8.5, "8.5");
    EXPECT_FALSE(FetchFeed("size=1001&value=9,5"));
    ExpectReading(8.5, "8.5");
}

TEST_F(FetchTest, BodyEndingInLineBreakFailsOnceServerHasClosed) {
    ASSERT_TRUE(FetchFeed("value=1,5"));
    EXPECT_FALSE(FetchFeed("mode=crlf&value=2,5"));
    ExpectReading(1.5, "1.5");
    EXPECT_LT(fetchPauses, 10) << "after the close the cycles pass without pausing";
    EXPECT_FALSE(FetchFeed("mode=close-early"));
}

TEST_F(FetchTest, SilentServerFailsAfterFiftyPauses) {
    EXPECT_FALSE(FetchFeed("mode=silent"));
    EXPECT_EQ(fetchPauses, 50);
}

TEST_F(FetchTest, ResetConnectionFails) {
    EXPECT_FALSE(FetchFeed("mode=reset"));
}

TEST_F(FetchTest, UnusableTargetsNeverConnect) {
    FetchConfig invalid = DirectConfig(FeedPort(), "/t.js?id=invalid-target");
    invalid.target.valid = false;
    EXPECT_FALSE(Fetch(invalid));
    FetchConfig wrapped = DirectConfig(FeedPort(), "/t.js?id=wrapped-port");
    wrapped.target.port = FeedPort() + 65536;
    EXPECT_FALSE(Fetch(wrapped));
    FetchConfig zero = DirectConfig(FeedPort(), "/t.js?id=zero-port");
    zero.target.port = 0;
    EXPECT_FALSE(Fetch(zero));
    for (const char* tag : {"invalid-target", "wrapped-port", "zero-port"}) {
        EXPECT_EQ(RecordedRequest(tag), "") << tag;
    }
}

TEST_F(FetchTest, TooLongRequestFailsWithoutWritingPastBuffer) {
    FetchConfig config = ProxyConfig(FeedPort(), "/t.js", FeedPort());
    std::string url = "http://" + Loopback(FeedPort()) + "/t.js?id=long&pad=";
    url.resize(SourceUrlLimit, 'p');
    strcpy(config.settings.SourceURL, url.c_str());
    memset(buffers.receiveBuffer, 'G', sizeof buffers.receiveBuffer);
    EXPECT_FALSE(Fetch(config));
    EXPECT_EQ(buffers.receiveBuffer[0], 'G');
    EXPECT_EQ(RecordedRequest("long"), "");
}

TEST_F(FetchTest, StaticFileFromLighttpd) {
    ASSERT_TRUE(Fetch(DirectConfig(HttpdPort(), PeerText("ZARVILO_HTTPD_PATH"))));
    EXPECT_EQ(PeerText("ZARVILO_HTTPD_VALUE"), "-7,5");
    ExpectReading(-7.5, "-7.5");
    EXPECT_FALSE(Fetch(DirectConfig(HttpdPort(), "/files/missing.js")));
}

TEST_F(FetchTest, ProxyGetsWholeAddressAndHostNamesTheSource) {
    // The feed server stands in as the proxy, to see the request as sent.
    FetchConfig config = ProxyConfig(FeedPort(), "/t.js?id=as-proxy&value=2,5", FeedPort());
    ASSERT_TRUE(Fetch(config));
    ExpectReading(2.5, "2.5");
    EXPECT_EQ(RecordedRequest("as-proxy"), "GET http://" + Loopback(FeedPort()) +
                                               "/t.js?id=as-proxy&value=2,5 HTTP/1.0\r\n"
                                               "Accept: */*\r\nHost: " +
                                               Loopback(FeedPort()) + "\r\n\r\n");
}

TEST_F(FetchTest, ThroughTinyproxy) {
    ASSERT_TRUE(Fetch(ProxyConfig(FeedPort(), "/t.js?id=via-proxy&value=-3,5", ProxyPort())));
    ExpectReading(-3.5, "-3.5");
    std::string atOrigin = RecordedRequest("via-proxy");
    EXPECT_EQ(atOrigin.rfind("GET /t.js?id=via-proxy&value=-3,5 HTTP/1.", 0), 0u) << atOrigin;
    EXPECT_NE(atOrigin.find("Host: " + Loopback(FeedPort()) + "\r\n"), std::string::npos)
        << atOrigin;
    EXPECT_EQ(atOrigin.find(std::to_string(ProxyPort())), std::string::npos) << atOrigin;

    ASSERT_TRUE(Fetch(ProxyConfig(HttpdPort(), PeerText("ZARVILO_HTTPD_PATH"), ProxyPort())));
    ExpectReading(-7.5, "-7.5");
}

TEST_F(FetchTest, ProxyPortTextRules) {
    FetchConfig wrapped = ProxyConfig(FeedPort(), "/t.js?id=proxy-wrapped", FeedPort() + 65536);
    EXPECT_FALSE(Fetch(wrapped));
    FetchConfig noDigits = ProxyConfig(FeedPort(), "/t.js?id=proxy-text", 0);
    strcpy(noDigits.settings.RemotePort, "port");
    EXPECT_FALSE(Fetch(noDigits));
    EXPECT_EQ(RecordedRequest("proxy-wrapped"), "");
    FetchConfig spaced = ProxyConfig(FeedPort(), "/t.js?value=6,5", 0);
    snprintf(spaced.settings.RemotePort, sizeof spaced.settings.RemotePort, " %dx", FeedPort());
    EXPECT_TRUE(Fetch(spaced)) << "leading blanks and trailing text as atol reads them";
    ExpectReading(6.5, "6.5");
}
