// One set of cases for the profile functions: natively they run against the
// portable INI code; on Windows against the system's functions and against
// the portable code compiled for Windows, so any difference shows.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "settings/IniFile.h"
#include "settings/Profile.h"
#include "tests/support/ScratchDir.h"

namespace {

struct ProfileApi {
    const char* name;
    decltype(&ProfileGetInt) getInt;
    decltype(&ProfileGetString) getString;
    decltype(&ProfileWriteString) writeString;
};

class ProfileFunctions : public testing::TestWithParam<ProfileApi> {
  protected:
    // A file of its own for each case: the system caches files it has read.
    std::string WithFile(const std::string& content) {
        std::string name = "case" + std::to_string(++files) + ".ini";
        dir.Write(name, content);
        return dir.Path(name);
    }

    std::string String(const std::string& file, const char* section, const char* key,
                       int bufferSize = 100) {
        std::string buffer(static_cast<size_t>(bufferSize) + 1, '#');
        int length =
            GetParam().getString(section, key, "DEF", buffer.data(), bufferSize, file.c_str());
        std::string text = buffer.c_str();
        EXPECT_EQ(length, static_cast<int>(text.size()));
        return text;
    }

    int32_t Int(const std::string& file, const char* section, const char* key) {
        return GetParam().getInt(section, key, 77, file.c_str());
    }

    bool Write(const std::string& file, const char* section, const char* key, const char* value) {
        return GetParam().writeString(section, key, value, file.c_str());
    }

