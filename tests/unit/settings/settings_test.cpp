#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/Settings.h"
#include "tests/support/ScratchDir.h"

namespace {

class SettingsFile : public testing::Test {
  protected:
    AppSettings Load() {
        AppSettings settings;
        std::memset(&settings, 0x5a, sizeof settings); // nothing may survive from before
        LoadSettings(configPath.c_str(), defaultLogPath.c_str(), settings);
        return settings;
    }

    // A new file each time: the system caches a file by its time of change,
    // which two quick writes can share.
    AppSettings LoadFrom(const std::string& content) {
        std::string name = "loaded" + std::to_string(++files) + ".cfg";
        dir.Write(name, content);
        configPath = dir.Path(name);
        return Load();
    }

    ScratchDir dir;
    int files = 0;
    std::string configPath = dir.Path("Quorbel.cfg");
    const std::string defaultLogPath = dir.Path("Quorbel.log");
};

std::string FileWrittenForDefaults(const std::string& logPath) {
    return std::string("[Settings]\r\nSourceURL=") + DefaultSourceUrl +
           "\r\nRefreshTime=10\r\n[Proxy]\r\nUseProxy=0\r\nHostName=" + FeedHost +
           "\r\nRemotePort=80\r\n[LogOptions]\r\nWriteLog=0\r\nLogFile=" + logPath + "\r\n";
}

} // namespace

TEST_F(SettingsFile, NoFileGivesEveryDefaultAndCreatesNothing) {
    AppSettings settings = Load();
    EXPECT_STREQ(settings.SourceURL, DefaultSourceUrl);
    EXPECT_EQ(settings.RefreshTime, 10);
    EXPECT_EQ(settings.UseProxy, 0);
    EXPECT_STREQ(settings.HostName, FeedHost);
    EXPECT_STREQ(settings.RemotePort, "80");
    EXPECT_EQ(settings.WriteLog, 0);
    EXPECT_EQ(settings.LogFile, defaultLogPath);
    EXPECT_FALSE(dir.Exists("Quorbel.cfg"));
}

TEST_F(SettingsFile, FirstSaveWritesTheSevenKeysInOrder) {
    SaveSettings(configPath.c_str(), Load());
    EXPECT_EQ(dir.Read("Quorbel.cfg"), FileWrittenForDefaults(defaultLogPath));
}

TEST_F(SettingsFile, ValuesAreTakenAsRead) {
    AppSettings settings = LoadFrom("[Settings]\r\nRefreshTime=15abc\r\nSourceURL=http://h/x\r\n"
                                    "[Proxy]\r\nUseProxy=2\r\nHostName=proxy\r\nRemotePort=8o\r\n"
                                    "[LogOptions]\r\nWriteLog=-1\r\nLogFile=\r\n");
    EXPECT_EQ(settings.RefreshTime, 15);
    EXPECT_STREQ(settings.SourceURL, "http://h/x");
    EXPECT_EQ(settings.UseProxy, 2);
    EXPECT_STREQ(settings.HostName, "proxy");
    EXPECT_STREQ(settings.RemotePort, "8o");
    EXPECT_EQ(settings.WriteLog, -1);
    EXPECT_EQ(settings.LogFile, defaultLogPath);

    EXPECT_EQ(LoadFrom("[Settings]\r\nRefreshTime=0\r\n").RefreshTime, 0);
    EXPECT_EQ(LoadFrom("[Settings]\r\nRefreshTime=abc\r\n").RefreshTime, 0);
    EXPECT_EQ(LoadFrom("[Settings]\r\nRefreshTime=-30\r\n").RefreshTime, -30);
}

TEST_F(SettingsFile, TextsAreCutToTheirReadLimits) {
    std::string longUrl = "http://h/" + std::string(3000, 'u');
    AppSettings settings = LoadFrom(
        "[Settings]\r\nSourceURL=" + longUrl + "\r\n[Proxy]\r\nHostName=" + std::string(300, 'h') +
        "\r\nRemotePort=123456789\r\n[LogOptions]\r\nLogFile=" + std::string(400, 'l') + "\r\n");
    EXPECT_EQ(settings.SourceURL, longUrl.substr(0, SourceUrlLimit));
    EXPECT_EQ(settings.HostName, std::string(HostNameLimit, 'h'));
    EXPECT_STREQ(settings.RemotePort, "1234567");
    EXPECT_EQ(settings.LogFile, std::string(LogFileLimit, 'l'));
}

TEST_F(SettingsFile, SaveWritesFlagsAsOneOrZeroAndNumbersInDecimal) {
    AppSettings settings = Load();
    const std::pair<int32_t, const char*> cases[] = {
        {INT32_MIN, "-2147483648"}, {-5, "-5"}, {0, "0"}, {INT32_MAX, "2147483647"}};
    for (const auto& [refreshTime, text] : cases) {
        settings.RefreshTime = refreshTime;
        settings.UseProxy = 1;
        settings.WriteLog = refreshTime; // only exactly 1 counts as on
        SaveSettings(configPath.c_str(), settings);
        AppSettings loaded = Load();
        EXPECT_EQ(loaded.RefreshTime, refreshTime);
        EXPECT_EQ(loaded.UseProxy, 1);
        EXPECT_EQ(loaded.WriteLog, 0);
        EXPECT_NE(dir.Read("Quorbel.cfg").find(std::string("RefreshTime=") + text + "\r\n"),
                  std::string::npos);
    }
}

TEST_F(SettingsFile, SavedTextsLoadBackUnchanged) {
    AppSettings settings = Load();
    std::strcpy(settings.SourceURL, "http://proxy.example:3128/a b?c=\"d\"");
    std::strcpy(settings.HostName, "proxy-1.example");
    std::strcpy(settings.RemotePort, "3128");
    std::strcpy(settings.LogFile, "C:\\\xc6\xf3\xf0\xed\xe0\xeb\\t.log");
    SaveSettings(configPath.c_str(), settings);
    AppSettings loaded = Load();
    EXPECT_STREQ(loaded.SourceURL, settings.SourceURL);
    EXPECT_STREQ(loaded.HostName, settings.HostName);
    EXPECT_STREQ(loaded.RemotePort, settings.RemotePort);
    EXPECT_STREQ(loaded.LogFile, settings.LogFile);
}

TEST_F(SettingsFile, SaveKeepsWhatItDoesNotKnow) {
    dir.Write("Quorbel.cfg", "[Mine]\r\nkeep=1\r\n[Proxy]\r\nUseProxy=1\r\nOwn=2\r\n");
    AppSettings settings = Load();
    SaveSettings(configPath.c_str(), settings);
    EXPECT_EQ(dir.Read("Quorbel.cfg"),
              std::string("[Mine]\r\nkeep=1\r\n[Proxy]\r\nUseProxy=1\r\nOwn=2\r\nHostName=") +
                  FeedHost + "\r\nRemotePort=80\r\n[Settings]\r\nSourceURL=" + DefaultSourceUrl +
                  "\r\nRefreshTime=10\r\n[LogOptions]\r\nWriteLog=0\r\nLogFile=" + defaultLogPath +
                  "\r\n");
}
