#pragma once
// One refresh from start to end: when the timer asks for one, and what it
// does (fetch, show the outcome, log it). RefreshWin32 runs it on a thread.
#include <atomic>
#include <cstdint>

#include "fetch/Fetch.h"

// The tooltip while there is no reading.
extern const char NoReadingTooltip[];

// Where a refresh shows its result: the tray icon on Windows, a recorder in
// the probe. Show composes the icon for temperature (UnknownTemperature gives
// the no-reading picture) and hands it over together with the tooltip.
class RefreshView {
  public:
    virtual void Show(double temperature, const char* tooltip) = 0;

  protected:
    ~RefreshView() = default;
};

enum class RefreshOutcome { NoValue, ValidReading, InvalidReading };

// The first refresh after the program starts (at sign-in) and the one on
// resuming from sleep usually come before the network is up. A failed one is
// tried again: each retry starts at least RetryIntervalTicks timer ticks after
// the one before and only once that one has failed, up to Tries tries in all;
// the first that gets an answer (a valid or an invalid reading) ends them. The
// change log gets one line for the start or the resume: the answer, or the
// last try's failure. Whatever refresh ends meanwhile (timed, asked for)
// counts as a try's outcome.
//
// Begin and CountTick run on the main thread, Settle on refresh threads: the
// two share nothing but atomics, so neither ever waits for the other.
class RefreshRetries {
  public:
    static constexpr int32_t Tries = 10;
    static constexpr int32_t RetryIntervalTicks = 30;

    // A start or a resume: the refresh about to start is the first try.
    void Begin();
    // Counts one timer tick; true when it starts a retry.
    bool CountTick();
    // A refresh has ended with outcome; true when its log line is written.
    bool Settle(RefreshOutcome outcome);

  private:
    // Tries still to make, the one under way included; 0 outside a start or
    // a resume.
    std::atomic<int32_t> triesLeft{0};
    // A try has failed and waits for its retry.
    std::atomic<bool> failed{false};
    int32_t ticksToRetry = 0;
};

// Fetches with config, shows the outcome on view and, when config's settings
// say so and retries allow it, appends its log line. The reading and the
// buffers are the fetch's; the tooltip is formatted into the receive buffer.
// report, when given, receives the fetch's step at which it stopped.
RefreshOutcome RefreshOnce(const FetchConfig& config, FetchBuffers& buffers,
                           TemperatureReading& reading, RefreshView& view, RefreshRetries& retries,
                           FetchReport* report = nullptr);

// The program's refresh: under refreshLock, from a snapshot of the settings in
// force, into the process-wide reading, settling the process's retries.
RefreshOutcome RefreshProgramReading(RefreshView& view, FetchReport* report = nullptr);

// Counts one timer tick (one a second) and says whether it starts a timed
// refresh: when the count reaches or has passed refreshTime minutes, it starts
// again from 0. A refreshTime of 0 or below means no timed refreshes. The
// count stops at its largest value instead of wrapping.
bool CountTimerTick(int32_t& timerTicks, int32_t refreshTime);
