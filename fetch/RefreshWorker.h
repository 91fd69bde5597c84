#pragma once

// Where a refresh shows its result: the tray icon on Windows, a recorder in
// tests. Show composes the icon for temperature (UnknownTemperature gives the
// no-reading picture) and hands it over together with the tooltip.
class RefreshView {
  public:
    virtual void Show(double temperature, const char* tooltip) = 0;

  protected:
    ~RefreshView() = default;
};

enum class RefreshOutcome { NoValue, ValidReading, InvalidReading };

// One whole refresh under refreshLock: snapshot the settings, fetch, show the
// outcome, append the log line when logging is on.
RefreshOutcome RefreshOnce(RefreshView& view);
