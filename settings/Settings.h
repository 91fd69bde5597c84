#pragma once
// The seven user settings and the configuration file that holds them.
#include <cstdint>

// The feed host: the one deployment constant behind the default source
// address, the default proxy host and the graph page.
#define ZARVILO_FEED_HOST "meteo.larvinsk.ru"
inline constexpr char FeedHost[] = ZARVILO_FEED_HOST;
inline constexpr char DefaultSourceUrl[] = "http://" ZARVILO_FEED_HOST "/files/weather.js";

// Read limits in characters; each buffer holds one more byte for the terminator.
inline constexpr int SourceUrlLimit = 2083;
inline constexpr int HostNameLimit = 255;
inline constexpr int RemotePortLimit = 7;
inline constexpr int LogFileLimit = 259;

// The user's settings, named after their keys in the configuration file.
struct AppSettings {
    char SourceURL[SourceUrlLimit + 1];
    int32_t RefreshTime;
    int32_t UseProxy;
    char HostName[HostNameLimit + 1];
    char RemotePort[RemotePortLimit + 1];
    int32_t WriteLog;
    char LogFile[LogFileLimit + 1];
};

// Reads every key with its default; an empty LogFile becomes defaultLogPath.
void LoadSettings(const char* configPath, const char* defaultLogPath, AppSettings& settings);

// Writes the seven keys, one write each, in the file's documented order.
void SaveSettings(const char* configPath, const AppSettings& settings);
