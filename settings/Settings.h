#pragma once
// The seven user settings and the configuration file that holds them.
#include <cstdint>

#include "base/Text.h"

// The feed host: the one deployment constant behind the default source
// address, the default proxy host and the graph page.
#define ZARVILO_FEED_HOST "meteo.larvinsk.ru"
inline constexpr char FeedHost[] = ZARVILO_FEED_HOST;
inline constexpr char DefaultSourceUrl[] = "http://" ZARVILO_FEED_HOST "/files/weather.js";

// Limits in characters; each field holds them as UTF-8 and a terminator.
inline constexpr int SourceUrlLimit = 2083;
inline constexpr int HostNameLimit = 255;
inline constexpr int RemotePortLimit = 7;
inline constexpr int LogFileLimit = 259;

// The user's settings, named after their keys in the configuration file.
struct AppSettings {
    char SourceURL[Utf8Size(SourceUrlLimit)];
    int32_t RefreshTime;
    int32_t UseProxy;
    char HostName[Utf8Size(HostNameLimit)];
    char RemotePort[Utf8Size(RemotePortLimit)];
    int32_t WriteLog;
    char LogFile[Utf8Size(LogFileLimit)];
};

// The text settings a save had to leave as the file held them, because the
// file's code page lacks some of their characters: one bit each; and whether
// the system refused a write (a read-only file, a folder the user may not
// write, a full disk).
enum UnsavedSettings : unsigned {
    AllSaved = 0,
    UnsavedSourceUrl = 1,
    UnsavedHostName = 2,
    UnsavedRemotePort = 4,
    UnsavedLogFile = 8,
    FileRefusedWrite = 16,
};

// Reads every key with its default; an empty LogFile becomes defaultLogPath.
void LoadSettings(const char* configPath, const char* defaultLogPath, AppSettings& settings);

// Writes the seven keys, one write each, in the file's documented order. A
// log file whose name the file's code page cannot hold is written by its
// short name where it has one; any other such text is not written at all.
// A refused write does not stop the others. Returns what was not written.
unsigned SaveSettings(const char* configPath, const AppSettings& settings);
