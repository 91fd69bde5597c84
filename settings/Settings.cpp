#include "settings/Settings.h"

#include <cinttypes>
#include <cstdio>

#include "settings/Profile.h"

namespace {

constexpr char SettingsSection[] = "Settings";
constexpr char ProxySection[] = "Proxy";
constexpr char LogSection[] = "LogOptions";

template <size_t Size>
void ReadText(const char* section, const char* key, const char* defaultValue, char (&field)[Size],
              const char* file) {
    ProfileGetString(section, key, defaultValue, field, static_cast<int>(Size), file);
}

const char* FlagText(int32_t flag) {
    return flag == 1 ? "1" : "0";
}

} // namespace

void LoadSettings(const char* configPath, const char* defaultLogPath, AppSettings& settings) {
    settings.UseProxy = ProfileGetInt(ProxySection, "UseProxy", 0, configPath);
    settings.WriteLog = ProfileGetInt(LogSection, "WriteLog", 0, configPath);
    ReadText(SettingsSection, "SourceURL", DefaultSourceUrl, settings.SourceURL, configPath);
    ReadText(ProxySection, "HostName", FeedHost, settings.HostName, configPath);
    ReadText(ProxySection, "RemotePort", "80", settings.RemotePort, configPath);
    ReadText(LogSection, "LogFile", "", settings.LogFile, configPath);
    settings.RefreshTime = ProfileGetInt(SettingsSection, "RefreshTime", 10, configPath);
    // Held in memory only; the next save writes it.
    if (settings.LogFile[0] == '\0')
        std::snprintf(settings.LogFile, sizeof settings.LogFile, "%s",
                      defaultLogPath ? defaultLogPath : "");
}

void SaveSettings(const char* configPath, const AppSettings& settings) {
    char refreshTime[12];
    std::snprintf(refreshTime, sizeof refreshTime, "%" PRId32, settings.RefreshTime);
    ProfileWriteString(SettingsSection, "SourceURL", settings.SourceURL, configPath);
    ProfileWriteString(SettingsSection, "RefreshTime", refreshTime, configPath);
    ProfileWriteString(ProxySection, "UseProxy", FlagText(settings.UseProxy), configPath);
    ProfileWriteString(LogSection, "WriteLog", FlagText(settings.WriteLog), configPath);
    ProfileWriteString(ProxySection, "HostName", settings.HostName, configPath);
    ProfileWriteString(ProxySection, "RemotePort", settings.RemotePort, configPath);
    ProfileWriteString(LogSection, "LogFile", settings.LogFile, configPath);
}
