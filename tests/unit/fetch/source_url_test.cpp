#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

// No expected host: no target, and nothing of the previous address left in it.
TEST(SplitSourceUrl, HostPathAndPort) {
    const std::string host255(255, 'h'), colons255(255, ':'),
        path2047 = "/" + std::string(2046, 'p');
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
        {"http:// host/t.js"}, {"http://@host/t.js"}, {" http://host/t.js"}, {"http//"}, {"//host/t.js"},
        // IPv6 addresses in brackets, held without them.
        {"http://[::1]:8080/t.js", "::1", "/t.js", 8080}, {"http://[::1]", "::1", "/", 80},
        {"https://[2001:db8::1]/t.js", "2001:db8::1", "/t.js", 443, true},
        {"http://[::ffff:192.0.2.1]:80x/t.js", "::ffff:192.0.2.1", "/t.js", 80},
        {"http://[FE80::A]:/t.js", "FE80::A", "/t.js", 0},
        {"http://[::1]x/t.js"}, {"http://[::1/t.js"}, {"http://[]/t.js"}, {"http://[1.2.3.4]/t.js"},
        {"http://[::g]/t.js"}, {"http://[::1%25eth0]/t.js"},
        {"http://[" + colons255 + "]/t.js", colons255, "/t.js", 80}, {"http://[" + colons255 + ":]/t.js"}};
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

// A host as FetchTarget holds it, written in an authority, and a proxy's host read into one.
TEST(HostForms, BracketsAroundIpv6AddressesOnly) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // clang-format off
        {"feed.example", "feed.example:8080", "feed.example"},
        {"192.0.2.1", "192.0.2.1:8080", "192.0.2.1"}, {"::1", "[::1]:8080", "::1"},
        {"[::1]", "[[::1]]:8080", "::1"}, {"[", "[:8080", "["}, {"[]", "[]:8080", ""},
        {"[host", "[host:8080", "[host"}};
    // clang-format on
    for (const auto& [host, authority, unbracketed] : cases) {
        SCOPED_TRACE(host);
        char text[32];
        EXPECT_EQ(FormatAuthority(text, sizeof text, host, 8080), int(strlen(authority)));
        EXPECT_STREQ(text, authority);
        CopyUnbracketedHost(host, text, sizeof text);
        EXPECT_STREQ(text, unbracketed);
    }
    char field[4];
    CopyUnbracketedHost("[2001:db8::1]", field, sizeof field);
    EXPECT_STREQ(field, "200") << "cut to the field";
}
