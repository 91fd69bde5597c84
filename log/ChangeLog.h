#pragma once
// The optional change log: one time-stamped line per refresh.

enum AppendLogResult { LogWritten = 0, LogOpenFailed = 1, LogSeekFailed = 2, LogWriteFailed = 3 };

// A local calendar time, as much of it as the time stamp shows.
struct LogTime {
    int year, month, day, hour, minute;
};

inline constexpr int LogTimestampLength = 17;

// "dd.MM.yyyy  HH:mm" into out, which holds at least LogTimestampLength + 1 bytes.
void FormatLogTimestamp(const LogTime& time, char* out);

// Appends text (without its terminator) to the file at path (UTF-8), after
// the time stamp of the current local time when withTimestamp is set.
AppendLogResult AppendLogLine(const char* path, const char* text, bool withTimestamp);
