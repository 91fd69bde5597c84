#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

namespace {

struct SplitCase {
    std::string sourceUrl;
    std::string host;
    std::string path;
    int32_t port;
};

FetchTarget Split(const std::string& sourceUrl) {
    FetchTarget target;
    std::memset(&target, 0x5a, sizeof target); // no field may survive from before
    SplitSourceUrl(sourceUrl.c_str(), target);
    return target;
}

void ExpectNoTarget(const FetchTarget& target) {
    EXPECT_FALSE(target.valid);
    EXPECT_STREQ(target.host, "");
    EXPECT_STREQ(target.path, "");
}

} // namespace

TEST(SplitSourceUrl, HostPathAndPort) {
    const SplitCase cases[] = {
        {DefaultSourceUrl, FeedHost, "/files/weather.js", 80},
        {"http://host:8080/data/t.js", "host", "/data/t.js", 8080},
        {"http://10.0.0.1/t.js", "10.0.0.1", "/t.js", 80},
        {"http://host:/t.js", "host", "/t.js", 0},
        {"http://host:99999/t.js", "host", "/t.js", 99999},
        {"http://host:80x/t.js", "host", "/t.js", 80},
        {"http://host:-5/t.js", "host", "/t.js", -5},
        {"http://host:99999999999/t.js", "host", "/t.js", INT32_MAX},
        {"http://host:1:2/t.js", "host", "/t.js", 1},
        {"http://my-host/t.js", "my-host", "/t.js", 80},
        {"http://weather_1.example/t.js", "weather_1.example", "/t.js", 80},
        {"http://host/a b.js", "host", "/a", 80},
        {"http://host \t/t.js", "host", "/t.js", 80},
        {"http://host@x/t.js", "host", "@x/t.js", 80},
        {"http:host/t.js", "host", "/t.js", 80},
        {"http:///t.js", "t.js", "/", 80},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.sourceUrl);
        FetchTarget target = Split(c.sourceUrl);
        EXPECT_TRUE(target.valid);
        EXPECT_EQ(target.host, c.host);
        EXPECT_EQ(target.path, c.path);
        EXPECT_EQ(target.port, c.port);
    }
}

TEST(SplitSourceUrl, AddressWithoutPathAsksForTheRoot) {
    for (const char* sourceUrl : {"http://host", "http://host  ", "http://host:8080"}) {
        SCOPED_TRACE(sourceUrl);
        FetchTarget target = Split(sourceUrl);
        EXPECT_TRUE(target.valid);
        EXPECT_STREQ(target.host, "host");
        EXPECT_STREQ(target.path, "/");
    }
}

TEST(SplitSourceUrl, AddressesThatCannotBeSplitLeaveNoTarget) {
    for (const char* sourceUrl :
         {"https://host/t.js", "HTTP://host/t.js", "ftp://host/t.js", "", "http://",
          "http:// host/t.js", "http://@host/t.js", " http://host/t.js", "http//", "//host/t.js"}) {
        SCOPED_TRACE(sourceUrl);
        ExpectNoTarget(Split(sourceUrl));
    }
    FetchTarget target;
    SplitSourceUrl(nullptr, target);
    ExpectNoTarget(target);
}

TEST(SplitSourceUrl, FailedSplitForgetsThePreviousAddress) {
    FetchTarget target;
    SplitSourceUrl("http://a:81/x", target);
    ASSERT_TRUE(target.valid);
    SplitSourceUrl("https://b/y", target);
    ExpectNoTarget(target);
}

TEST(SplitSourceUrl, HostAndPathLimits) {
    std::string longestHost(TargetHostLimit, 'h');
    std::string longestPath = "/" + std::string(TargetPathLimit - 1, 'p');

    FetchTarget target = Split("http://" + longestHost + longestPath);
    EXPECT_TRUE(target.valid);
    EXPECT_EQ(target.host, longestHost);
    EXPECT_EQ(target.path, longestPath);

    ExpectNoTarget(Split("http://" + longestHost + "h/t.js"));
    ExpectNoTarget(Split("http://host" + longestPath + "p"));
    // The port is part of the host run the field must hold.
    ExpectNoTarget(Split("http://" + longestHost.substr(3) + ":8080/t.js"));
}
