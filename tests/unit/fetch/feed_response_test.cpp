#include "fetch/FeedResponse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char ContractResponse[] = "HTTP/1.0 200 OK\r\n"
                                "Content-Type: application/javascript\r\n"
                                "Server: feed\r\n"
                                "\r\n"
                                "// Larvinsk\r\n"
                                "var Therm = \"-12,5\";";

struct Parsed {
    FeedParse result;
    TemperatureReading reading;
    char responseText[ResponseTextSize];
};

Parsed Parse(const std::string& response) {
    Parsed parsed{};
    parsed.reading = TemperatureReading{UnknownTemperature, "old"};
    parsed.result = ParseFeedResponse(response.c_str(), parsed.responseText, parsed.reading);
    return parsed;
}

std::string WithValue(const std::string& value) {
    return "HTTP/1.0 200 OK\r\n\r\nvar Therm = \"" + value + "\";";
}

int Status(const std::string& response, std::string* captured = nullptr) {
    char responseText[ResponseTextSize];
    strcpy(responseText, "stale capture var Therm = \"9,9\"");
    int status = ScanStatusLine(response.c_str(), responseText);
    if (captured) *captured = responseText;
    return status;
}

} // namespace

TEST(FeedResponseTest, ContractResponseGivesItsValue) {
    Parsed parsed = Parse(ContractResponse);
    EXPECT_EQ(parsed.result, FeedParse::Value);
    EXPECT_STREQ(parsed.reading.valueText, "-12.5");
    EXPECT_EQ(parsed.reading.temperature, -12.5);
}

TEST(FeedResponseTest, StatusLineForms) {
    EXPECT_EQ(Status("HTTP/1.0 200 OK\r\n\r\nx"), 200);
    EXPECT_EQ(Status("HTTP/1.1 404 Not Found\r\n\r\nx"), 404);
    EXPECT_EQ(Status("HTTP/1.0 +200 OK\r\n"), 200);
    EXPECT_EQ(Status("HTTP/1.0 0200 OK\r\n"), 200);
    EXPECT_EQ(Status("HTTP/1.0 2000 OK\r\n"), 2000);
    EXPECT_EQ(Status("HTTP/1.0 99999999999999999999 OK\r\n"), 100000)
        << "capped, never overflowing";
    // The protocol token holds at most 8 characters: the ninth is read as the code.
    EXPECT_EQ(Status("HTTP/1.10 200 OK\r\n"), 0);
    EXPECT_EQ(Status(" HTTP/1.0 200 OK\r\n"), 0);
    EXPECT_EQ(Status("HTTP/1.0 OK 200\r\n"), 0);
    EXPECT_EQ(Status(""), 0);
}

TEST(FeedResponseTest, CaptureStartsAfterStatusLineAndItsWhiteSpace) {
    std::string captured;
    EXPECT_EQ(Status("HTTP/1.0 200 OK\r\n\r\n  A: b\r\n\r\nbody", &captured), 200);
    EXPECT_EQ(captured, "A: b\r\n\r\nbody");
}

TEST(FeedResponseTest, StatusWithoutReasonPhraseStillReadsBody) {
    std::string captured;
    EXPECT_EQ(Status("HTTP/1.0 200\r\nX: y\r\n\r\nvar Therm = \"3,5\";", &captured), 200);
    EXPECT_EQ(captured, "X: y\r\n\r\nvar Therm = \"3,5\";");
    Parsed parsed = Parse("HTTP/1.0 200\r\n\r\nvar Therm = \"3,5\";");
    EXPECT_EQ(parsed.result, FeedParse::Value);
    EXPECT_EQ(parsed.reading.temperature, 3.5);
}

TEST(FeedResponseTest, EarlierCaptureIsNeverReused) {
    std::string captured = "unchanged";
    EXPECT_EQ(Status("garbage without a code", &captured), 0);
    EXPECT_EQ(captured, "");
    EXPECT_EQ(Status("HTTP/1.0 200 OK\r\n\t", &captured), 200);
    EXPECT_EQ(captured, "");
}

TEST(FeedResponseTest, CaptureEndsAtTabOrHighByte) {
    std::string captured;
    Status("HTTP/1.0 200 OK\r\nServer: a\tb\r\n\r\nvar Therm = \"1,0\";", &captured);
    EXPECT_EQ(captured, "Server: a");
    Status("HTTP/1.0 200 OK\r\nServer: caf\xE9\r\n\r\nvar Therm = \"1,0\";", &captured);
    EXPECT_EQ(captured, "Server: caf");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nX: \x7F\r\n\r\nvar Therm = \"1,0\";").result,
              FeedParse::InvalidValue);
}

