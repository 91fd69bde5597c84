// One set of cases for the portable INI code and, on Windows, the system's profile functions.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "base/Text.h"
#include "settings/IniFile.h"
#include "settings/Profile.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/U8.h"

namespace {

struct ProfileApi {
    const char* name;
    decltype(&ProfileGetInt) getInt;
    decltype(&ProfileGetString) getString;
    decltype(&ProfileWriteString) writeString;
};

class ProfileFunctions : public testing::TestWithParam<ProfileApi> {
  protected:
    // A file of its own for each case (the system caches files); empty: no file at all.
    std::string WithFile(const std::string& content) {
        std::string name = "case" + std::to_string(++files) + ".ini";
        if (!content.empty()) dir.Write(name, content);
        return dir.Path(name);
    }
    // At most limit characters, in a buffer of exactly the size they may take.
    std::string String(const std::string& file, const char* section, const char* key, int limit) {
        std::string buffer(static_cast<size_t>(Utf8Size(limit)) + 1, '#');
        int length = GetParam().getString(section, key, "DEF", buffer.data(), limit, file.c_str());
        EXPECT_EQ(buffer.back(), '#');
        EXPECT_EQ(length, static_cast<int>(strlen(buffer.c_str())));
        return buffer.c_str();
    }
    ScratchDir dir;
    int files = 0;
};

TEST_P(ProfileFunctions, StringReads) {
    const std::string p = "[Settings]\r\nSourceURL=x\r\n",
                      s = "  [ settings ]  \r\n  sourceurl  =  a b  \t\r\n[W]junk\r\nm=5\r\n",
                      q = "[Q]\r\na=\"q v\"\r\nb='x'\r\nd=\"\r\ne=\"\"\r\nf=\"x'\r\ng=\"  1 \"\r\n"
                          "h=\"abcdefgh\"\r\n",
                      r = "[A]\r\nx=1\r\nX=2\r\ny\r\ny=3\r\n[a]\r\nz=4\r\n",
                      f = "k0=before any section\r\n[E]\r\nempty=\r\nc=b=c\r\n\x1a d=\x1a 4\x1a\r\n"
                          "n=\2409\r\n[V\r\nl=1\r\n",
                      e = "a=1\r[A]\rx=1\r\n[B]\ny=2\n\n[C]\r\nz=3" +
                          std::string("\r\nn=1\0 2\r\nm=3", 14),
                      l = "\xEF\xBB\xBF[A]\r\nx=0123456789\r\n";
    const struct {
        std::string content;
        const char *section, *key, *expected;
        int limit = 100;
    } cases[] = {// clang-format off
        {"", "S", "k", "DEF"}, {"", "S", "k", "DE", 2},
        {p, "Proxy", "SourceURL", "DEF"}, {p, "Settings", "HostName", "DEF"},
        {s, "SETTINGS", "SOURCEURL", "a b"}, {s, "W", "M", "5"}, {q, "Q", "a", "q v"},
        {q, "Q", "b", "x"}, {q, "Q", "d", "\""}, {q, "Q", "e", ""}, {q, "Q", "f", "\"x'"},
        {q, "Q", "g", "  1 "}, {q, "Q", "h", "abc", 3},
        // Only the first [A] is searched; the first y has no value; "[V" opens no section.
        {r, "A", "x", "1"}, {r, "A", "y", "DEF"}, {r, "A", "z", "DEF"}, {f, "E", "k0", "DEF"},
        {f, "E", "empty", ""}, {f, "E", "c", "b=c"}, {f, "E", "d", "4"}, {f, "E", "n", U8(u8"\u00A09")},
        {f, "E", "l", "1"}, {e, "A", "x", "1"}, {e, "C", "n", "1"}, {e, "C", "m", "3"},
        {l, "A", "x", "0123456789", 10}, {l, "A", "x", "012345678", 9}, {l, "A", "x", "", 0},
        // Values are Windows-1251 in the file and UTF-8 in the program.
        {"[R]\r\nv=\xC6\xF3\xF0\xED\xE0\xEB\r\n", "R", "v", U8(u8"Журнал")},
        {"[R]\r\nv=\xC6\xF3\xF0\xED\xE0\xEB\r\n", "R", "v", U8(u8"Жур"), 3}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(String(WithFile(c.content), c.section, c.key, c.limit), c.expected)
            << c.content << "; " << c.section << "/" << c.key;
    EXPECT_FALSE(dir.Exists("case1.ini"));
}

TEST_P(ProfileFunctions, IntegerReads) {
    const std::pair<const char*, int32_t> cases[] = {
        // clang-format off
        {"15abc", 15}, {"abc", 0}, {"  -12x", -12}, {"+7", 7}, {"\t8", 8}, {"0x1A", 26},
        {"0X1A", 0}, {"0b101", 5}, {"0o17", 15}, {"0x", 0}, {"\"42\"", 42}, {"- 5", 0},
        {"--5", 0}, {"-", 0}, {"", 77}, {"\"\"", 77}, {"4294967297", 1}, {"2147483648", INT32_MIN},
        {"2147483647", INT32_MAX}, {"-2147483649", INT32_MAX}, {"99999999999999999999", 1661992959},
        {"000000000000000000000000000000001", 0}, // only 29 characters count
        {nullptr, 77}}; // no such key
    // clang-format on
    for (const auto& [value, expected] : cases) {
        const std::string line = value ? std::string("k=") + value : "j=1",
                          file = WithFile("[S]\r\n" + line + "\r\n");
        EXPECT_EQ(GetParam().getInt("S", "k", 77, file.c_str()), expected) << line;
    }
}

// Each write reads back as written, and every other entry of the file is kept.
TEST_P(ProfileFunctions, Writes) {
    // clang-format off
    const std::tuple<std::string, std::vector<std::array<const char*, 3>>, std::string> cases[] = {
        {"", {{"B", "y", "2"}, {"B", "z", "3"}, {"C", "w", "4"}},
         "[B]\r\ny=2\r\nz=3\r\n[C]\r\nw=4\r\n"},
        {"[Other]\r\nk=v\r\n;note\r\n[Settings]\r\nSourceURL=old\r\nExtra=1\r\n[Tail]\r\nt=2\r\n",
         {{"settings", "sourceurl", "new"}, {"Settings", "RefreshTime", "5"}},
         "[Other]\r\nk=v\r\n;note\r\n[Settings]\r\nSourceURL=new\r\nExtra=1\r\nRefreshTime=5\r\n"
         "[Tail]\r\nt=2\r\n"},
        {"[A]\r\nX = 1\r\n", {{"A", "x", "2"}}, "[A]\r\nX=2\r\n"},
        {"[A]\r\nx=1", {{"A", "y", "2"}}, "[A]\r\nx=1\r\ny=2\r\n"},
        {"", {{"R", "v", "http://host:8080/a?b=c&d=\"e\""}, {"R", "v", U8(u8"C:\\Жур\\z.log")},
              {"R", "v", "-2147483648"}, {"R", "v", ""}}, "[R]\r\nv=\r\n"},
        {"", {{"R", "v", U8(u8"C:\\Жур\\z.log")}}, "[R]\r\nv=C:\\\xC6\xF3\xF0\\z.log\r\n"}};
    // clang-format on
    for (const auto& [content, writes, expected] : cases) {
        SCOPED_TRACE(content);
        const std::string file = WithFile(content);
        for (const auto& [section, key, value] : writes) {
            EXPECT_TRUE(GetParam().writeString(section, key, value, file.c_str()));
            EXPECT_EQ(String(file, section, key, 200), value);
        }
        EXPECT_EQ(dir.Read("case" + std::to_string(files) + ".ini"), expected);
    }
    EXPECT_FALSE(GetParam().writeString("A", "x", "1", dir.Path("missing/x.ini").c_str()));
    EXPECT_FALSE(dir.Exists("missing"));
    // A character the file's code page lacks is refused, never written as '?'.
    const std::string file = WithFile("[A]\r\nx=old\r\n");
    const char* weather = U8(u8"\u5929\u6C17");
    EXPECT_FALSE(GetParam().writeString("A", "x", weather, file.c_str()));
    EXPECT_EQ(String(file, "A", "x", 10), "old");
}

const ProfileApi apis[] = {
#ifdef _WIN32
    {"System", ProfileGetInt, ProfileGetString, ProfileWriteString},
#endif
    {"IniFile", IniGetInt, IniGetString, IniWriteString}};
INSTANTIATE_TEST_SUITE_P(Profile, ProfileFunctions, testing::ValuesIn(apis),
                         [](const auto& info) { return std::string(info.param.name); });

// The portable writer changes one line, keeps every other byte; a value never spans lines.
TEST(SetIniValue, ChangesOneLineAndKeepsEveryOtherByte) {
    const std::string text =
        std::string("\xEF\xBB\xBF[A]\r\n  x = 1 \r\nn=a\0b\r\n\r\n[B]\ny=2\n", 35);
    EXPECT_EQ(SetIniValue(text, "a", "X", "1"), text);
    EXPECT_EQ(SetIniValue(text, "A", "z", "3"), text.substr(0, 25) + "z=3\r\n" + text.substr(25));
    EXPECT_EQ(SetIniValue(text, "B", "y", "5\r\n[Evil]"), text.substr(0, 33) + "5\n");
}

} // namespace
