#include "base/Lock.h"

#include <pthread.h>

static_assert(sizeof(pthread_mutex_t) <= 64, "Lock storage too small for a mutex");

static pthread_mutex_t* Mutex(unsigned char* storage) {
    return reinterpret_cast<pthread_mutex_t*>(storage);
}

Lock::Lock() {
    pthread_mutex_init(Mutex(storage), nullptr);
}
Lock::~Lock() {
    pthread_mutex_destroy(Mutex(storage));
}
void Lock::Enter() {
    pthread_mutex_lock(Mutex(storage));
}
void Lock::Leave() {
    pthread_mutex_unlock(Mutex(storage));
}
