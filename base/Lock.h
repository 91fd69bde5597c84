#pragma once
// A plain non-recursive lock. On Windows it is a critical section, elsewhere a
// POSIX mutex; the storage is held inline so that this header needs no
// platform header and a global Lock is ready before any code runs.

class Lock {
  public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void Enter();
    void Leave();

  private:
    alignas(8) unsigned char storage[64];
};

// Holds a Lock for the lifetime of a scope.
class LockHolder {
  public:
    explicit LockHolder(Lock& lock) : held(lock) { held.Enter(); }
    ~LockHolder() { held.Leave(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

  private:
    Lock& held;
};
