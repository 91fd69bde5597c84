#pragma once
// The platform seam under the change log: the file and the local time.
#include <cstddef>
#include <cstdint>

#include "log/ChangeLog.h"

// The change log's file, opened for one line and closed again: the platform
// part of AppendLogLine.
class LogFile {
  public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens an existing file or creates it; the folder must exist.
    bool Open(const char* path);
    bool SeekToEnd();
    bool Write(const char* bytes, size_t length);

  private:
    intptr_t handle = -1;
};

// The local wall-clock time, to the minute.
LogTime CurrentLocalTime();
