#include <windows.h>

#include "base/Text.h"
#include "log/LogFile.h"

namespace {

// INVALID_HANDLE_VALUE is -1, the value of a LogFile that holds no file.
HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

LogFile::~LogFile() {
    if (handle != -1) CloseHandle(AsHandle(handle));
}

bool LogFile::Open(const char* path) {
    // A path cut short would name another file.
    const Utf16Text<MAX_PATH> widePath = Utf16FromUtf8<MAX_PATH>(path);
    if (!widePath.whole) return false;
    // Other writers are admitted, readers are not.
    HANDLE file = CreateFileW(widePath.text, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    handle = reinterpret_cast<intptr_t>(file);
    return true;
}

bool LogFile::SeekToEnd() {
    // OPEN_ALWAYS leaves ERROR_ALREADY_EXISTS behind; clear it so that an end
    // at exactly 0xFFFFFFFF is not mistaken for a failure.
    SetLastError(NO_ERROR);
    DWORD position = SetFilePointer(AsHandle(handle), 0, nullptr, FILE_END);
    return position != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

bool LogFile::Write(const char* bytes, size_t length) {
    DWORD written = 0;
    return WriteFile(AsHandle(handle), bytes, static_cast<DWORD>(length), &written, nullptr) != 0;
}

LogTime CurrentLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LogTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}
