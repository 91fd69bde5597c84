#include "fetch/FeedResponse.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

// An empty expected text: no value, and the reading keeps what it held.
TEST(FeedResponseTest, ResponsesAndTheValuesTheyGive) {
    const FeedParse Value = FeedParse::Value, Invalid = FeedParse::InvalidValue,
                    Rejected = FeedParse::Rejected;
    const std::string ok = "HTTP/1.0 200 OK\r\n\r\n", body = "\r\n\r\nvar Therm = \"6,5\";",
                      pad(983, 'a');
    // clang-format off
    std::vector<std::tuple<std::string, FeedParse, std::string>> cases = {
        {"HTTP/1.0 200 OK\r\nContent-Type: application/javascript\r\nServer: feed\r\n\r\n"
         "  // Larvinsk\r\nvar Therm = \"-12,5\";", Value, "-12.5"},
        {"HTTP/1.1 200\r\n\r\nvar Therm = \"3,5\";", Value, "3.5"}, // no reason phrase
        {"HTTP/1.0 +200 OK" + body, Value, "6.5"}, {"HTTP/1.0 0200 OK" + body, Value, "6.5"},
        {ok + "var Therm = 12,3;", Value, "2.3"}, // its first character is skipped
        {ok + "var Therm = \"1,5\"; var Therm = \"2,5\";", Value, "1.5"},
        {ok + "var Therm = \"8,5", Value, "8.5"},
        // The text after the status line is captured up to 999 characters.
        {"HTTP/1.0 200 OK\r\n" + pad + "var Therm = \"1,5\";", Value, "1.5"},
        {"HTTP/1.0 200 OK\r\n" + pad + "avar Therm = \"1,5\";", Invalid, ""},
        {"HTTP/1.0 404 Not Found" + body, Rejected, ""}, {"HTTP/1.0 201 Created" + body, Rejected, ""},
        {"HTTP/1.0 -200 OK" + body, Rejected, ""}, {"HTTP/1.0 2000 OK" + body, Rejected, ""},
        {"HTTP/1.0 99999999999999999999200 OK" + body, Rejected, ""},
        {"HTTP/1.10 200 OK" + body, Rejected, ""}, // a protocol of at most 8 characters
        {" HTTP/1.0 200 OK" + body, Rejected, ""}, {"HTTP/1.0 OK 200" + body, Rejected, ""},
        {"", Rejected, ""}, {"HTTP/1.0 200 OK\r\nX: a\tb\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {"HTTP/1.0 200 OK\r\nX: caf\xE9\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {"HTTP/1.0 200 OK\r\nX: \x7F\r\n\r\nvar Therm = \"1,0\";", Invalid, ""},
        {ok + "var Temp = \"1,0\";", Invalid, ""}, {ok + "var Therm = ", Invalid, ""},
        {ok + "var Therm = \"", Invalid, ""}};
    const std::pair<const char*, const char*> values[] = {
        {"7,0", "7.0"}, {"12.3", "12.3"}, {"12", "12"}, {"5", "5"}, {"12,34", "12.34"},
        {"-0,4", "-0.4"}, {"+3,5", "+3.5"}, {"0,0", "0.0"}, {"99,9", "99.9"}, {"-273,0", "-273.0"},
        {"12345678,01", "12345678.01"}, {"4x5", "4.5"}, // any one character is the mark
        {"abc", ""}, {"", ""}, {"123456789012", ""}, {"1234567,8901", ""}, {"-", ""}, {"+", ""},
        {",5", ""}, {"5,", ""}, {"1,,5", ""}, {" 7,0", ""}, {"7,0 ", ""}, {"1,2,3", ""},
        {"--1", ""}, {"\r\n7,0", ""}};
    // clang-format on
    for (const auto& [value, text] : values)
        cases.push_back({ok + "var Therm = \"" + value + "\";", *text ? Value : Invalid, text});
    for (const auto& [response, result, text] : cases) {
        SCOPED_TRACE(response.substr(0, 60));
        // Nothing captured before may stand in for this response.
        char responseText[ResponseTextSize] = "var Therm = \"9,9\";";
        TemperatureReading reading{UnknownTemperature, "old"};
        EXPECT_EQ(ParseFeedResponse(response.c_str(), responseText, reading), result);
        EXPECT_EQ(reading.valueText, text.empty() ? "old" : text);
        EXPECT_EQ(reading.temperature, text.empty() ? UnknownTemperature : std::stod(text));
    }
}

// Every byte a terminal could take for a control is shown as '?': C0, DEL and
// each of C1, whose Windows-1251 letters would otherwise reach the terminal.
TEST(FeedResponseTest, ShownTextMasksEveryControlByte) {
    for (int byte = 1; byte < 256; ++byte) {
        const char text[] = {char(byte), 'b', '\0'};
        char field[4];
        CopyShownText(field, sizeof field, text, "\n");
        const bool control = byte < 0x20 || (byte >= 0x7F && byte <= 0x9F);
        EXPECT_EQ(field, byte == '\n' ? "" : std::string(1, control ? '?' : char(byte)) + "b")
            << byte;
    }
}
