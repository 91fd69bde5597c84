#include "settings/Settings.h"

#include <cinttypes>
#include <cstdio>

#include "settings/Profile.h"

namespace {

constexpr char SettingsSection[] = "Settings";
constexpr char ProxySection[] = "Proxy";
constexpr char LogSection[] = "LogOptions";

static_assert(SourceUrlLimit <= ProfileValueLimit, "the longest setting is read whole");

template <size_t Size>
void ReadText(const char* section, const char* key, const char* defaultValue, char (&field)[Size],
              const char* file) {
    static_assert(Size % 3 == 1, "a field holds Utf8Size(limit) bytes");
    ProfileGetString(section, key, defaultValue, field, static_cast<int>(Size / 3), file);
}

// Writes a text the file can hold; false leaves the file's value as it was.
bool SaveText(const char* section, const char* key, const char* value, const char* file) {
    if (!ProfileCanHold(value)) return false;
    ProfileWriteString(section, key, value, file);
    return true;
}

bool SavePath(const char* section, const char* key, const char* path, const char* file) {
    char alias[Utf8Size(LogFileLimit)];
    if (SaveText(section, key, path, file)) return true;
    return ProfileHoldablePath(path, alias, sizeof alias) && SaveText(section, key, alias, file);
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

unsigned SaveSettings(const char* configPath, const AppSettings& settings) {
    char refreshTime[12];
    std::snprintf(refreshTime, sizeof refreshTime, "%" PRId32, settings.RefreshTime);
    unsigned unsaved = AllSaved;
    if (!SaveText(SettingsSection, "SourceURL", settings.SourceURL, configPath))
        unsaved |= UnsavedSourceUrl;
    ProfileWriteString(SettingsSection, "RefreshTime", refreshTime, configPath);
    ProfileWriteString(ProxySection, "UseProxy", FlagText(settings.UseProxy), configPath);
    ProfileWriteString(LogSection, "WriteLog", FlagText(settings.WriteLog), configPath);
    if (!SaveText(ProxySection, "HostName", settings.HostName, configPath))
        unsaved |= UnsavedHostName;
    if (!SaveText(ProxySection, "RemotePort", settings.RemotePort, configPath))
        unsaved |= UnsavedRemotePort;
    if (!SavePath(LogSection, "LogFile", settings.LogFile, configPath)) unsaved |= UnsavedLogFile;
    return unsaved;
}
