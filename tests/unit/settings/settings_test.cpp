#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <tuple>

#include "settings/Settings.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/U8.h"

namespace {

class SettingsFile : public testing::Test {
  protected:
    // A new file each time: the system caches a file by its time of change.
    AppSettings Load(const std::string& content = {}) {
        if (!content.empty())
            dir.Write(name = "loaded" + std::to_string(++files) + ".cfg", content);
        AppSettings settings;
        std::memset(&settings, 0x5a, sizeof settings); // nothing may survive from before
        LoadSettings(dir.Path(name).c_str(), logPath.c_str(), settings);
        return settings;
    }
    ScratchDir dir;
    int files = 0;
    std::string name = "Quorbel.cfg", logPath = dir.Path("Quorbel.log");
};

} // namespace

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndTheFirstSaveWritesTheSevenKeysInOrder) {
    AppSettings settings = Load();
    EXPECT_FALSE(dir.Exists(name));
    SaveSettings(dir.Path(name).c_str(), settings);
    EXPECT_EQ(dir.Read(name), std::string("[Settings]\r\nSourceURL=") + DefaultSourceUrl +
                                  "\r\nRefreshTime=10\r\n[Proxy]\r\nUseProxy=0\r\nHostName=" +
                                  FeedHost + "\r\nRemotePort=80\r\n[LogOptions]\r\nWriteLog=0\r\n" +
                                  "LogFile=" + logPath + "\r\n");
}

TEST_F(SettingsFile, ValuesAreTakenAsReadAndCutToTheirLimits) {
    const std::string url = "http://h/" + std::string(3000, 'u'), host(300, 'h'), log(400, 'l');
    AppSettings settings =
        Load("[LogOptions]\r\nWriteLog=-1\r\nLogFile=" + log +
             "\r\n[Settings]\r\nRefreshTime=0\r\nSourceURL=" + url +
             "\r\n[Proxy]\r\nUseProxy=2\r\nRemotePort=12345o789\r\nHostName=" + host);
    EXPECT_EQ(std::tie(settings.RefreshTime, settings.UseProxy, settings.WriteLog),
              std::make_tuple(0, 2, -1));
    EXPECT_EQ(settings.SourceURL, url.substr(0, 2083));
    EXPECT_EQ(settings.HostName, host.substr(0, 255));
    EXPECT_STREQ(settings.RemotePort, "12345o7");
    EXPECT_EQ(settings.LogFile, log.substr(0, 259));
    EXPECT_EQ(Load("[LogOptions]\r\nLogFile=\r\n").LogFile, logPath);
}

TEST_F(SettingsFile, SaveWritesNumbersInDecimalAndFlagsAsOneOrZero) {
    AppSettings settings = Load();
    // The number as written, and as a flag (only exactly 1 is on).
    const struct {
        int32_t number;
        const char *text, *flag;
    } cases[] = {// clang-format off
        {INT32_MIN, "-2147483648", "0"}, {-5, "-5", "0"}, {0, "0", "0"}, {1, "1", "1"}, {2, "2", "0"},
        {INT32_MAX, "2147483647", "0"}};
    // clang-format on
    // Each setting from another row, so that one saved under another's key shows.
    for (size_t row = 0, rows = std::size(cases); row < rows; ++row) {
        const auto &refresh = cases[row], &proxy = cases[(row + 2) % rows],
                   &log = cases[(row + 3) % rows];
        settings.RefreshTime = refresh.number;
        settings.UseProxy = proxy.number;
        settings.WriteLog = log.number;
        SaveSettings(dir.Path(name).c_str(), settings);
        const std::string file = dir.Read(name);
        for (const std::string& entry : {"RefreshTime=" + std::string(refresh.text) + "\r\n",
                                         "UseProxy=" + std::string(proxy.flag) + "\r\nHostName=",
                                         "WriteLog=" + std::string(log.flag) + "\r\n"})
            EXPECT_NE(file.find(entry), std::string::npos) << file;
    }
}

// A look-alike (é written as e) would name another host or file: it counts as unsavable too.
TEST_F(SettingsFile, TextsTheFileCannotHoldKeepTheirOldValueAndTheRestIsSaved) {
    const std::string before = "[Settings]\r\nSourceURL=old\r\n[Proxy]\r\nHostName=old-host\r\n"
                               "[LogOptions]\r\nLogFile=C:\\\xC6\\old.log\r\n";
    AppSettings settings = Load(before);
    EXPECT_STREQ(settings.LogFile, U8(u8"C:\\Ж\\old.log"));
    std::strcpy(settings.SourceURL, U8(u8"http://host/Ж"));
    std::strcpy(settings.HostName, U8(u8"caf\u00E9.test"));
    std::strcpy(settings.LogFile, U8(u8"C:\\\u00E9-missing\\q.log"));
    settings.RefreshTime = 20;
    EXPECT_EQ(SaveSettings(dir.Path(name).c_str(), settings), UnsavedHostName | UnsavedLogFile);
    EXPECT_EQ(dir.Read(name), "[Settings]\r\nSourceURL=http://host/\xC6\r\nRefreshTime=20\r\n"
                              "[Proxy]\r\nHostName=old-host\r\nUseProxy=0\r\nRemotePort=80\r\n"
                              "[LogOptions]\r\nLogFile=C:\\\xC6\\old.log\r\nWriteLog=0\r\n");
}
