#include "fetch/FeedResponse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Ok(const std::string& body) {
    return "HTTP/1.0 200 OK\r\n\r\n" + body;
}
std::string WithValue(const std::string& value) {
    return Ok("var Therm = \"" + value + "\";");
}
std::string WithStatus(const std::string& statusLine) {
    return statusLine + "\r\n\r\nvar Therm = \"5,5\";";
}

} // namespace

// An empty expected text: no value, and the reading keeps what it held.
TEST(FeedResponseTest, ResponsesAndTheValuesTheyGive) {
    struct Case {
        std::string response;
        FeedParse result;
        const char* text;
        double temperature = 0;
    };
    const FeedParse Value = FeedParse::Value, Invalid = FeedParse::InvalidValue,
                    Rejected = FeedParse::Rejected;
    const std::string pad(983, 'a');
    // clang-format off
    std::vector<Case> cases = {
        {"HTTP/1.0 200 OK\r\nContent-Type: application/javascript\r\nServer: feed\r\n\r\n"
         "  // Larvinsk\r\nvar Therm = \"-12,5\";", Value, "-12.5", -12.5},
        {"HTTP/1.1 200\r\n\r\nvar Therm = \"3,5\";", Value, "3.5", 3.5}, // no reason phrase
        {WithStatus("HTTP/1.0 +200 OK"), Value, "5.5", 5.5},
        {WithStatus("HTTP/1.0 0200 OK"), Value, "5.5", 5.5},
        {Ok("var Therm = 12,3;"), Value, "2.3", 2.3}, // its first character is skipped
        {Ok("var Therm = \"1,5\"; var Therm = \"2,5\";"), Value, "1.5", 1.5},
        {Ok("var Therm = \"8,5"), Value, "8.5", 8.5},
        {WithValue("7,0"), Value, "7.0", 7.0}, {WithValue("12.3"), Value, "12.3", 12.3},
        {WithValue("12"), Value, "12", 12.0}, {WithValue("5"), Value, "5", 5.0},
        {WithValue("12,34"), Value, "12.34", 12.34}, {WithValue("-0,4"), Value, "-0.4", -0.4},
        {WithValue("+3,5"), Value, "+3.5", 3.5}, {WithValue("0,0"), Value, "0.0", 0.0},
        {WithValue("99,9"), Value, "99.9", 99.9}, {WithValue("-273,0"), Value, "-273.0", -273.0},
        {WithValue("12345678,01"), Value, "12345678.01", 12345678.01},
        {WithValue("4x5"), Value, "4.5", 4.5}, // any one character is the mark
        // The text after the status line is captured up to 999 characters.
        {"HTTP/1.0 200 OK\r\n" + pad + "var Therm = \"1,5\";", Value, "1.5", 1.5},
        {"HTTP/1.0 200 OK\r\n" + pad + "avar Therm = \"1,5\";", Invalid, ""},
        {WithStatus("HTTP/1.0 404 Not Found"), Rejected, ""},
        {WithStatus("HTTP/1.0 201 Created"), Rejected, ""},
        {WithStatus("HTTP/1.0 -200 OK"), Rejected, ""},
        {WithStatus("HTTP/1.0 2000 OK"), Rejected, ""},
        {WithStatus("HTTP/1.0 99999999999999999999200 OK"), Rejected, ""},
        {WithStatus("HTTP/1.10 200 OK"), Rejected, ""}, // a protocol of at most 8 characters
        {WithStatus(" HTTP/1.0 200 OK"), Rejected, ""},
        {WithStatus("HTTP/1.0 OK 200"), Rejected, ""},
        {"", Rejected, ""}, 
        {"HTTP/1.0 200 OK\r\nX: a\tb\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {"HTTP/1.0 200 OK\r\nX: caf\xE9\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {"HTTP/1.0 200 OK\r\nX: \x7F\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {Ok("var Temp = \"1,0\";"), Invalid, ""}, {Ok("var Therm = "), Invalid, ""},
        {Ok("var Therm = \""), Invalid, ""}};
    // clang-format on
    for (const char* value : {"abc", "", "123456789012", "1234567,8901", "-", "+", ",5", "5,",
                              "1,,5", " 7,0", "7,0 ", "1,2,3", "--1", "\r\n7,0"})
        cases.push_back({WithValue(value), Invalid, ""});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response.substr(0, 60));
        // Nothing captured before may stand in for this response.
        char responseText[ResponseTextSize] = "var Therm = \"9,9\";";
        TemperatureReading reading{UnknownTemperature, "old"};
        EXPECT_EQ(ParseFeedResponse(c.response.c_str(), responseText, reading), c.result);
        EXPECT_STREQ(reading.valueText, *c.text ? c.text : "old");
        EXPECT_EQ(reading.temperature, *c.text ? c.temperature : UnknownTemperature);
    }
}
