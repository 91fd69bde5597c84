#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "log/ChangeLog.h"
#include "tests/support/ScratchDir.h"

namespace {

std::string Stamp(const LogTime& time) {
    char out[18];
    FormatLogTimestamp(time, out);
    return out;
}

// The local time as the C library knows it, to the minute.
std::string LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm t = *std::localtime(&now);
    return Stamp({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min});
}

} // namespace

TEST(LogTimestamp, DayMonthYearHourMinuteOfFixedWidth) {
    const std::pair<LogTime, const char*> cases[] = {
        {{2005, 3, 5, 7, 9}, "05.03.2005  07:09"},
        {{1999, 12, 31, 23, 59}, "31.12.1999  23:59"},
        {{2024, 1, 1, 0, 0}, "01.01.2024  00:00"},
        {{12345, 123, -1, 100, 60}, "00.23.2345  00:60"}}; // outside the clock: width kept
    for (const auto& [time, expected] : cases)
        EXPECT_EQ(Stamp(time), expected);
}

TEST(AppendLogLine, AppendsRightAfterTheLastByteWithOrWithoutTheLocalTime) {
    const struct {
        const char* existing; // nullptr: no file yet
        const char *text, *expected;
        bool stamped;
    } cases[] = {{nullptr, "  -12.5\r\n", "  -12.5\r\n", true},
                 {nullptr, "", "", true},
                 {"no line end", "  \xcd\xe5\xf2.\r\n", "no line end  \xcd\xe5\xf2.\r\n", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ScratchDir dir;
        if (c.existing) dir.Write("change.log", c.existing);
        const std::string before = LocalNow();
        EXPECT_EQ(AppendLogLine(dir.Path("change.log").c_str(), c.text, c.stamped), LogWritten);
        const std::string after = LocalNow(), content = dir.Read("change.log");
        const size_t stamp = c.stamped ? 17 : 0; // the minute may turn during the call
        ASSERT_EQ(content.size(), stamp + strlen(c.expected));
        EXPECT_TRUE(content.substr(0, stamp) == before.substr(0, stamp) ||
                    content.substr(0, stamp) == after.substr(0, stamp));
        EXPECT_EQ(content.substr(stamp), c.expected);
    }
}

TEST(AppendLogLine, PathsThatCannotBeOpenedGiveOpenFailedAndCreateNothing) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("folder"));
    auto entries = [](const std::filesystem::path& folder) {
        auto listing = std::filesystem::directory_iterator(folder);
        return std::distance(begin(listing), end(listing));
    };
    const auto here = entries(std::filesystem::current_path());
    for (const std::string& path : {std::string(), dir.Path("missing/x.log"), dir.Path("folder")})
        EXPECT_EQ(AppendLogLine(path.c_str(), "x", true), LogOpenFailed) << path;
    EXPECT_EQ(entries(std::filesystem::current_path()), here);
    EXPECT_EQ(entries(dir.Path("")), 1);
}
