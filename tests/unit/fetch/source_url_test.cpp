#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

// An empty expected host means the address cannot be split: no target, and
// nothing of the previous address may be left in it.
TEST(SplitSourceUrl, HostPathAndPort) {
    const std::string host255(255, 'h'), path2047 = "/" + std::string(2046, 'p');
    const struct {
        std::string url, host = {}, path = {};
        int32_t port = 0;
        bool secure = false;
    } cases[] = {// clang-format off
        {DefaultSourceUrl, FeedHost, "/files/weather.js", 80},
        {"http://host:8080/data/t.js", "host", "/data/t.js", 8080},
        {"http://10.0.0.1/t.js", "10.0.0.1", "/t.js", 80},
        {"http://host:/t.js", "host", "/t.js", 0},
        {"http://host:99999/t.js", "host", "/t.js", 99999},
        {"http://host:80x/t.js", "host", "/t.js", 80}, {"http://host:-5/t.js", "host", "/t.js", -5},
        {"http://host:99999999999/t.js", "host", "/t.js", INT32_MAX},
        {"http://host:1:2/t.js", "host", "/t.js", 1},
        {"http://my-host/t.js", "my-host", "/t.js", 80},
        {"http://weather_1.example/t.js", "weather_1.example", "/t.js", 80},
        {"http://host/a b.js", "host", "/a", 80}, {"http://host \t/t.js", "host", "/t.js", 80},
        {"http://host@x/t.js", "host", "@x/t.js", 80}, {"http:host/t.js", "host", "/t.js", 80},
        {"http:///t.js", "t.js", "/", 80}, {"http://host", "host", "/", 80},
        {"http://host  ", "host", "/", 80}, {"http://host:8080", "host", "/", 8080},
        {"http://" + host255 + path2047, host255, path2047, 80},
        {"http://" + host255 + "h/t.js"}, {"http://host" + path2047 + "p"},
        {"http://" + host255.substr(3) + ":8080/t.js"}, // the port counts
        {"https://host/t.js", "host", "/t.js", 443, true},
        {"https://host:8443/t.js", "host", "/t.js", 8443, true}, {"https://host", "host", "/", 443, true},
        {"https:/host/t.js"}, {"https://:443/t.js"}, {"https//host/t.js"}, {"HTTPS://host/t.js"}, {"httpss://host/t.js"},
        {"HTTP://host/t.js"}, {"ftp://host/t.js"}, {""}, {"http://"},
        {"http:// host/t.js"}, {"http://@host/t.js"}, {" http://host/t.js"}, {"http//"},
        {"//host/t.js"}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.substr(0, 40));
        FetchTarget target;
        std::memset(&target, 0x5a, sizeof target);
        SplitSourceUrl("http://old:81/old", target);
        SplitSourceUrl(c.url.c_str(), target);
        EXPECT_EQ(target.valid, !c.host.empty());
        EXPECT_EQ(target.host, c.host);
        EXPECT_EQ(target.path, c.path);
        EXPECT_EQ(target.valid ? target.port : 0, c.port);
        EXPECT_EQ(target.secure, c.secure);
    }
    FetchTarget target;
    SplitSourceUrl(nullptr, target);
    EXPECT_FALSE(target.valid);
}
