#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

#include "log/LogFile.h"

LogFile::~LogFile() {
    if (handle >= 0) close(static_cast<int>(handle));
}

bool LogFile::Open(const char* path) {
    // O_APPEND keeps each write at the end even when another process appends
    // to the same file, as the shared write access does on Windows.
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return false;
    handle = fd;
    return true;
}

bool LogFile::SeekToEnd() {
    return lseek(static_cast<int>(handle), 0, SEEK_END) != static_cast<off_t>(-1);
}

bool LogFile::Write(const char* bytes, size_t length) {
    while (length > 0) {
        ssize_t written = write(static_cast<int>(handle), bytes, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

LogTime CurrentLocalTime() {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return LogTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min};
}
