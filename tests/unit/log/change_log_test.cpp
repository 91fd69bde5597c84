#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "log/ChangeLog.h"
#include "log/LogFile.h"
#include "tests/support/ScratchDir.h"

namespace {

std::string Stamp(const LogTime& time) {
    char out[LogTimestampLength + 1];
    FormatLogTimestamp(time, out);
    return out;
}

// The stamp AppendLogLine wrote must be that of the minute before or after
// the call (the clock may turn over in between).
void ExpectCurrentStamp(const std::string& written, const std::string& before,
                        const std::string& after) {
    EXPECT_TRUE(written == before || written == after) << written;
}

std::string CLibraryLocalStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    return Stamp(
        {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min});
}

// Appends text with a stamp to a new file and checks the file holds exactly
// the current stamp and the text.
void ExpectStampedLine(const std::string& path, const std::string& text) {
    std::string before = Stamp(CurrentLocalTime());
    EXPECT_EQ(AppendLogLine(path.c_str(), text.c_str(), true), LogWritten);
    std::string after = Stamp(CurrentLocalTime());
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(content.size(), size_t(LogTimestampLength) + text.size());
    ExpectCurrentStamp(content.substr(0, LogTimestampLength), before, after);
    EXPECT_EQ(content.substr(LogTimestampLength), text);
}

size_t EntriesIn(const std::filesystem::path& folder) {
    auto entries = std::filesystem::directory_iterator(folder);
    return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

} // namespace

TEST(LogTimestamp, FixedWidthDayMonthYearHourMinute) {
    EXPECT_EQ(Stamp({2005, 3, 5, 7, 9}), "05.03.2005  07:09");
    EXPECT_EQ(Stamp({1999, 12, 31, 23, 59}), "31.12.1999  23:59");
    EXPECT_EQ(Stamp({2024, 1, 1, 0, 0}), "01.01.2024  00:00");
    EXPECT_EQ(Stamp({2024, 2, 29, 12, 30}).size(), size_t(LogTimestampLength));
}

TEST(LogTimestamp, KeepsItsWidthForValuesOutsideTheClock) {
    EXPECT_EQ(Stamp({12345, 123, -1, 100, 60}), "00.23.2345  00:60");
}

TEST(LogTimestamp, CurrentLocalTimeFollowsTheLocalClock) {
    std::string before = CLibraryLocalStamp();
    std::string current = Stamp(CurrentLocalTime());
    std::string after = CLibraryLocalStamp();
    ExpectCurrentStamp(current, before, after);
}

TEST(AppendLogLine, CreatesMissingFileWithStampAndText) {
    ScratchDir dir;
    ExpectStampedLine(dir.Path("new.log"), "  -12.5\r\n");
}

TEST(AppendLogLine, AppendsRightAfterTheLastByte) {
    ScratchDir dir;
    dir.Write("old.log", "no line end");
    EXPECT_EQ(AppendLogLine(dir.Path("old.log").c_str(), "  1.0\r\n", false), LogWritten);
    EXPECT_EQ(AppendLogLine(dir.Path("old.log").c_str(), "  2.0\r\n", false), LogWritten);
    EXPECT_EQ(dir.Read("old.log"), "no line end  1.0\r\n  2.0\r\n");
}

TEST(AppendLogLine, EmptyTextWithStampWritesTheStampAlone) {
    ScratchDir dir;
    ExpectStampedLine(dir.Path("stamp.log"), "");
}

TEST(AppendLogLine, FailureSentencesAreWrittenAsWindows1251Bytes) {
    ScratchDir dir;
    std::string path = dir.Path("ru.log");
    ASSERT_EQ(AppendLogLine(path.c_str(), "  Нет соединения с сервером.\r\n", false), LogWritten);
    ASSERT_EQ(AppendLogLine(path.c_str(), "  Получены некорректные данные с сервера.\r\n", false),
              LogWritten);
    EXPECT_EQ(dir.Read("ru.log"),
              "  \xcd\xe5\xf2 \xf1\xee\xe5\xe4\xe8\xed\xe5\xed\xe8\xff \xf1 "
              "\xf1\xe5\xf0\xe2\xe5\xf0\xee\xec.\r\n"
              "  \xcf\xee\xeb\xf3\xf7\xe5\xed\xfb \xed\xe5\xea\xee\xf0\xf0\xe5\xea\xf2\xed\xfb\xe5 "
              "\xe4\xe0\xed\xed\xfb\xe5 \xf1 \xf1\xe5\xf0\xe2\xe5\xf0\xe0.\r\n");
}

TEST(AppendLogLine, PathsThatCannotBeOpenedGiveOpenFailed) {
    ScratchDir dir;
    auto cwd = std::filesystem::current_path();
    size_t entriesBefore = EntriesIn(cwd);
    EXPECT_EQ(AppendLogLine("", "x", true), LogOpenFailed);
    EXPECT_EQ(EntriesIn(cwd), entriesBefore);

    EXPECT_EQ(AppendLogLine(dir.Path("missing/folder.log").c_str(), "x", true), LogOpenFailed);
    EXPECT_FALSE(dir.Exists("missing"));

    std::filesystem::create_directory(dir.Path("folder"));
    EXPECT_EQ(AppendLogLine(dir.Path("folder").c_str(), "x", true), LogOpenFailed);
}