TEST(FeedResponseTest, CaptureHoldsAtMost999Characters) {
    std::string captured;
    Status("HTTP/1.0 200 OK\r\n" + std::string(1200, 'a'), &captured);
    EXPECT_EQ(captured, std::string(999, 'a'));
}

TEST(FeedResponseTest, RejectsOtherStatusesWithoutTouchingReading) {
    for (const char* status : {"404 Not Found", "201 Created", "500 Error", "-200 OK"}) {
        std::string response = std::string("HTTP/1.0 ") + status + "\r\n\r\nvar Therm = \"5,5\";";
        EXPECT_EQ(Parse(response).result, FeedParse::Rejected) << status;
    }
    Parsed rejected = Parse("HTTP/1.0 404 Not Found\r\n\r\nvar Therm = \"5,5\";");
    EXPECT_STREQ(rejected.reading.valueText, "old");
    EXPECT_EQ(rejected.reading.temperature, UnknownTemperature);
}

TEST(FeedResponseTest, ValuesAndWhatTheyBecome) {
    struct Case {
        const char* value;
        const char* text;
        double temperature;
    } cases[] = {
        {"-12,5", "-12.5", -12.5},
        {"7,0", "7.0", 7.0},
        {"12.3", "12.3", 12.3},
        {"12", "12", 12.0},
        {"5", "5", 5.0},
        {"12,34", "12.34", 12.34},
        {"-0,4", "-0.4", -0.4},
        {"+3,5", "+3.5", 3.5},
        {"0,0", "0.0", 0.0},
        {"99,9", "99.9", 99.9},
        {"-273,0", "-273.0", -273.0},
        {"12345678,01", "12345678.01", 12345678.01},
        // Any single character between the digits is the decimal mark.
        {"4x5", "4.5", 4.5},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(WithValue(c.value));
        ASSERT_EQ(parsed.result, FeedParse::Value) << c.value;
        EXPECT_STREQ(parsed.reading.valueText, c.text) << c.value;
        EXPECT_EQ(parsed.reading.temperature, c.temperature) << c.value;
    }
}

TEST(FeedResponseTest, UnusableValuesAreInvalidData) {
    for (const char* value : {"abc", "", "123456789012", "1234567,8901", "-", "+", ",5", "5,",
                              "1,,5", " 7,0", "7,0 ", "1,2,3", "--1", "\r\n7,0"}) {
        Parsed parsed = Parse(WithValue(value));
        EXPECT_EQ(parsed.result, FeedParse::InvalidValue) << '"' << value << '"';
        EXPECT_STREQ(parsed.reading.valueText, "old") << value;
    }
}

TEST(FeedResponseTest, MarkerMustBeThere) {
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n\r\nvar Temp = \"1,0\";").result, FeedParse::InvalidValue);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = ").result, FeedParse::InvalidValue);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = \"").result, FeedParse::InvalidValue);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = \"\";").result, FeedParse::InvalidValue);
}

TEST(FeedResponseTest, ValueEndsAtQuoteOrSemicolonAndFirstCharacterIsSkipped) {
    Parsed unquoted = Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = 12,3;");
    EXPECT_EQ(unquoted.result, FeedParse::Value);
    EXPECT_STREQ(unquoted.reading.valueText, "2.3");
    Parsed first = Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = \"1,5\"; var Therm = \"2,5\";");
    EXPECT_EQ(first.reading.temperature, 1.5);
    Parsed openEnded = Parse("HTTP/1.0 200 OK\r\n\r\nvar Therm = \"8,5");
    EXPECT_EQ(openEnded.reading.temperature, 8.5);
}

TEST(FeedResponseTest, ConvertHonoursGivenLength) {
    TemperatureReading reading{};
    EXPECT_TRUE(ConvertValueText("-1,5 and more", 4, reading));
    EXPECT_STREQ(reading.valueText, "-1.5");
    EXPECT_FALSE(ConvertValueText("-1,5", 0, reading));
    EXPECT_FALSE(ConvertValueText("123456789012", 12, reading));
    EXPECT_TRUE(ConvertValueText("12345678901", 11, reading));
    EXPECT_EQ(reading.temperature, 12345678901.0);
}

TEST(FeedResponseTest, ClosingQuoteAndSemicolonAtTheVeryEnd) {
    EXPECT_TRUE(EndsWithValueClose("x\";", 3));
    EXPECT_TRUE(EndsWithValueClose("\";", 2));
    EXPECT_FALSE(EndsWithValueClose(";", 1));
    EXPECT_FALSE(EndsWithValueClose("", 0));
    EXPECT_FALSE(EndsWithValueClose(";\"", 2));
    EXPECT_FALSE(EndsWithValueClose("\";\r\n", 4));
    EXPECT_FALSE(EndsWithValueClose("\";x", 3)) << "only the last two bytes count";
}
