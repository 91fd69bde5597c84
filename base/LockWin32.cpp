#include "base/Lock.h"

#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= 64, "Lock storage too small for a critical section");

static CRITICAL_SECTION* Section(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}

Lock::Lock() {
    InitializeCriticalSection(Section(storage));
}
Lock::~Lock() {
    DeleteCriticalSection(Section(storage));
}
void Lock::Enter() {
    EnterCriticalSection(Section(storage));
}
void Lock::Leave() {
    LeaveCriticalSection(Section(storage));
}
