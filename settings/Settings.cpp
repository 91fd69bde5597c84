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

// One save's writes into file, and what they could not write.
struct SettingsWriter {
    const char* file;
    unsigned unsaved = AllSaved;

    void Write(const char* section, const char* key, const char* value) {
        if (!ProfileWriteString(section, key, value, file)) unsaved |= FileRefusedWrite;
    }

    // A text the file cannot hold leaves the file's value as it was.
    void WriteText(const char* section, const char* key, const char* value, UnsavedSettings bit) {
        if (ProfileCanHold(value)) {
            Write(section, key, value);
        } else {
            unsaved |= bit;
        }
    }

    // A path the file cannot hold goes by another name of the same file
    // where there is one.
    void WritePath(const char* section, const char* key, const char* path, UnsavedSettings bit) {
        char alias[Utf8Size(LogFileLimit)];
        if (!ProfileCanHold(path) && ProfileHoldablePath(path, alias, sizeof alias)) path = alias;
        WriteText(section, key, path, bit);
    }
};

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
    SettingsWriter writer{configPath};
    writer.WriteText(SettingsSection, "SourceURL", settings.SourceURL, UnsavedSourceUrl);
    writer.Write(SettingsSection, "RefreshTime", refreshTime);
    writer.Write(ProxySection, "UseProxy", FlagText(settings.UseProxy));
    writer.Write(LogSection, "WriteLog", FlagText(settings.WriteLog));
    writer.WriteText(ProxySection, "HostName", settings.HostName, UnsavedHostName);
    writer.WriteText(ProxySection, "RemotePort", settings.RemotePort, UnsavedRemotePort);
    writer.WritePath(LogSection, "LogFile", settings.LogFile, UnsavedLogFile);
    return writer.unsaved;
}
