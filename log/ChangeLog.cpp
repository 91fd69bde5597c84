#include "log/ChangeLog.h"

#include <cstring>

#include "log/LogFile.h"

namespace {

// Writes the last `width` decimal digits of value, so every field keeps its
// width whatever the clock says.
char* PutDigits(char* out, int value, int width) {
    unsigned remaining = value < 0 ? 0u : static_cast<unsigned>(value);
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + remaining % 10);
        remaining /= 10;
    }
    return out + width;
}

} // namespace

void FormatLogTimestamp(const LogTime& time, char* out) {
    char* at = PutDigits(out, time.day, 2);
    *at++ = '.';
    at = PutDigits(at, time.month, 2);
    *at++ = '.';
    at = PutDigits(at, time.year, 4);
    *at++ = ' ';
    *at++ = ' ';
    at = PutDigits(at, time.hour, 2);
    *at++ = ':';
    at = PutDigits(at, time.minute, 2);
    *at = '\0';
}

AppendLogResult AppendLogLine(const char* path, const char* text, bool withTimestamp) {
    LogFile file;
    if (!file.Open(path)) return LogOpenFailed;
    if (!file.SeekToEnd()) return LogSeekFailed;
    if (withTimestamp) {
        char stamp[LogTimestampLength + 1];
        FormatLogTimestamp(CurrentLocalTime(), stamp);
        if (!file.Write(stamp, LogTimestampLength)) return LogWriteFailed;
    }
    if (!file.Write(text, std::strlen(text))) return LogWriteFailed;
    return LogWritten;
}
