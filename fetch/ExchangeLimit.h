#pragma once
// The one time limit of an exchange that a worker makes with the system's own
// HTTP stack: the refresh waits for the answer no longer than the limit,
// whatever the stack does, and leaves a worker still stuck behind, up to a count.
#include <atomic>
#include <cstdint>

// Connecting, as long as a Windows connect takes, then 50 s from the request,
// through the TLS handshake, to the answer's last byte: as the http:// path polls.
inline constexpr uint32_t SecureConnectMilliseconds = 21 * 1000;
inline constexpr uint32_t SecureAnswerMilliseconds = 50 * 1000;
inline constexpr uint32_t SecureExchangeMilliseconds =
    SecureConnectMilliseconds + SecureAnswerMilliseconds;
// A worker left behind holds a thread, a socket and its memory until its
// server lets go: so many may be unfinished at once.
inline constexpr int UnfinishedExchangeLimit = 2;

// What is left of limit for an exchange begun at tick start, at tick now: both
// a millisecond count that wraps at 32 bits. 0 once the limit has passed.
uint32_t TimeLeft(uint32_t start, uint32_t now, uint32_t limit);

// The exchanges begun and not yet ended. Each is held by the refresh that
// waits for it and by its worker; the count drops when the worker ends, which
// may be long after the refresh has given up.
class UnfinishedExchanges {
  public:
    // Counts one more; false, counting nothing, while the limit's number are unfinished.
    bool TryBegin();
    // The worker's exchange has ended.
    void End();
    int Count() const { return count; }

  private:
    std::atomic<int> count{0};
};

// Shared by the refresh and its worker: whichever lets go last frees what they share.
class SharedByTwo {
  public:
    // True for the second, the last, call.
    bool LetGo() { return holders.fetch_sub(1) == 1; }

  private:
    std::atomic<int> holders{2};
};
