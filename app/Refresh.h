#pragma once
// One refresh from start to end: when the timer asks for one, and what it
// does (fetch, show the outcome, log it). RefreshWin32 runs it on a thread.
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

// Fetches with config, shows the outcome on view and, when config's settings
// say so, appends its log line. The reading and the buffers are the fetch's;
// the tooltip is formatted into the receive buffer. report, when given,
// receives the fetch's step at which it stopped.
RefreshOutcome RefreshOnce(const FetchConfig& config, FetchBuffers& buffers,
                           TemperatureReading& reading, RefreshView& view,
                           FetchReport* report = nullptr);

// The program's refresh: under refreshLock, from a snapshot of the settings in
// force, into the process-wide reading.
RefreshOutcome RefreshProgramReading(RefreshView& view, FetchReport* report = nullptr);

// Counts one timer tick (one a second) and says whether it starts a timed
// refresh: when the count reaches or has passed refreshTime minutes, it starts
// again from 0. A refreshTime of 0 or below means no timed refreshes. The
// count stops at its largest value instead of wrapping.
bool CountTimerTick(int32_t& timerTicks, int32_t refreshTime);