    static std::string Content(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    ScratchDir dir;
    int files = 0;
};

TEST_P(ProfileFunctions, MissingFileSectionOrKeyGivesTheDefault) {
    std::string file = WithFile("[Settings]\r\nSourceURL=x\r\n");
    EXPECT_EQ(String(dir.Path("none.ini"), "Settings", "SourceURL"), "DEF");
    EXPECT_EQ(String(file, "Proxy", "SourceURL"), "DEF");
    EXPECT_EQ(String(file, "Settings", "HostName"), "DEF");
    EXPECT_EQ(String(dir.Path("none.ini"), "Settings", "SourceURL", 3), "DE");
    EXPECT_EQ(Int(dir.Path("none.ini"), "Settings", "RefreshTime"), 77);
    EXPECT_EQ(Int(file, "Settings", "RefreshTime"), 77);
    EXPECT_FALSE(dir.Exists("none.ini"));
}

TEST_P(ProfileFunctions, NamesMatchWithoutCaseAndBlanks) {
    std::string file =
        WithFile("  [ settings ]  \r\n  sourceurl  =  a b  \t\r\n[W]junk\r\nm=5\r\n");
    EXPECT_EQ(String(file, "Settings", "SourceURL"), "a b");
    EXPECT_EQ(String(file, "SETTINGS", "SOURCEURL"), "a b");
    EXPECT_EQ(String(file, "W", "M"), "5");
}

TEST_P(ProfileFunctions, SurroundingQuotesAreStripped) {
    std::string file = WithFile("[Q]\r\na=\"q v\"\r\nb='x'\r\nc=\"x\r\nd=\"\r\ne=\"\"\r\nf=\"x'\r\n"
                                "g=\"  1 \"\r\nh=\"abcdefgh\"\r\n");
    EXPECT_EQ(String(file, "Q", "a"), "q v");
    EXPECT_EQ(String(file, "Q", "b"), "x");
    EXPECT_EQ(String(file, "Q", "c"), "\"x");
    EXPECT_EQ(String(file, "Q", "d"), "\"");
    EXPECT_EQ(String(file, "Q", "e"), "");
    EXPECT_EQ(String(file, "Q", "f"), "\"x'");
    EXPECT_EQ(String(file, "Q", "g"), "  1 ");
    EXPECT_EQ(String(file, "Q", "h", 4), "abc");
}

TEST_P(ProfileFunctions, FirstSectionAndFirstKeyOfARepeatedNameCount) {
    std::string file = WithFile("[A]\r\nx=1\r\nX=2\r\ny\r\ny=3\r\n[a]\r\nz=4\r\n");
    EXPECT_EQ(String(file, "A", "x"), "1");
    EXPECT_EQ(String(file, "A", "y"), "DEF"); // the first y has no value
    EXPECT_EQ(String(file, "A", "z"), "DEF"); // only the first [A] is searched
}

TEST_P(ProfileFunctions, EntryForms) {
    std::string file =
        WithFile("k0=before any section\r\n[E]\r\nempty=\r\nc=b=c\r\n\x1a d=\x1a 4\x1a\r\n"
                 "n=\xa0"
                 "9\r\nru=C:\\\xc6\xf3\xf0\xed\xe0\xeb\\log.txt\r\n[V\r\nl=1\r\n");
    EXPECT_EQ(String(file, "E", "k0"), "DEF");
    EXPECT_EQ(String(file, "E", "empty"), "");
    EXPECT_EQ(String(file, "E", "c"), "b=c");
    EXPECT_EQ(String(file, "E", "d"), "4");
    EXPECT_EQ(String(file, "E", "n"), "\xa0"
                                      "9");
    EXPECT_EQ(String(file, "E", "ru"), "C:\\\xc6\xf3\xf0\xed\xe0\xeb\\log.txt");
    EXPECT_EQ(String(file, "E", "l"), "1"); // "[V" opens no section
}

TEST_P(ProfileFunctions, LineEnds) {
    std::string file = WithFile("a=1\r[A]\rx=1\r\n[B]\ny=2\n\n[C]\r\nz=3");
    EXPECT_EQ(String(file, "A", "x"), "1");
    EXPECT_EQ(String(file, "B", "y"), "2");
    EXPECT_EQ(String(file, "C", "z"), "3");
}

TEST_P(ProfileFunctions, ValueEndsAtANulByte) {
    std::string file = WithFile(std::string("[A]\r\ny=1\0 2\r\nz=3\r\n", 17));
    EXPECT_EQ(String(file, "A", "y"), "1");
    EXPECT_EQ(String(file, "A", "z"), "3");
}

TEST_P(ProfileFunctions, Utf8MarkBeforeTheFirstSection) {
    std::string file = WithFile("\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(String(file, "A", "x"), "1");
}

TEST_P(ProfileFunctions, StringsAreCutToTheBuffer) {
    std::string file = WithFile("[A]\r\nx=0123456789\r\n");
    EXPECT_EQ(String(file, "A", "x", 11), "0123456789");
    EXPECT_EQ(String(file, "A", "x", 10), "012345678");
    EXPECT_EQ(String(file, "A", "x", 1), "");
}

TEST_P(ProfileFunctions, IntegersReadAsTheSystemReadsThem) {
    struct {
        const char* value;
        int32_t expected;
    } cases[] = {
        {"15abc", 15},
        {"abc", 0},
        {"  -12x", -12},
        {"+7", 7},
        {"\t8", 8},
        {"0x1A", 26},
        {"0X1A", 0},
        {"0b101", 5},
        {"0o17", 15},
        {"0x", 0},
        {"\"42\"", 42},
        {"- 5", 0},
        {"--5", 0},
        {"-", 0},
        {"4294967297", 1},
        {"2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483649", INT32_MAX},
        {"99999999999999999999", 1661992959},
        {"000000000000000000000000000000001", 0}, // only 29 characters count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::string file = WithFile(std::string("[S]\r\nk=") + c.value + "\r\n");
        EXPECT_EQ(Int(file, "S", "k"), c.expected);
    }
}

TEST_P(ProfileFunctions, IntegerWithoutValueGivesTheDefault) {
    std::string file = WithFile("[S]\r\nempty=\r\nbare\r\nquotes=\"\"\r\n");
    EXPECT_EQ(Int(file, "S", "empty"), 77);
    EXPECT_EQ(Int(file, "S", "bare"), 77);
    EXPECT_EQ(Int(file, "S", "quotes"), 77);
}

TEST_P(ProfileFunctions, WritesCreateTheFileSectionAndKey) {
    std::string file = dir.Path("new.ini");
    EXPECT_TRUE(Write(file, "B", "y", "2"));
    EXPECT_EQ(Content(file), "[B]\r\ny=2\r\n");
    EXPECT_TRUE(Write(file, "B", "z", "3"));
    EXPECT_TRUE(Write(file, "C", "w", "4"));
    EXPECT_EQ(Content(file), "[B]\r\ny=2\r\nz=3\r\n[C]\r\nw=4\r\n");
}

TEST_P(ProfileFunctions, WritesReplaceTheValueAndKeepEverythingElse) {
    std::string file = WithFile("[Other]\r\nk=v\r\n;note\r\n[Settings]\r\nSourceURL=old\r\n"
                                "Extra=1\r\n[Tail]\r\nt=2\r\n");
    EXPECT_TRUE(Write(file, "settings", "sourceurl", "new"));
    EXPECT_TRUE(Write(file, "Settings", "RefreshTime", "5"));
    EXPECT_EQ(Content(file), "[Other]\r\nk=v\r\n;note\r\n[Settings]\r\nSourceURL=new\r\nExtra=1\r\n"
                             "RefreshTime=5\r\n[Tail]\r\nt=2\r\n");
}

TEST_P(ProfileFunctions, WriteKeepsTheStoredNameAndEndsALastLine) {
    std::string spaced = WithFile("[A]\r\nX = 1\r\n");
    EXPECT_TRUE(Write(spaced, "A", "x", "2"));
    EXPECT_EQ(String(spaced, "A", "x"), "2");
    EXPECT_EQ(Content(spaced), "[A]\r\nX=2\r\n");

    std::string open = WithFile("[A]\r\nx=1");
    EXPECT_TRUE(Write(open, "A", "y", "2"));
    EXPECT_EQ(Content(open), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_P(ProfileFunctions, WrittenValuesReadBackUnchanged) {
    std::string file = dir.Path("round.ini");
    const char* values[] = {"http://host:8080/a?b=c&d=\"e\"", "C:\\\xc6\xf3\xf0\xed\xe0\xeb\\z.log",
                            "-2147483648", ""};
    for (const char* value : values) {
        SCOPED_TRACE(value);
        EXPECT_TRUE(Write(file, "R", "v", value));
        EXPECT_EQ(String(file, "R", "v", 200), value);
    }
}

TEST_P(ProfileFunctions, WriteIntoAMissingFolderFails) {
    EXPECT_FALSE(Write(dir.Path("missing/x.ini"), "A", "x", "1"));
    EXPECT_FALSE(dir.Exists("missing"));
}

std::string ApiName(const testing::TestParamInfo<ProfileApi>& info) {
    return info.param.name;
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Windows, ProfileFunctions,
                         testing::Values(ProfileApi{"System", ProfileGetInt, ProfileGetString,
                                                    ProfileWriteString}),
                         ApiName);
#endif
INSTANTIATE_TEST_SUITE_P(Own, ProfileFunctions,
                         testing::Values(ProfileApi{"IniFile", IniGetInt, IniGetString,
                                                    IniWriteString}),
                         ApiName);

} // namespace
