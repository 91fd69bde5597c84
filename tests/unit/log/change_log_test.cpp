#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>

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
        {{12345, 123, -1, 100, 60}, "00.23.2345  00:60"}}; // outside the clock: width kept
    for (const auto& [time, expected] : cases)
        EXPECT_EQ(Stamp(time), expected);
}

TEST(AppendLogLine, AppendsRightAfterTheLastByteWithOrWithoutTheLocalTime) {
    // Existing content (nullptr: no file yet), text, stamped, what follows the stamp.
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        // clang-format off
        {nullptr, "  -12.5\r\n", true, "  -12.5\r\n"}, {nullptr, "", true, ""},
        {"no line end", "  \xcd\xe5\xf2.\r\n", false, "no line end  \xcd\xe5\xf2.\r\n"}};
    // clang-format on
    for (const auto& [existing, text, stamped, expected] : cases) {
        SCOPED_TRACE(text);
        ScratchDir dir;
        if (existing) dir.Write("change.log", existing);
        const std::string before = LocalNow();
        EXPECT_EQ(AppendLogLine(dir.Path("change.log").c_str(), text, stamped), LogWritten);
        const std::string after = LocalNow(), content = dir.Read("change.log");
        const size_t stamp = stamped ? LogTimestampLength : 0; // the minute may turn meanwhile
        ASSERT_EQ(content.size(), stamp + strlen(expected));
        EXPECT_TRUE(content.substr(0, stamp) == before.substr(0, stamp) ||
                    content.substr(0, stamp) == after.substr(0, stamp));
        EXPECT_EQ(content.substr(stamp), expected);
    }
}

TEST(AppendLogLine, PathsThatCannotBeOpenedGiveOpenFailedAndCreateNothing) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.Path("folder"));
    auto entries = [](const std::filesystem::path& folder) {
        return std::distance(std::filesystem::directory_iterator(folder), {});
    };
    const auto here = entries(std::filesystem::current_path());
    for (const std::string& path : {std::string(), dir.Path("missing/x.log"), dir.Path("folder")})
        EXPECT_EQ(AppendLogLine(path.c_str(), "x", true), LogOpenFailed) << path;
    EXPECT_EQ(entries(std::filesystem::current_path()), here);
    EXPECT_EQ(entries(dir.root), 1);
}
